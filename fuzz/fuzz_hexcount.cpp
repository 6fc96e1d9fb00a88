// The count parser over arbitrary text. The text sits in a block of exactly its own size, so a
// read past its terminator is caught; a text of hexadecimal digits alone must give the number
// that an independent conversion of its last eight digits gives (32-bit, wrapping).
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "app/uninst_app.h"
#include "fuzz_support.h"

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    auto text = std::make_unique<char[]>(length + 1);
    std::memcpy(text.get(), data, length);
    text[length] = '\0';

    const std::int32_t parsed = CUninstApp::ParseHexCount(text.get());

    bool allHex = true;
    for (std::size_t i = 0; i < length; ++i) allHex = allHex && IsHexDigit(text[i]);
    if (!allHex) return 0;

    // Digits left of the eighth from the right only carry past bit 31: they add nothing.
    const std::size_t from = length > 8 ? length - 8 : 0;
    std::uint32_t expected = 0;
    if (length > 0) {
        const auto r = std::from_chars(text.get() + from, text.get() + length, expected, 16);
        FUZZ_CHECK(r.ec == std::errc() && r.ptr == text.get() + length, text.get());
    }
    FUZZ_CHECK(parsed == static_cast<std::int32_t>(expected),
               std::string("\"") + text.get() + "\" gave " + std::to_string(parsed) +
                   ", expected " + std::to_string(static_cast<std::int32_t>(expected)));
    return 0;
}
