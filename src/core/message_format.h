// Message texts with numbered arguments. Portable: no window system, so it
// also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qz::core {

// Replaces the placeholders of `pattern`: "%1".."%9" stand for args[0]..args[8],
// "%A".."%Z" for args[9]..args[34]. A placeholder whose argument number is not
// below `count` becomes "?", one whose argument is null is removed. A "%"
// followed by anything else is copied and the character after it is read anew
// ("%%1" gives "%" and argument 0); a "%" at the end is kept. Arguments are
// inserted as they are, never scanned for placeholders themselves.
// Null `args` counts as no arguments.
std::u16string FormatPlaceholders(std::u16string_view pattern, const char16_t* const* args, size_t count);

}  // namespace qz::core
