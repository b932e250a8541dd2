// The Compilers page: the compiler of each platform, its directories and default
// options (template IDD_COMPILERS_PPG of the satellite).
#pragma once

#include <windows.h>

#include "QZToolOpt.h"
#include "platform/vs_interfaces.h"

namespace qz::pages {

// Fills `sheet` for the Compilers page and keeps `model` for it.
HRESULT CreateCompilersPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet);

INT_PTR CALLBACK CompilersPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qz::pages
