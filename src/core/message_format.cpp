#include "core/message_format.h"

namespace qz::core {
namespace {

constexpr size_t kNoArgument = static_cast<size_t>(-1);

size_t ArgumentNumber(char16_t c) {
    if (c >= u'1' && c <= u'9') return static_cast<size_t>(c - u'1');
    if (c >= u'A' && c <= u'Z') return 9 + static_cast<size_t>(c - u'A');
    return kNoArgument;
}

}  // namespace

std::u16string FormatPlaceholders(std::u16string_view pattern, const char16_t* const* args, size_t count) {
    if (!args) count = 0;
    std::u16string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        const size_t number = (c == u'%' && i + 1 < pattern.size()) ? ArgumentNumber(pattern[i + 1]) : kNoArgument;
        if (number == kNoArgument) {
            out += c;
            continue;
        }
        ++i;
        if (number >= count) {
            out += u'?';
        } else if (args[number]) {
            out += args[number];
        }
    }
    return out;
}

}  // namespace qz::core
