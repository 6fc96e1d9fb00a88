// What the automation helper reports of the dialog's looks: where its window stands against the
// work area of its monitor, and whether each of its texts fits its control at the screen's
// resolution. A text is measured as the control draws it, in the font that the dialog manager
// makes from the template (Arial 9 pt at the screen's DPI): a static control wraps at blanks, a
// button and the caption keep one line.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

namespace dialogfit {

inline std::string RectText(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
           " " + std::to_string(r.bottom);
}

inline std::string TextOf(HWND h) {
    char buf[1024] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

// Pixels the text needs: width and height, drawn with the flags into a box as wide as `width`.
inline SIZE Needs(HDC dc, const std::string& text, LONG width, UINT flags) {
    RECT box{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &box, flags | DT_CALCRECT);
    return SIZE{box.right, box.bottom};
}

template <typename Say>
void ReportFit(Say say, const std::string& when, const std::string& what, SIZE need, LONG width,
               LONG height) {
    const bool fits = need.cx <= width && need.cy <= height;
    say(when + " fit " + what + (fits ? " ok" : " clipped") + " (needs " + std::to_string(need.cx) +
        "x" + std::to_string(need.cy) + ", has " + std::to_string(width) + "x" +
        std::to_string(height) + ")");
}

// Lines "WHEN window L T R B", "WHEN work-area L T R B", "WHEN dpi N", then "WHEN fit WHAT ok" or
// "WHEN fit WHAT clipped (...)" for the caption, the button and every static control.
template <typename Say>
void ReportLooks(HWND dlg, const std::string& when, Say say) {
    RECT window{};
    GetWindowRect(dlg, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(dlg, MONITOR_DEFAULTTONEAREST), &monitor);
    say(when + " window " + RectText(window));
    say(when + " work-area " + RectText(monitor.rcWork));

    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    say(when + " dpi " + std::to_string(dpi));
    HFONT font =
        CreateFontA(-MulDiv(9, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, "Arial");
    HGDIOBJ old = SelectObject(dc, font);
    for (int id : {1001, 1002, 1003, 1004, IDOK}) {
        HWND control = GetDlgItem(dlg, id);
        if (control == nullptr) continue;
        RECT client{};
        GetClientRect(control, &client);
        const std::string text = TextOf(control);
        if (id == IDOK) {
            // The push button's frame and focus rectangle take a few pixels of each side.
            const SIZE need = Needs(dc, text, client.right, DT_SINGLELINE);
            ReportFit(say, when, std::to_string(id), need, client.right - 8, client.bottom - 4);
        } else {
            const SIZE need = Needs(dc, text, client.right, DT_WORDBREAK | DT_EXPANDTABS);
            ReportFit(say, when, std::to_string(id), need, client.right, client.bottom);
        }
    }
    // The caption: the title bar less the frame, the small icon and the close button.
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        HFONT captionFont = CreateFontIndirectA(&metrics.lfCaptionFont);
        SelectObject(dc, captionFont);
        const SIZE need = Needs(dc, TextOf(dlg), 0, DT_SINGLELINE);
        const LONG room = (window.right - window.left) - 2 * GetSystemMetrics(SM_CXFIXEDFRAME) -
                          GetSystemMetrics(SM_CXSMICON) - GetSystemMetrics(SM_CXSIZE) - 8;
        ReportFit(say, when, "caption", need, room, metrics.iCaptionHeight);
        SelectObject(dc, font);
        DeleteObject(captionFont);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
}

}  // namespace dialogfit
