// The first-run seeding of a new user's options settings key.
#pragma once

#include <windows.h>

#include <string>

namespace qz::settings {

// Called exactly when the options settings key (below HKEY_CURRENT_USER) had
// to be created; its result becomes the result of establishing the key.
HRESULT SeedFirstRun(const std::wstring& settingsPath);

}  // namespace qz::settings
