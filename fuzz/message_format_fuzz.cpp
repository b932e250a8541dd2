// The placeholder formatter. Input: the pattern, then the arguments, separated
// by NUL; an argument that is the single character U+0001 is null. Every
// argument and the argument array are heap blocks of exactly their size, so
// that a read past an argument or past `count` is caught by the sanitizer.
#include <memory>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "core/message_format.h"

namespace {

constexpr size_t kPlaceholders = 35;  // %1..%9, %A..%Z
constexpr char16_t kFirstMarker = u'\uE000';

std::u16string Format(std::u16string_view pattern, const char16_t* const* args, size_t count) {
    return qz::core::FormatPlaceholders(pattern, args, count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::u16string> fields = qz::fuzz::SplitFields(qz::fuzz::DecodeText(data, size));
    const std::u16string pattern = fields.front();
    const size_t count = fields.size() - 1;

    std::vector<std::unique_ptr<char16_t[]>> texts;
    std::unique_ptr<const char16_t*[]> args(new const char16_t*[count]);
    for (size_t i = 0; i < count; ++i) {
        const std::u16string& field = fields[i + 1];
        if (field == u"\u0001") {
            args[i] = nullptr;
            continue;
        }
        texts.emplace_back(new char16_t[field.size() + 1]);
        field.copy(texts.back().get(), field.size());
        texts.back()[field.size()] = u'\0';
        args[i] = texts.back().get();
    }

    const std::u16string formatted = Format(pattern, args.get(), count);
    FUZZ_CHECK(Format(pattern, nullptr, count + 1) == Format(pattern, args.get(), 0));
    if (pattern.find(u'%') == std::u16string::npos) FUZZ_CHECK(formatted == pattern);

    // A pattern cut anywhere but after a "%" formats piece by piece.
    const size_t cut = pattern.size() / 2;
    if (cut == 0 || pattern[cut - 1] != u'%') {
        FUZZ_CHECK(formatted ==
                   Format(pattern.substr(0, cut), args.get(), count) + Format(pattern.substr(cut), args.get(), count));
    }

    // Formatting with one marker character per argument number shows which
    // argument each placeholder took; putting the real arguments in for the
    // markers must give the same text, so arguments are inserted unread.
    for (const char16_t c : pattern) {
        if (c >= kFirstMarker && c < kFirstMarker + kPlaceholders) return 0;
    }
    char16_t markers[kPlaceholders][2];
    const char16_t* marker_args[kPlaceholders];
    for (size_t i = 0; i < kPlaceholders; ++i) {
        markers[i][0] = static_cast<char16_t>(kFirstMarker + i);
        markers[i][1] = u'\0';
        marker_args[i] = markers[i];
    }
    std::u16string expected;
    for (const char16_t c : Format(pattern, marker_args, kPlaceholders)) {
        if (c < kFirstMarker || c >= kFirstMarker + kPlaceholders) {
            expected += c;
            continue;
        }
        const size_t number = c - kFirstMarker;
        if (number >= count) {
            expected += u'?';
        } else if (args[number]) {
            expected += args[number];
        }
    }
    FUZZ_CHECK(formatted == expected);
    return 0;
}
