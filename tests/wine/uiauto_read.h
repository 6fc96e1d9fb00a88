// uiauto's eyes: finding the uninstaller's dialog or message box among the desktop's windows,
// reading what a window shows, and reporting it on stdout, one fact a line.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// clang-format off
#include <windows.h>
// clang-format on

#include <string>

namespace uiauto {

constexpr int kMessageTextId = 0xFFFF;  // the static control holding a message box's text
constexpr int kPromptId = 1001;         // only the uninstall dialog has it

enum class Kind { Dialog, MessageBox };

extern std::string g_image;  // only windows of processes with this image name; empty: any process

// The top-level dialog (Kind::Dialog: the one with the prompt) or message box of that title ("*" or
// empty: any), of process pid or, for 0, of any process within g_image; null where none is shown.
HWND Find(const std::string& title, Kind kind, DWORD pid = 0);

// Reads a window's text without waiting on a busy window for long.
std::string TextOf(HWND h);

// Writes text with line feeds and carriage returns spelled out, so that one fact stays one line.
std::string Escape(const std::string& s);
// One fact, one line on stdout, flushed at once.
void Say(const std::string& line);
// Writes a marker file (nothing for an empty path).
void Touch(const std::string& path);
// Whether the window is gone within ms milliseconds.
bool WaitGone(HWND h, DWORD ms);
// Reports the dialog's caption, its controls' texts, the progress bar and its looks; `when` starts
// every line ("before", "after").
void ReadDialog(HWND dlg, const char* when);
// The file of a module that another process has loaded, or "none": which comctl32.dll the
// dialog's process uses says which common controls its dialog has (version 6 lies in the
// side-by-side store, WinSxS).
std::string ModuleFileOf(DWORD pid, const char* moduleName);

}  // namespace uiauto
