// Dialog template 102 as data, for the simulated window manager. The .rc script is the resource
// the Windows program is built with; a unit test parses it and checks that it says the same.
#pragma once

#include <cstdint>

#include "resource.h"

namespace dialog102 {

struct Control {
    int id;
    const char* className;
    const char* text;
    int x, y, cx, cy;
    std::uint32_t style;
};

inline constexpr int kId = IDD_UNINST_DIALOG;
inline constexpr int kX = 0, kY = 0, kWidth = 230, kHeight = 90;
inline constexpr std::uint32_t kStyle = 0x90C800C0;  // POPUP|VISIBLE|CAPTION|SYSMENU|MODALFRAME|SETFONT
inline constexpr std::uint32_t kExStyle = 0x00040000;  // WS_EX_APPWINDOW
inline constexpr const char* kCaption = "Brelon WDM Drivers Uninstallation";
inline constexpr const char* kFont = "Arial";
inline constexpr int kFontPoints = 9;
inline constexpr int kCharset = 1;

// Template order, which is also the tab and z order.
inline constexpr Control kControls[] = {
    {IDC_ACTION, "Static", "", 20, 9, 195, 8, 0x50020000},
    {1, "Button", "OK", 90, 65, 50, 16, 0x50010001},
    {IDC_PROGRESS, "msctls_progress32", "", 20, 45, 190, 14, 0x40800000},
    {IDC_BLANK, "Static", "", 20, 1, 54, 8, 0x50020000},
    {IDC_FILE_NAME, "Static", "", 20, 17, 195, 8, 0x50020000},
    {IDC_RUN_TIP, "Static", "Please click 'OK' to uninstall the Brelon WDM Drivers. ", 20, 25, 197,
     17, 0x50020000},
};

}  // namespace dialog102
