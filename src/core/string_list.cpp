#include "core/string_list.h"

#include <cwctype>

namespace qz::core {
namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";

bool IsSeparator(char16_t c) { return c == u';' || c == u','; }

bool IsWhiteSpace(char16_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

bool EndsWithLineEnd(const std::u16string& text) {
    return text.size() >= kLineEnd.size() &&
           std::u16string_view(text).substr(text.size() - kLineEnd.size()) == kLineEnd;
}

}  // namespace

std::u16string SplitListIntoLines(std::u16string_view list) {
    std::u16string lines;
    std::u16string_view rest = list;
    for (;;) {
        const size_t found = rest.find_first_of(u";,'\"");
        if (found == std::u16string_view::npos) break;
        if (IsSeparator(rest[found])) {
            if (found > 0) {
                lines += rest.substr(0, found);
                lines += kLineEnd;
            }
            rest.remove_prefix(found + 1);
            continue;
        }
        const size_t closing = rest.find(rest[found], found + 1);
        if (closing == std::u16string_view::npos) break;
        lines += rest.substr(0, closing + 1);
        if (closing + 1 < rest.size() && IsSeparator(rest[closing + 1])) {
            lines += kLineEnd;
            rest.remove_prefix(closing + 2);
        } else {
            rest.remove_prefix(closing + 1);
        }
    }
    lines += rest;
    if (!lines.empty() && !EndsWithLineEnd(lines)) {
        if (lines.back() == u'\n') lines.pop_back();
        lines += kLineEnd;
    }
    return lines;
}

std::u16string JoinLinesIntoList(std::u16string_view lines) {
    std::u16string list;
    for (size_t start = 0;;) {
        const size_t end = lines.find(kLineEnd, start);
        std::u16string_view piece = lines.substr(start, end == std::u16string_view::npos ? end : end - start);
        while (!piece.empty() && IsWhiteSpace(piece.front())) piece.remove_prefix(1);
        while (!piece.empty() && IsWhiteSpace(piece.back())) piece.remove_suffix(1);
        if (!piece.empty()) {
            list += piece;
            list += u';';
        }
        if (end == std::u16string_view::npos) break;
        start = end + kLineEnd.size();
    }
    while (!list.empty() && list.back() == u';') list.pop_back();
    return list;
}

}  // namespace qz::core
