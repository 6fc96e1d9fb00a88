// A DLL that does nothing: the Wine scenarios copy it over a product file (a filter, say) that a
// stand-in TV application then loads, so that the file is in use as a module, as a loaded filter
// is.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
