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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialog_fit.h"
#include "uiauto_read.h"

using namespace uiauto;

namespace {

// Before a message box is answered: a marker to write and a pause, so that a screenshot can be
// taken of it.
std::string g_messageMarker;
DWORD g_messageMs = 0;

std::string g_freezeText;  // the run is held still once control 1002 shows this

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
