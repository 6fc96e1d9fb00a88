// The one entry point. On Windows it installs the real API behind the port and hands over to the
// framework; the native build runs the same program on a simulated machine.
#ifdef _WIN32
#include "framework/afx.h"
#include "platform/win32/win32_api.h"

int main() {
    // Before anything could load a DLL by name.
    win32adapter::RestrictDllSearch();
    win32adapter::RealApi api;
    w32::InstallApi(&api);
    return mfc::AfxWinMain();
}
#else
#include "demo/demo.h"

int main(int argc, char** argv) {
    return demo::RunDemo(argc, argv);
}
#endif
