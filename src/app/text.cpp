#include "app/text.h"

#include "platform/port.h"

namespace {
int FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}
}  // namespace

int AsciiStrNICmp(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = FoldAscii(static_cast<unsigned char>(a[i]));
        const int cb = FoldAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
    return 0;
}

void CopyBounded(char* dst, std::size_t capacity, const char* src) {
    if (capacity == 0) return;
    std::size_t n = std::strlen(src);
    if (n > capacity - 1) n = capacity - 1;
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

std::string LowerPath(std::string path) {
    if (!path.empty()) w32::Api().CharLowerA(path.data());
    return path;
}

bool WindowsDirWith(char* buf, std::size_t capacity, const char* suffix) {
    const auto cap = static_cast<w32::UINT>(capacity);
    const w32::UINT len = w32::Api().GetWindowsDirectoryA(buf, cap);
    // GetWindowsDirectoryA returns the size it needs when the buffer is too small.
    if (len == 0 || len >= cap || len + std::strlen(suffix) >= capacity) {
        buf[0] = '\0';
        return false;
    }
    std::memcpy(buf + len, suffix, std::strlen(suffix) + 1);
    return true;
}
