// The General page's rules for its four lists of file extensions (entries
// separated by ";", each with its leading dot). Portable: no window system, so
// it also builds natively for fuzzing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz::core {

// The entries of `list`: every ";" ends one, so adjacent semicolons enclose an
// empty entry, a trailing ";" gives an empty last entry and an empty list one
// empty entry. Entries are not trimmed.
std::vector<std::u16string> SplitExtensionList(std::u16string_view list);

// `first` and `second` as one list: a non-empty `first` loses its trailing
// white space and then its trailing ";" and gets one ";"; `second` is appended;
// the result loses its trailing white space and then its trailing ";". White
// space is what the runtime's iswspace accepts, as in the string-list editor.
std::u16string JoinExtensionLists(std::u16string_view first, std::u16string_view second);

// Only A-Z are lowered, which is what the runtime's lower-casing does in its
// default "C" locale; other characters, non-ASCII letters among them, stay.
std::u16string LowerExtensionList(std::u16string_view text);

// Whether `entry` is in `list`, both already lower case. Only the first
// occurrence of the entry's text counts, and only what follows it: the end of
// the list or a ";". An empty entry is never a member.
bool IsExtensionInList(std::u16string_view entry, std::u16string_view list);

// The first entry of `first` (lower-cased) that is a member of `second`
// (lower-cased); empty when there is none or either list is empty.
std::u16string FindExtensionOverlap(std::u16string_view first, std::u16string_view second);

// The texts of the four fields, or the default texts of the options they show.
struct ExtensionLists {
    std::u16string free_source;   // field 1004, option 0
    std::u16string free_header;   // field 1007, option 1
    std::u16string fixed_source;  // field 1005, option 2
    std::u16string fixed_header;  // field 1006, option 3
};

struct ExtensionListsCheck {
    bool valid = true;
    unsigned message = 0;  // 1015 (no leading dot) or 1013 (in two lists); 0 when valid
    std::u16string entry;  // the message's "%1", lower case
};

// Validation when the user leaves the page, first failure wins: the first
// entry without a leading dot in the non-empty fields 1004, 1007, 1005, 1006;
// then the overlaps of current free-form against default fixed-form, current
// free-form against current fixed-form, current fixed-form against default
// free-form, 1004 against 1007 and 1005 against 1006 (free-form and fixed-form
// lists being the joins of their source and header lists).
ExtensionListsCheck CheckExtensionLists(const ExtensionLists& fields, const ExtensionLists& defaults);

}  // namespace qz::core
