// Text as the simulated machine's files hold it, turned into what the ANSI functions hand the
// program: the machine's ANSI code page is 1252, and a file that begins with the UTF-16 LE
// byte-order mark (Notepad's "Unicode", regedit's export) is read as UTF-16 and narrowed to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Whether the bytes begin with the UTF-16 LE byte-order mark FF FE.
bool HasUtf16LeMark(std::string_view bytes);

// UTF-16 LE code units (no mark) in code page 1252. A character that 1252 lacks becomes '?', as
// the conversion without a best-fit table gives it; an odd last byte is dropped.
std::string NarrowUtf16Le(std::string_view units);

// The text a file's bytes stand for: after a UTF-16 LE mark, the rest narrowed to code page
// 1252; anything else is already ANSI text and is returned as it is.
std::string AnsiTextOf(std::string_view bytes);

// The five bytes that 1252 leaves undefined: 0x81, 0x8D, 0x8F, 0x90, 0x9D.
bool UndefinedIn1252(unsigned char byte);
// A 1252 byte as MultiByteToWideChar gives it: an undefined byte as the control character of its
// value.
char16_t WideCharOf1252(unsigned char byte);
// The Unicode code point of a 1252 byte; 0 for an undefined one.
char32_t CodePointOf1252(unsigned char byte);
// The 1252 byte that WideCharOf1252 turns into ch; nothing for a character 1252 does not have.
std::optional<char> ByteOf1252(char32_t ch);

// 1252 text as UTF-8. Bytes 1252 leaves undefined become their C1 code points, as
// MultiByteToWideChar maps them, so nothing is lost and the result is always valid UTF-8.
std::string Utf8From1252(std::string_view text);

}  // namespace sim
