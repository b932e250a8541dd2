// Identifiers the package answers to besides those of its type library.
#pragma once

#include <windows.h>

#include "QZToolOpt.h"

namespace qz::module {

// The tool-options service is named by its interface's identifier.
inline constexpr const GUID& SID_SQZToolOptions = IID_IQZToolOptions;

// The name under which automation clients reach the options model.
inline constexpr wchar_t kAutomationName[] = L"Tavrel Fortran ToolOptions.General";

// The three Tools > Options pages.
inline constexpr GUID GUID_TOGeneralPPG = {
    0x878704E3, 0xA6F6, 0x45B2, {0x84, 0x61, 0xAE, 0x18, 0x9C, 0x65, 0x43, 0x62}};
inline constexpr GUID GUID_TOCompilerPPG = {
    0x31921995, 0x2333, 0x4D69, {0x9B, 0x44, 0xC7, 0xEA, 0x9C, 0xE2, 0x36, 0x9B}};
inline constexpr GUID GUID_TOGAPPPG = {0x58E73811, 0x510C, 0x420C, {0xB6, 0x7B, 0x39, 0xF1, 0x84, 0x9A, 0x03, 0xC9}};

}  // namespace qz::module
