// The program-wide objects, all in this one file so that they are constructed in this order and
// destroyed in the reverse order: the application object, the two enumerator-key lists, the USB
// prefix. The plain counts, the flag word and the class key buffer need no construction.
#include <cstdint>
#include <string>

#include "app/program_state.h"
#include "app/uninst_app.h"

CUninstApp theApp;

std::string VendorKeyList[kEnumKeyListSize];
std::string StreamKeyList[kEnumKeyListSize];
const std::string UsbPrefix = "USB\\";

std::int32_t VendorKeyCount = 0;
std::int32_t StreamKeyCount = 0;
w32::DWORD Win9xFlags = 0;
char ClassKeyPath[256] = {};

void ResetProgramState() {
    static_cast<UninstallProfile&>(theApp) = UninstallProfile{};
    theApp.ForgetRun();
    theApp.m_pMainWnd = nullptr;
    theApp.m_hInstance = nullptr;
    for (auto& key : VendorKeyList) key.clear();
    for (auto& key : StreamKeyList) key.clear();
    VendorKeyCount = 0;
    StreamKeyCount = 0;
    Win9xFlags = 0;
    for (char& c : ClassKeyPath) c = '\0';
}
