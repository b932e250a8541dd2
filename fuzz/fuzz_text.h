// Turning fuzz bytes into the UTF-16 texts the portable pieces take, and the
// check that stops a run on a broken property.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace qz::fuzz {

// Bytes read as UTF-8, leniently, so that corpus files are plain text and yet
// every UTF-16 unit is reachable: three-byte forms may encode lone surrogates,
// four-byte forms give pairs, and any byte that starts no valid form stands
// for the unit of the same value.
inline std::u16string DecodeText(const uint8_t* data, size_t size) {
    std::u16string text;
    text.reserve(size);
    const auto continuation = [&](size_t i) { return i < size && (data[i] & 0xC0) == 0x80; };
    for (size_t i = 0; i < size;) {
        const uint8_t b = data[i];
        if (b >= 0xC2 && b <= 0xDF && continuation(i + 1)) {
            text += static_cast<char16_t>(((b & 0x1F) << 6) | (data[i + 1] & 0x3F));
            i += 2;
            continue;
        }
        if (b >= 0xE0 && b <= 0xEF && continuation(i + 1) && continuation(i + 2)) {
            const uint32_t c = ((b & 0x0F) << 12) | ((data[i + 1] & 0x3F) << 6) | (data[i + 2] & 0x3F);
            if (c >= 0x800) {
                text += static_cast<char16_t>(c);
                i += 3;
                continue;
            }
        }
        if (b >= 0xF0 && b <= 0xF4 && continuation(i + 1) && continuation(i + 2) && continuation(i + 3)) {
            const uint32_t c =
                ((b & 0x07) << 18) | ((data[i + 1] & 0x3F) << 12) | ((data[i + 2] & 0x3F) << 6) | (data[i + 3] & 0x3F);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                i += 4;
                continue;
            }
        }
        text += static_cast<char16_t>(b);
        ++i;
    }
    return text;
}

// Several texts from one input: they are separated by NUL, which none of the
// pieces treats specially.
inline std::vector<std::u16string> SplitFields(std::u16string_view text) {
    std::vector<std::u16string> fields;
    for (;;) {
        const size_t end = text.find(u'\0');
        fields.emplace_back(text.substr(0, end));
        if (end == std::u16string_view::npos) return fields;
        text.remove_prefix(end + 1);
    }
}

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

}  // namespace qz::fuzz

// A property of the piece under test; aborting lets libFuzzer save the input.
#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : ::qz::fuzz::Fail(__FILE__, __LINE__, #condition))
