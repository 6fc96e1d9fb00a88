// A stand-in for the product's companion remote-control program, and for any process the tests
// need running: one top-level window with the given title. When the window is asked to close it
// writes the close marker and the program ends. The ready marker says the window exists.
// --hold keeps a file open without delete sharing, as a program that reads it does; --load loads
// a DLL, as a program that uses a filter does; --hang-on-close makes the window stop answering
// once it is asked to close.
//
//   companion [--title TEXT] [--close-marker PATH] [--ready-marker PATH] [--show]
//             [--hold PATH] [--load PATH] [--hang-on-close]
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string g_closeMarker;
std::string g_title = "Remote Control";
bool g_hangOnClose = false;

void WriteMarker(const std::string& path, const std::string& text) {
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE:
            if (g_hangOnClose) {
                Sleep(60000);
                return 0;
            }
            WriteMarker(g_closeMarker, "closed " + g_title + "\n");
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string readyMarker;
    bool show = false;
    std::string hold;
    std::string load;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--title" && i + 1 < argc)
            g_title = argv[++i];
        else if (a == "--close-marker" && i + 1 < argc)
            g_closeMarker = argv[++i];
        else if (a == "--ready-marker" && i + 1 < argc)
            readyMarker = argv[++i];
        else if (a == "--show")
            show = true;
        else if (a == "--hold" && i + 1 < argc)
            hold = argv[++i];
        else if (a == "--load" && i + 1 < argc)
            load = argv[++i];
        else if (a == "--hang-on-close")
            g_hangOnClose = true;
        else {
            std::fputs(
                "usage: companion [--title TEXT] [--close-marker PATH] [--ready-marker PATH] "
                "[--show] [--hold PATH] [--load PATH] [--hang-on-close]\n",
                stderr);
            return 4;
        }
    }
    HANDLE held = INVALID_HANDLE_VALUE;
    if (!hold.empty()) {
        held = CreateFileA(hold.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
        if (held == INVALID_HANDLE_VALUE) return 1;
    }
    // Kept loaded until the program ends.
    if (!load.empty() && LoadLibraryA(load.c_str()) == nullptr) return 1;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "TvuCompanionWindow";
    if (RegisterClassA(&wc) == 0) return 1;
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, g_title.c_str(), WS_OVERLAPPEDWINDOW, 420, 300,
                                260, 120, nullptr, nullptr, inst, nullptr);
    if (hwnd == nullptr) return 1;
    if (show) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    WriteMarker(readyMarker, "ready " + g_title + "\n");
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    return 0;
}
