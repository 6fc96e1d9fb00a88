// The real-API adapter's calls that let a passive run start itself once its dialog is up: a
// posted command and an immediate repaint. Both are USER32's since Windows 95 and NT 3.1.
#include "platform/port.h"
#include "platform/win32/win32_api.h"

// clang-format off
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format on

#pragma push_macro("BOOL")
#undef BOOL

namespace win32adapter {

w32::BOOL RealApi::PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(reinterpret_cast<::HWND>(hWnd), Msg, wParam, lParam);
}

w32::BOOL RealApi::UpdateWindow(HWND hWnd) {
    return ::UpdateWindow(reinterpret_cast<::HWND>(hWnd));
}

}  // namespace win32adapter

#pragma pop_macro("BOOL")
