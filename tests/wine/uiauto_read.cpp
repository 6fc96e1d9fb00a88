// Finding and reading the uninstaller's windows (uiauto_read.h).
#include "uiauto_read.h"

// clang-format off
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_fit.h"

namespace uiauto {

std::string g_image;

namespace {

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

}  // namespace

HWND Find(const std::string& title, Kind kind, DWORD pid) {
    Search s{title == "*" ? std::string() : title, kind, pid, {}, nullptr};
    if (pid == 0 && !g_image.empty()) {
        s.imagePids = PidsOf(g_image);
        if (s.imagePids.empty()) return nullptr;
    }
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string TextOf(HWND h) {
    if (h == nullptr) return "";
    char buf[1024] = {};
    DWORD_PTR got = 0;
    if (SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                            SMTO_ABORTIFHUNG, 2000, &got) == 0)
        GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

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

}  // namespace uiauto
