// The General page: source file extensions and build log switches (template
// IDD_GENERAL_PPG of the satellite).
#pragma once

#include <windows.h>

#include "QZToolOpt.h"
#include "platform/vs_interfaces.h"

namespace qz::pages {

// Fills `sheet` for the General page and keeps `model` for it.
HRESULT CreateGeneralPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet);

INT_PTR CALLBACK GeneralPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qz::pages
