// The one-line form of a list (entries separated by ";") and its one-entry-
// per-line form in the string-list editor. Portable: no window system, so it
// also builds natively for fuzzing.
#pragma once

#include <string>
#include <string_view>

namespace qz::core {

// The lines the editor shows for `list`, each ended by CR LF; empty for an
// empty list. ";" and "," separate entries, except inside a part quoted with
// '"' or '\''; the quotes stay with their entry, and what follows a closing
// quote that is no separator stays on the same line. Empty entries are
// dropped. An unmatched quote ends the splitting: the rest of the list, from
// the end of the last complete entry, stands as it is on the last line.
std::u16string SplitListIntoLines(std::u16string_view list);

// The list the editor gives back for the text of its lines: the lines (cut at
// CR LF only) trimmed of white space at both ends by the runtime's iswspace,
// blank ones skipped, joined by ";"; every ";" at the very end is removed.
std::u16string JoinLinesIntoList(std::u16string_view lines);

}  // namespace qz::core
