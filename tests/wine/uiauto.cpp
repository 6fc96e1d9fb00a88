// Drives the uninstaller's windows the way a person would, for the Wine tests and the screenshot
// script. It finds the dialog or the warning box by title, reads what they show, presses a key or
// a button, and reports every step on stdout, one fact a line. Every wait has a timeout.
//
//   uiauto dialog TITLE [--action ok|enter|escape|close|none] [--read] [--timeout MS]
//                       [--freeze-ms MS --freeze-marker PATH] [--before-marker PATH --before-ms MS]
//                       [--message-marker PATH --message-ms MS] [--freeze-text TEXT]
//   uiauto warning TITLE [--timeout MS]
//
// TITLE "*" matches any title; --process NAME (both modes) only looks at windows of processes
// with that image name, so the caller need not know which title the profile gives.
//
// Exit codes: 0 done, 2 the window never appeared, 3 no completion message and the dialog stayed,
// 4 bad arguments, 5 a window did not close after the action, 6 the dialog appeared where only
// the warning box was expected.
#define WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_fit.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static control holding a message box's text
constexpr int kPromptId = 1001;         // only the uninstall dialog has it

enum class Kind { Dialog, MessageBox };

// Before a message box is answered: a marker to write and a pause, so that a screenshot can be
// taken of it.
std::string g_messageMarker;
DWORD g_messageMs = 0;

std::string g_freezeText;  // the run is held still once control 1002 shows this

std::string g_image;  // only windows of processes with this image name; empty: any process

struct Search {
    std::string title;  // empty: any title
    Kind kind;
    DWORD pid;  // 0: any process (within g_image)
    std::vector<DWORD> imagePids;
    HWND found;
};

// The processes of any of the comma-separated image names (the 32-bit uninstaller hands its run
// over to the 64-bit one, whose dialog then shows).
std::vector<DWORD> PidsOf(const std::string& images) {
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        for (std::size_t at = 0; at <= images.size();) {
            std::size_t end = images.find(',', at);
            if (end == std::string::npos) end = images.size();
            if (lstrcmpiA(pe.szExeFile, images.substr(at, end - at).c_str()) == 0)
                pids.push_back(pe.th32ProcessID);
            at = end + 1;
        }
    CloseHandle(snap);
    return pids;
}

std::string ClassOf(HWND h) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    return cls;
}

// Reads a window's text without waiting on a busy window for long.
std::string TextOf(HWND h) {
    if (h == nullptr) return "";
    char buf[1024] = {};
    DWORD_PTR got = 0;
    if (SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                            SMTO_ABORTIFHUNG, 2000, &got) == 0)
        GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

BOOL CALLBACK Visit(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (ClassOf(h) != "#32770") return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (s->pid != 0 && pid != s->pid) return TRUE;
    if (s->pid == 0 && !g_image.empty()) {
        bool mine = false;
        for (DWORD p : s->imagePids) mine = mine || p == pid;
        if (!mine) return TRUE;
    }
    char title[512] = {};
    GetWindowTextA(h, title, sizeof title);
    if (!s->title.empty() && s->title != title) return TRUE;
    const bool isBox = GetDlgItem(h, kMessageTextId) != nullptr;
    const bool isDialog = GetDlgItem(h, kPromptId) != nullptr;
    if ((s->kind == Kind::MessageBox && isBox) || (s->kind == Kind::Dialog && isDialog)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND Find(const std::string& title, Kind kind, DWORD pid = 0) {
    Search s{title == "*" ? std::string() : title, kind, pid, {}, nullptr};
    if (pid == 0 && !g_image.empty()) {
        s.imagePids = PidsOf(g_image);
        if (s.imagePids.empty()) return nullptr;
    }
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Writes text with line feeds and carriage returns spelled out, so that one fact stays one line.
std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

void Say(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Touch(const std::string& path) {
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs("1\n", f);
        std::fclose(f);
    }
}

bool WaitGone(HWND h, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (!IsWindow(h)) return true;
        Sleep(20);
    }
    return !IsWindow(h);
}

void ReadDialog(HWND dlg, const char* when) {
    const std::string w = when;
    Say(w + " caption " + Escape(TextOf(dlg)));
    for (int id : {1001, 1002, 1003, 1004, IDOK})
        Say(w + " control " + std::to_string(id) + " " + Escape(TextOf(GetDlgItem(dlg, id))));
    HWND bar = GetDlgItem(dlg, 1000);
    // The control's own WS_VISIBLE bit: once the dialog has ended it is hidden as a whole.
    const bool shown = bar != nullptr && (GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE) != 0;
    Say(w + " progress visible " + std::to_string(shown ? 1 : 0));
    DWORD_PTR pos = 0;
    if (bar != nullptr &&
        SendMessageTimeoutA(bar, 0x0408 /* PBM_GETPOS */, 0, 0, SMTO_ABORTIFHUNG, 2000, &pos) != 0)
        Say(w + " progress pos " + std::to_string(pos));
    dialogfit::ReportLooks(dlg, w, Say);
}

// The file of a module that another process has loaded, or "none": which comctl32.dll the
// dialog's process uses says which common controls its dialog has (version 6 lies in the
// side-by-side store, WinSxS).
std::string ModuleFileOf(DWORD pid, const char* moduleName) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap == INVALID_HANDLE_VALUE) return "none";
    MODULEENTRY32 me{};
    me.dwSize = sizeof me;
    std::string file = "none";
    for (BOOL ok = Module32First(snap, &me); ok; ok = Module32Next(snap, &me)) {
        if (lstrcmpiA(me.szModule, moduleName) == 0) {
            file = me.szExePath;
            break;
        }
    }
    CloseHandle(snap);
    return file;
}

// Presses the OK button of a message box, as a click would.
void PressBoxOk(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    if (ok != nullptr)
        PostMessageA(ok, BM_CLICK, 0, 0);
    else
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Shows a message box's caption and text, then presses its OK. Returns false if it stays.
bool HandleMessageBox(HWND box, HWND expectedOwner) {
    Say("message caption " + Escape(TextOf(box)));
    Say("message text " + Escape(TextOf(GetDlgItem(box, kMessageTextId))));
    RECT frame{};
    GetWindowRect(box, &frame);
    Say("message window " + dialogfit::RectText(frame));
    HWND owner = GetWindow(box, GW_OWNER);
    Say(std::string("message owner ") + (owner == nullptr         ? "none"
                                         : owner == expectedOwner ? "dialog"
                                                                  : "other"));
    if (!g_messageMarker.empty()) {
        Touch(g_messageMarker);
        Sleep(g_messageMs);
    }
    PressBoxOk(box);
    if (!WaitGone(box, 5000)) {
        Say("message stayed open");
        return false;
    }
    Say("message dismissed");
    return true;
}

// Holds the dialog's thread still for a moment once the run shows a file name (one that contains
// fileText, if given), so that a screenshot can catch it mid-run; the marker tells the
// screenshot script when to take it.
void FreezeDuringRun(HWND dlg, DWORD ms, const std::string& marker, const std::string& fileText,
                     DWORD timeout) {
    // GetWindowTextA does not wait for the busy dialog: it reads the text the system keeps.
    HWND file = GetDlgItem(dlg, 1002);
    DWORD waited = 0;
    for (;;) {
        char text[512] = {};
        if (file != nullptr) GetWindowTextA(file, text, sizeof text);
        const bool showing =
            fileText.empty() ? text[0] != 0 : std::strstr(text, fileText.c_str()) != nullptr;
        if (showing || waited >= timeout || !IsWindow(dlg)) break;
        Sleep(1);
        ++waited;
    }
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(dlg, &pid);
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, tid);
    if (thread == nullptr) {
        Say("freeze failed");
        return;
    }
    SuspendThread(thread);
    Say("run frozen");
    Touch(marker);
    Sleep(ms);
    ResumeThread(thread);
    CloseHandle(thread);
}

int Usage() {
    std::fputs(
        "usage: uiauto dialog TITLE [--action ok|enter|escape|close|none] [--read] "
        "[--timeout MS]\n"
        "              [--before-marker PATH --before-ms MS] [--freeze-ms MS --freeze-marker "
        "PATH]\n"
        "       uiauto warning TITLE [--timeout MS]\n"
        "       TITLE may be *; --process NAME limits the search to that program's windows\n",
        stderr);
    return 4;
}

int RunWarning(const std::string& title, DWORD timeout) {
    for (DWORD waited = 0; waited <= timeout; waited += 20) {
        if (HWND dlg = Find(title, Kind::Dialog)) {
            Say("dialog shown");
            PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            return 6;
        }
        if (HWND box = Find(title, Kind::MessageBox)) {
            Say("warning found");
            return HandleMessageBox(box, nullptr) ? 0 : 5;
        }
        Sleep(20);
    }
    Say("warning not found");
    return 2;
}

int RunDialog(const std::string& title, const std::string& action, bool read, DWORD timeout,
              DWORD beforeMs, const std::string& beforeMarker, DWORD freezeMs,
              const std::string& freezeMarker) {
    HWND dlg = nullptr;
    for (DWORD waited = 0; waited <= timeout && dlg == nullptr; waited += 20) {
        dlg = Find(title, Kind::Dialog);
        if (HWND box = dlg == nullptr ? Find(title, Kind::MessageBox) : nullptr) {
            // The program decided not to show the dialog; report what it showed instead.
            Say("dialog not shown");
            HandleMessageBox(box, nullptr);
            return 2;
        }
        if (dlg == nullptr) Sleep(20);
    }
    if (dlg == nullptr) {
        Say("dialog not found");
        return 2;
    }
    Say("dialog found");
    DWORD pid = 0;
    GetWindowThreadProcessId(dlg, &pid);
    // Let the dialog finish painting before anyone looks at it.
    Sleep(200);
    if (read) {
        ReadDialog(dlg, "before");
        Say("comctl32 " + ModuleFileOf(pid, "comctl32.dll"));
    }
    if (!beforeMarker.empty()) {
        Touch(beforeMarker);
        Sleep(beforeMs);
    }

    Say("action " + action);
    if (action == "ok") {
        // Posted, not sent: the click runs the whole removal inside the button handler, which
        // only returns once the completion message has been dismissed.
        HWND ok = GetDlgItem(dlg, IDOK);
        PostMessageA(ok, BM_CLICK, 0, 0);
    } else if (action == "enter") {
        // The key goes to the focused control; the dialog manager turns Enter into a command
        // for the default push button.
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        HWND target = GetDlgItem(dlg, IDOK);
        if (GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui) &&
            gui.hwndFocus != nullptr)
            target = gui.hwndFocus;
        PostMessageA(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageA(target, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
    } else if (action == "escape") {
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    } else if (action == "close") {
        PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (action == "none") {
        return 0;
    } else {
        return Usage();
    }

    if (freezeMs != 0) FreezeDuringRun(dlg, freezeMs, freezeMarker, g_freezeText, timeout);

    // Either a message box of the same process comes up, or the dialog goes away without one.
    for (DWORD waited = 0; waited <= timeout; waited += 20) {
        if (HWND box = Find("", Kind::MessageBox, pid)) {
            if (read && IsWindow(dlg)) ReadDialog(dlg, "after");
            if (!HandleMessageBox(box, dlg)) return 5;
            if (!WaitGone(dlg, 5000)) {
                Say("dialog stayed open");
                return 5;
            }
            Say("dialog closed");
            return 0;
        }
        if (!IsWindow(dlg)) {
            Say("dialog closed");
            // A box that belongs to the run would have come up while the dialog existed; look
            // once more in case the two raced.
            Sleep(300);
            if (HWND late = Find("", Kind::MessageBox, pid))
                return HandleMessageBox(late, dlg) ? 0 : 5;
            Say("message none");
            return 0;
        }
        Sleep(20);
    }
    Say("timeout: the dialog is still open and no message came");
    return 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string mode = argv[1];
    const std::string title = argv[2];
    std::string action = "ok", beforeMarker, freezeMarker;
    bool read = false;
    DWORD timeout = 20000, beforeMs = 0, freezeMs = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--freeze-text" && hasValue) {
            g_freezeText = argv[++i];
        } else if (a == "--message-marker" && hasValue) {
            g_messageMarker = argv[++i];
        } else if (a == "--message-ms" && hasValue) {
            g_messageMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--process" && hasValue) {
            g_image = argv[++i];
        } else if (a == "--read") {
            read = true;
        } else if (a == "--action" && hasValue) {
            action = argv[++i];
        } else if (a == "--timeout" && hasValue) {
            timeout = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--before-marker" && hasValue) {
            beforeMarker = argv[++i];
        } else if (a == "--before-ms" && hasValue) {
            beforeMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--freeze-ms" && hasValue) {
            freezeMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--freeze-marker" && hasValue) {
            freezeMarker = argv[++i];
        } else {
            return Usage();
        }
    }
    if (mode == "warning") return RunWarning(title, timeout);
    if (mode == "dialog")
        return RunDialog(title, action, read, timeout, beforeMs, beforeMarker, freezeMs,
                         freezeMarker);
    return Usage();
}
