// A DLL planted beside the uninstaller under the name of a system DLL that the program loads at
// run time (sfc.dll, sfc_os.dll, setupapi.dll, shlwapi.dll): if the loader ever picks it up, it
// leaves C:\markers\planted-NAME.txt, naming the program that loaded it, and then refuses to load,
// so that the run goes on without it and the marker is what the test looks at.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

void LeaveMarker(HINSTANCE self) {
    char own[MAX_PATH];
    const DWORD ownLength = GetModuleFileNameA(self, own, MAX_PATH);
    if (ownLength == 0 || ownLength >= MAX_PATH) return;
    // The file name without its folder and extension, as the marker's suffix.
    const char* name = own;
    for (const char* p = own; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    char base[MAX_PATH];
    int length = 0;
    for (; name[length] != '\0' && name[length] != '.'; ++length) base[length] = name[length];
    base[length] = '\0';
    CharLowerA(base);

    char marker[MAX_PATH];
    wsprintfA(marker, "C:\\markers\\planted-%s.txt", base);
    CreateDirectoryA("C:\\markers", nullptr);
    const HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char loader[MAX_PATH] = {};
    const DWORD loaderLength = GetModuleFileNameA(nullptr, loader, MAX_PATH);
    DWORD written = 0;
    WriteFile(file, loader, loaderLength, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    LeaveMarker(self);
    return FALSE;
}
