#include "core/extension_lists.h"

#include <cwctype>
#include <utility>

#include "satellite/resource_ids.h"

namespace qz::core {
namespace {

bool IsWhiteSpace(char16_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; }

// White space goes before semicolons, so ".f90 ;" keeps its blank.
void TrimEnd(std::u16string& list) {
    while (!list.empty() && IsWhiteSpace(list.back())) list.pop_back();
    while (!list.empty() && list.back() == u';') list.pop_back();
}

ExtensionListsCheck Failure(unsigned message, std::u16string entry) {
    return ExtensionListsCheck{false, message, std::move(entry)};
}

}  // namespace

std::vector<std::u16string> SplitExtensionList(std::u16string_view list) {
    std::vector<std::u16string> entries;
    for (;;) {
        const size_t end = list.find(u';');
        entries.emplace_back(list.substr(0, end));
        if (end == std::u16string_view::npos) return entries;
        list.remove_prefix(end + 1);
    }
}

std::u16string JoinExtensionLists(std::u16string_view first, std::u16string_view second) {
    std::u16string joined(first);
    if (!joined.empty()) {
        TrimEnd(joined);
        joined += u';';
    }
    joined += second;
    TrimEnd(joined);
    return joined;
}

std::u16string LowerExtensionList(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return lower;
}

bool IsExtensionInList(std::u16string_view entry, std::u16string_view list) {
    if (entry.empty()) return false;
    const size_t found = list.find(entry);
    if (found == std::u16string_view::npos) return false;
    const size_t after = found + entry.size();
    return after == list.size() || list[after] == u';';
}

std::u16string FindExtensionOverlap(std::u16string_view first, std::u16string_view second) {
    if (first.empty() || second.empty()) return {};
    const std::u16string lower_second = LowerExtensionList(second);
    for (std::u16string& entry : SplitExtensionList(LowerExtensionList(first))) {
        if (IsExtensionInList(entry, lower_second)) return std::move(entry);
    }
    return {};
}

ExtensionListsCheck CheckExtensionLists(const ExtensionLists& fields, const ExtensionLists& defaults) {
    for (const std::u16string* field :
         {&fields.free_source, &fields.free_header, &fields.fixed_source, &fields.fixed_header}) {
        if (field->empty()) continue;
        for (std::u16string& entry : SplitExtensionList(LowerExtensionList(*field))) {
            if (entry.empty() || entry.front() != u'.') return Failure(IDS_MSG_EXT_NO_DOT, std::move(entry));
        }
    }

    const std::u16string default_fixed = JoinExtensionLists(defaults.fixed_source, defaults.fixed_header);
    const std::u16string default_free = JoinExtensionLists(defaults.free_source, defaults.free_header);
    const std::u16string current_fixed = JoinExtensionLists(fields.fixed_source, fields.fixed_header);
    const std::u16string current_free = JoinExtensionLists(fields.free_source, fields.free_header);
    const std::u16string_view overlap_tests[][2] = {
        {current_free, default_fixed},
        {current_free, current_fixed},
        {current_fixed, default_free},
        {fields.free_source, fields.free_header},
        {fields.fixed_source, fields.fixed_header},
    };
    for (const auto& test : overlap_tests) {
        std::u16string entry = FindExtensionOverlap(test[0], test[1]);
        if (!entry.empty()) return Failure(IDS_MSG_EXT_IN_TWO_LISTS, std::move(entry));
    }
    return {};
}

}  // namespace qz::core
