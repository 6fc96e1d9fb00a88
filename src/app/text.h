// Small string operations shared by the removal steps, written so that none can run past a buffer.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// _strnicmp in the C locale: the first n characters compared, ASCII letters without regard to
// case, every other byte as it is; stops at a terminator.
int AsciiStrNICmp(const char* a, const char* b, std::size_t n);

// The hardware-ID prefix rule: text begins with prefix, compared over exactly the prefix's length.
inline bool BeginsWithNoCase(const char* text, const char* prefix) {
    return AsciiStrNICmp(text, prefix, std::strlen(prefix)) == 0;
}

// Copies src into a fixed-capacity field, cut to capacity - 1 characters and always terminated.
void CopyBounded(char* dst, std::size_t capacity, const char* src);
template <std::size_t N>
void CopyField(char (&dst)[N], const char* src) {
    CopyBounded(dst, N, src);
}

// The path lower-cased as a whole by the system's rules (CharLowerA), as every deleted path is.
std::string LowerPath(std::string path);

// Fills buf with the Windows directory followed by suffix. Returns false, with buf empty, when the
// two do not fit the buffer: a cut path would name some other file.
bool WindowsDirWith(char* buf, std::size_t capacity, const char* suffix);
template <std::size_t N>
bool WindowsDirWith(char (&buf)[N], const char* suffix) {
    return WindowsDirWith(buf, N, suffix);
}
