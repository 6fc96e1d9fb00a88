#include "platform/sim/sim_text.h"

namespace sim {

namespace {

// Bytes 0x80 to 0x9F of code page 1252; every other byte stands for the code point of its value.
// The five bytes that 1252 leaves undefined hold the control character of their value, to which
// MultiByteToWideChar maps them.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A profile's character that 1252 lacks, an undefined byte's control character included, is '?'.
char Narrow(char32_t ch) {
    const bool undefined = ch >= 0x80 && ch <= 0x9F;
    return undefined ? '?' : ByteOf1252(ch).value_or('?');
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool HasUtf16LeMark(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::string NarrowUtf16Le(std::string_view units) {
    std::string out;
    out.reserve(units.size() / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const char32_t unit =
            static_cast<unsigned char>(units[i]) |
            (static_cast<char32_t>(static_cast<unsigned char>(units[i + 1])) << 8);
        // A surrogate pair is one character outside 1252: one '?'.
        if (unit >= 0xDC00 && unit <= 0xDFFF && i >= 2) {
            const unsigned prev = static_cast<unsigned char>(units[i - 1]);
            if (prev >= 0xD8 && prev <= 0xDB) continue;
        }
        out += Narrow(unit);
    }
    return out;
}

std::string AnsiTextOf(std::string_view bytes) {
    return HasUtf16LeMark(bytes) ? NarrowUtf16Le(bytes.substr(2)) : std::string(bytes);
}

bool UndefinedIn1252(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

char16_t WideCharOf1252(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : char16_t{byte};
}

char32_t CodePointOf1252(unsigned char byte) {
    return UndefinedIn1252(byte) ? 0 : WideCharOf1252(byte);
}

std::optional<char> ByteOf1252(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<char>(ch);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == ch) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

std::string Utf8From1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        AppendUtf8(out, WideCharOf1252(static_cast<unsigned char>(ch)));
    }
    return out;
}

}  // namespace sim
