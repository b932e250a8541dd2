// The user's choice of a compiler per platform: its identifier (packed
// version "|" compiler key) below the options settings key's
// "\SelectedCompilers", under the platform's architecture key.
#pragma once

#include <windows.h>

#include <string>

#include "compilers/compiler_list.h"

namespace qz::settings {

// The identifier stored for the platform; empty when none is stored, the
// selection was cleared or the registry refuses.
std::wstring ReadSelection(const std::wstring& settingsPath, const std::wstring& platformName);

// What a platform's stored selection names: nothing (none stored, or it was
// cleared), one of the platform's compilers, or none of them (stale: the
// default compiler then serves, silently).
enum class SelectionState { NoneStored, Matches, Stale };

struct SelectionMatch {
    SelectionState state = SelectionState::NoneStored;
    std::wstring identifier;                           // as stored
    const compilers::CCmplrEntry* compiler = nullptr;  // Matches: the first it names, letter case ignored
};

SelectionMatch MatchSelection(const std::wstring& settingsPath, const compilers::CPlatformEntry& platform);

// Stores `identifier` for the platform; an empty one clears the selection.
// E_FAIL without an options settings key (the root of HKEY_CURRENT_USER is
// never written) or when the registry refuses.
HRESULT WriteSelection(const std::wstring& settingsPath, const std::wstring& platformName,
                       const std::wstring& identifier);

}  // namespace qz::settings
