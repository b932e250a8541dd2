// UTF-16 texts between the Windows side (wchar_t) and the portable pieces
// (char16_t), which also build on Linux, where wchar_t has 4 bytes.
#pragma once

#include <string>
#include <string_view>

namespace qz::core {

inline std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace qz::core
