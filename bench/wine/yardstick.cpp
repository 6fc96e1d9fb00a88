// The yardstick for the uninstaller's start-up: the work the uninstaller must do before its
// dialog shows, written as plainly as Win32 allows, so that the ratio of the two start-up times
// is the cost of the program's own structure (runtime start-up, the port, the framework) and not
// of the work. It carries the uninstaller's own resources (res/uninst.rc: the same dialog 102,
// icon and manifest, which asks for elevation and Common Controls 6), makes the same calls as the
// uninstaller: the common controls, the country code (version, then the registry), every key of
// the profile with the same buffers, the installed-product check over the Uninstall key, then
// the dialog with its icon, caption and texts. Keep it in step with src/app and src/ui.
#define WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>

#include "res/resource.h"

namespace {

constexpr const char* kIni = "TVMuxDrv.ini";
constexpr int kRows = 15;

char section[16];
char title[260], regKeyPath[260], regKeyName[260], appName[260], mediaClass[260];
char noRegKeyMsg[260], passMsg[260], passMsg2[260], runTipMsg[260], okText[260], remote[260];
char table[4][kRows][4][260];
char lists[2][kRows][260];
HICON icon;

void Read(const char* key, const char* deflt, char* buf, DWORD size) {
    GetPrivateProfileStringA(section, key, deflt, buf, size, kIni);
    buf[size - 1] = '\0';
}

int ReadCount(const char* key) {
    char text[32];
    Read(key, "0", text, sizeof text);
    unsigned value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                       : -1;
        if (d < 0) break;
        value = value * 16 + static_cast<unsigned>(d);
    }
    const int count = static_cast<int>(value);
    return count > kRows ? kRows : count;
}

void ReadTable(int t, const char* count, const char* const (&keys)[4]) {
    const int n = ReadCount(count);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 4; ++k) {
            char key[64];
            std::snprintf(key, sizeof key, "%s%d", keys[k], i);
            Read(key, "", table[t][i][k], 260);
        }
    }
}

void ReadList(int l, const char* count, const char* row) {
    const int n = ReadCount(count);
    for (int i = 0; i < n; ++i) {
        char key[64];
        std::snprintf(key, sizeof key, "%s%d", row, i);
        Read(key, "", lists[l][i], 260);
    }
}

int CountryCode() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\International", &key) != ERROR_SUCCESS) {
        return 1;
    }
    BYTE data[30] = {};
    DWORD type = 0, size = sizeof data;
    const LONG r = RegQueryValueExA(key, "iCountry", nullptr, &type, data, &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return 1;
    int value = 0;
    for (DWORD i = 0; i < 5 && i < size && data[i] != 0; ++i) value = value * 10 + (data[i] - '0');
    return value;
}

void LoadProfile() {
    std::snprintf(section, sizeof section, "%d", CountryCode());
    Read("UnInstDrvAppTitle", "", title, sizeof title);
    if (title[0] == '\0') {
        lstrcpyA(section, "1");
        Read("UnInstDrvAppTitle", "Brelon Tunara WDM Drivers Uninstallation", title, sizeof title);
    }
    ReadTable(0, "DevIDNum", {"DevDrvID", "DevDrvName", "DevDrvSYS", "DevDrvINF"});
    ReadTable(1, "ExtDevIDNum", {"ExtDevDrvID", "ExtDevDrvName", "ExtDevDrvSYS", "ExtDevDrvINF"});
    ReadList(0, "ExtDllFileNum", "ExtCopyFileName");
    ReadTable(2, "PossibleDevIDNum",
              {"PossibleDevID", "PossibleDevDrvName", "PossibleDevDrvSYS", "PossibleDevInf"});
    Read("DrvUninstRegKeyPath", "", regKeyPath, sizeof regKeyPath);
    Read("DrvUninstRegKeyName", "Brelon Tunara WDM Drivers", regKeyName, sizeof regKeyName);
    Read("DrvUninstAppName", "zq4unist.exe", appName, sizeof appName);
    Read("MediaClass", "Yes", mediaClass, sizeof mediaClass);
    Read("UnInstNoRegKeyMsg", "You do not install Brelon Tunara WDM Drivers.", noRegKeyMsg,
         sizeof noRegKeyMsg);
    Read("UnInstDrvPassMsg", "Brelon Tunara WDM Drivers have been uninstalled completely.", passMsg,
         sizeof passMsg);
    Read("UnInstDrvPassMsg2", "If you want to re-install drivers, you MUST reboot your system.",
         passMsg2, sizeof passMsg2);
    Read("UnInstDrvRunTipMsg", "Press 'OK' to start ...", runTipMsg, sizeof runTipMsg);
    ReadList(1, "UnInstServiceNum", "UnInstService");
    Read("OKText", "OK", okText, sizeof okText);
    Read("UnInstRemoteTitleName", "Remote Control", remote, sizeof remote);
}

bool ProductInstalled() {
    HKEY uninstall = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                      0, KEY_ALL_ACCESS, &uninstall) != ERROR_SUCCESS) {
        return false;
    }
    bool found = false;
    char name[256];
    for (DWORD i = 0; !found; ++i) {
        DWORD length = sizeof name;
        FILETIME written{};
        if (RegEnumKeyExA(uninstall, i, name, &length, nullptr, nullptr, nullptr, &written) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY entry = nullptr;
        if (RegOpenKeyExA(uninstall, name, 0, KEY_ALL_ACCESS, &entry) != ERROR_SUCCESS) continue;
        char display[256] = {};
        DWORD type = 0, size = sizeof display;
        if (RegQueryValueExA(entry, "DisplayName", nullptr, &type, reinterpret_cast<BYTE*>(display),
                             &size) != ERROR_SUCCESS) {
            display[0] = '\0';
        } else {
            display[size < sizeof display ? size : sizeof display - 1] = '\0';
        }
        RegCloseKey(entry);
        found = lstrcmpiA(display, regKeyName) == 0;
    }
    RegCloseKey(uninstall);
    return found;
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            SendMessageA(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            SetWindowTextA(dlg, title);
            SetDlgItemTextA(dlg, IDC_RUN_TIP, runTipMsg);
            SetDlgItemTextA(dlg, IDOK, okText);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    LoadProfile();
    if (ProductInstalled()) {
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UNINST_DIALOG), nullptr, DialogProc, 0);
    } else {
        MessageBoxA(nullptr, noRegKeyMsg, title, MB_ICONWARNING);
    }
    return 0;
}
