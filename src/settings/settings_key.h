// The options settings key: HKEY_CURRENT_USER, the IDE's local registry root,
// then "\Tavrel Fortran\QZToolOpt\120". The parent of every per-user setting.
#pragma once

#include <windows.h>

#include <string>

namespace qz::settings {

// The path is assembled in a buffer of this many characters, as the settings
// have always been kept: it holds at most one less.
inline constexpr size_t kSettingsPathRoom = 260;

// Establishes the key (opening it, or creating and seeding it) and answers its
// path. On failure the user has been told when the registry refused, and the
// model must stay unavailable.
HRESULT InitSettingsKey(std::wstring* path);

}  // namespace qz::settings
