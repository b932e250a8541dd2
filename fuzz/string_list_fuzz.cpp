// The string-list editor's split and join: nothing but separators, line
// breaks and edge blanks is lost or invented, and OK without edits is stable.
#include <cwctype>
#include <string>
#include <string_view>

#include "fuzz_text.h"
#include "core/string_list.h"

namespace {

bool IsBlank(char16_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

template <typename Drop>
std::u16string Without(std::u16string_view text, Drop drop) {
    std::u16string kept;
    for (const char16_t c : text) {
        if (!drop(c)) kept += c;
    }
    return kept;
}

bool IsSeparatorOrBreak(char16_t c) { return c == u';' || c == u',' || c == u'\r' || c == u'\n'; }
bool IsBlankOrSemicolon(char16_t c) { return c == u';' || IsBlank(c); }

// The list an unquoted, blank-free list must come back as: its non-empty
// entries joined by ";".
std::u16string PlainEntries(std::u16string_view list) {
    std::u16string joined, entry;
    for (size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != u';' && list[i] != u',') {
            entry += list[i];
            continue;
        }
        if (entry.empty()) continue;
        if (!joined.empty()) joined += u';';
        joined += entry;
        entry.clear();
    }
    return joined;
}

void CheckJoin(std::u16string_view lines, const std::u16string& list) {
    FUZZ_CHECK(list.find(u"\r\n") == std::u16string::npos);
    FUZZ_CHECK(list.empty() || (!IsBlank(list.front()) && list.back() != u';'));
    FUZZ_CHECK(Without(list, IsBlankOrSemicolon) == Without(lines, IsBlankOrSemicolon));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = qz::fuzz::DecodeText(data, size);

    const std::u16string lines = qz::core::SplitListIntoLines(text);
    FUZZ_CHECK(lines.empty() || (lines.size() >= 2 && lines.compare(lines.size() - 2, 2, u"\r\n") == 0));
    FUZZ_CHECK(Without(lines, IsSeparatorOrBreak) == Without(text, IsSeparatorOrBreak));

    const std::u16string back = qz::core::JoinLinesIntoList(lines);
    CheckJoin(lines, back);
    // OK again may only shed blanks and semicolons that the first pass left at
    // the end (";" is removed after the lines were trimmed).
    const std::u16string again = qz::core::JoinLinesIntoList(qz::core::SplitListIntoLines(back));
    FUZZ_CHECK(back.compare(0, again.size(), again) == 0 &&
               Without(back.substr(again.size()), IsBlankOrSemicolon).empty());
    if (text.find_first_of(u"'\"") == std::u16string::npos && Without(text, IsBlank) == text) {
        FUZZ_CHECK(back == PlainEntries(text));
    }

    CheckJoin(text, qz::core::JoinLinesIntoList(text));
    return 0;
}
