// The General page's extension-list rules. Input: up to eight texts separated
// by NUL, the four fields (1004, 1007, 1005, 1006) and then the four defaults;
// missing defaults are the options' own.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "core/extension_lists.h"
#include "satellite/resource_ids.h"

namespace {

using qz::core::ExtensionLists;

const ExtensionLists kOptionDefaults{u".f90", u"", u".f;.for;.fpp", u".fi;.fd"};

bool HasDot(const std::u16string& entry) { return !entry.empty() && entry.front() == u'.'; }

std::vector<std::u16string> LoweredEntries(const std::u16string& list) {
    return qz::core::SplitExtensionList(qz::core::LowerExtensionList(list));
}

// One list, and its join and overlap with the next: split and lower-casing
// keep every character, and membership agrees with the split.
void CheckList(const std::u16string& list, const std::u16string& next) {
    const std::vector<std::u16string> entries = qz::core::SplitExtensionList(list);
    FUZZ_CHECK(entries.size() == static_cast<size_t>(std::count(list.begin(), list.end(), u';')) + 1);
    std::u16string rejoined = entries.front();
    for (size_t i = 1; i < entries.size(); ++i) rejoined += u";" + entries[i];
    FUZZ_CHECK(rejoined == list);

    const std::u16string lower = qz::core::LowerExtensionList(list);
    FUZZ_CHECK(lower.size() == list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const bool upper = list[i] >= u'A' && list[i] <= u'Z';
        FUZZ_CHECK(lower[i] == (upper ? list[i] + (u'a' - u'A') : list[i]));
    }

    // An entry that is its text's first occurrence is a member of its list,
    // so a list's first entry is its overlap with itself.
    const std::vector<std::u16string> lowered = qz::core::SplitExtensionList(lower);
    size_t offset = 0;
    for (const std::u16string& entry : lowered) {
        if (!entry.empty() && lower.find(entry) == offset) FUZZ_CHECK(qz::core::IsExtensionInList(entry, lower));
        offset += entry.size() + 1;
    }
    if (!lowered.front().empty()) FUZZ_CHECK(qz::core::FindExtensionOverlap(list, list) == lowered.front());

    const std::u16string joined = qz::core::JoinExtensionLists(list, next);
    FUZZ_CHECK(joined.empty() || joined.back() != u';');
    // Trimming the join never reaches back into the first list as trimmed alone.
    const std::u16string alone = qz::core::JoinExtensionLists(list, u"");
    FUZZ_CHECK(alone == qz::core::JoinExtensionLists(u"", list));
    FUZZ_CHECK(joined.compare(0, alone.size(), alone) == 0);

    // A member of another list ends one of its entries.
    const std::u16string next_lower = qz::core::LowerExtensionList(next);
    const std::vector<std::u16string> next_entries = qz::core::SplitExtensionList(next_lower);
    const auto ends_an_entry = [&](const std::u16string& entry) {
        return std::any_of(next_entries.begin(), next_entries.end(), [&](const std::u16string& other) {
            return other.size() >= entry.size() && other.compare(other.size() - entry.size(), entry.size(), entry) == 0;
        });
    };
    for (const std::u16string& entry : lowered) {
        if (qz::core::IsExtensionInList(entry, next_lower)) FUZZ_CHECK(ends_an_entry(entry));
    }
    const std::u16string overlap = qz::core::FindExtensionOverlap(list, next);
    if (!overlap.empty()) {
        FUZZ_CHECK(std::find(lowered.begin(), lowered.end(), overlap) != lowered.end());
        FUZZ_CHECK(qz::core::IsExtensionInList(overlap, next_lower) && ends_an_entry(overlap));
    }
}

ExtensionLists Lowered(const ExtensionLists& lists) {
    return {qz::core::LowerExtensionList(lists.free_source), qz::core::LowerExtensionList(lists.free_header),
            qz::core::LowerExtensionList(lists.fixed_source), qz::core::LowerExtensionList(lists.fixed_header)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::u16string> texts = qz::fuzz::SplitFields(qz::fuzz::DecodeText(data, size));
    const bool own_defaults = texts.size() > 4;
    texts.resize(8);
    for (size_t i = 0; i < 8; ++i) CheckList(texts[i], texts[(i + 1) % 8]);

    const ExtensionLists fields{texts[0], texts[1], texts[2], texts[3]};
    const ExtensionLists defaults =
        own_defaults ? ExtensionLists{texts[4], texts[5], texts[6], texts[7]} : kOptionDefaults;
    const qz::core::ExtensionListsCheck check = qz::core::CheckExtensionLists(fields, defaults);

    // Case never matters: the rules compare and name lower-cased entries.
    const qz::core::ExtensionListsCheck lowered = qz::core::CheckExtensionLists(Lowered(fields), Lowered(defaults));
    FUZZ_CHECK(lowered.valid == check.valid && lowered.message == check.message && lowered.entry == check.entry);

    FUZZ_CHECK(check.valid == (check.message == 0));
    bool all_dotted = true;
    bool named_entry_found = false;
    for (const std::u16string* field :
         {&fields.free_source, &fields.free_header, &fields.fixed_source, &fields.fixed_header}) {
        if (field->empty()) continue;
        for (const std::u16string& entry : LoweredEntries(*field)) {
            all_dotted = all_dotted && HasDot(entry);
            named_entry_found = named_entry_found || entry == check.entry;
        }
    }
    switch (check.message) {
    case 0:
        FUZZ_CHECK(all_dotted && check.entry.empty());
        break;
    case IDS_MSG_EXT_NO_DOT:
        FUZZ_CHECK(!all_dotted && named_entry_found && !HasDot(check.entry));
        break;
    case IDS_MSG_EXT_IN_TWO_LISTS:
        FUZZ_CHECK(all_dotted && HasDot(check.entry));
        FUZZ_CHECK(check.entry.find(u';') == std::u16string::npos &&
                   check.entry == qz::core::LowerExtensionList(check.entry));
        break;
    default:
        FUZZ_CHECK(!"a known message");
    }
    return 0;
}
