// The GAP page: the six settings of the compiler's guided auto-parallelization
// analysis (template IDD_GAP_PPG of the satellite).
#pragma once

#include <windows.h>

#include "QZToolOpt.h"
#include "platform/vs_interfaces.h"

namespace qz::pages {

// Fills `sheet` for the GAP page and keeps `model` for it.
HRESULT CreateGapPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet);

INT_PTR CALLBACK GapPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qz::pages
