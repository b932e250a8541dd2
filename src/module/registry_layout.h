// Every registry key path and value name that the package reads or writes:
// the IDE's keys, the installed compilers', the product's own record, and the
// user's settings below the options settings key. Paths are below the hive
// named beside them.
#pragma once

#include <array>
#include <cstddef>

namespace qz::module {

// Two texts joined at compile time, so that a path is spelt once.
template <std::size_t A, std::size_t B>
constexpr std::array<wchar_t, A + B - 1> JoinPath(const wchar_t (&first)[A], const wchar_t (&second)[B]) {
    std::array<wchar_t, A + B - 1> joined{};
    for (std::size_t i = 0; i + 1 < A; ++i) joined[i] = first[i];
    for (std::size_t i = 0; i < B; ++i) joined[A - 1 + i] = second[i];
    return joined;
}

// ---- the IDE's ----

// The IDE's registry root without a root suffix: its local registry's
// default root (HKEY_CURRENT_USER) and where registration writes (HKEY_LOCAL_MACHINE).
inline constexpr wchar_t kIdeRoot[] = L"Software\\Microsoft\\VisualStudio\\8.0";
// The platforms the VC component builds for, one subkey each (HKEY_LOCAL_MACHINE).
inline constexpr auto kVcPlatformsKey = JoinPath(kIdeRoot, L"\\VC\\VC_OBJECTS_PLATFORM_INFO");

// ---- the user's settings (HKEY_CURRENT_USER) ----

// The options settings key below the IDE's local registry root.
inline constexpr wchar_t kSettingsBelowIdeRoot[] = L"\\Tavrel Fortran\\QZToolOpt\\120";
// The options settings key for the IDE's default root.
inline constexpr auto kDefaultSettingsKey = JoinPath(kIdeRoot, kSettingsBelowIdeRoot);
// Below the options settings key: the selected compiler per architecture key.
inline constexpr wchar_t kSelectionsSubkey[] = L"SelectedCompilers";

// The thirteen options, values of the options settings key.
inline constexpr wchar_t kFreeSourceExtValue[] = L"ExtFree";
inline constexpr wchar_t kFreeHeaderExtValue[] = L"HeadersFree";
inline constexpr wchar_t kFixedSourceExtValue[] = L"ExtFixed";
inline constexpr wchar_t kFixedHeaderExtValue[] = L"HeadersFixed";
inline constexpr wchar_t kBuildLogValue[] = L"LogBuilds";
inline constexpr wchar_t kEnvInBuildLogValue[] = L"ShowEnvInLog";
inline constexpr wchar_t kContinueOnErrorsValue[] = L"ContinueOnErrors";
inline constexpr wchar_t kGapLevelValue[] = L"GapLevel";
inline constexpr wchar_t kGapSuppressWarningsValue[] = L"GapSuppressWarnings";
inline constexpr wchar_t kGapSuppressRemarksValue[] = L"GapSuppressRemarks";
inline constexpr wchar_t kGapRemarksToFileValue[] = L"GapRemarksToFile";
inline constexpr wchar_t kGapRemarksFileValue[] = L"GapRemarksFile";
inline constexpr wchar_t kGapShowDialogsValue[] = L"GapShowDialogs";

// ---- the product and its compilers (HKEY_LOCAL_MACHINE) ----

// The product's installation record, which a new user's first run requires.
inline constexpr wchar_t kProductKey[] = L"Software\\Tavrel\\IDE\\Fortran\\120";
// One subkey per installed compiler version, and below it one per architecture.
inline constexpr wchar_t kCompilersKey[] = L"Software\\Tavrel\\Compilers\\Fortran";
// Below an architecture key: the values registered for this IDE, read first.
inline constexpr wchar_t kForThisIdeSubkey[] = L"VSNet2005";

// Values of a compiler version key.
inline constexpr wchar_t kMajorVersionValue[] = L"Major Version";
inline constexpr wchar_t kMinorVersionValue[] = L"Minor Version";
inline constexpr wchar_t kRevisionValue[] = L"Revision";
inline constexpr wchar_t kSuiteNameValue[] = L"SuiteName";
// Values of an architecture key (ProductDir and ProductId also of its version key).
inline constexpr wchar_t kDisplayStringValue[] = L"DisplayString";
inline constexpr wchar_t kProductDirValue[] = L"ProductDir";
inline constexpr wchar_t kProductIdValue[] = L"ProductId";
inline constexpr wchar_t kCompilerInfoValue[] = L"CompilerInfo";
inline constexpr wchar_t kDocumentationDirValue[] = L"DocumentationDir";
// The directory layers: values of an architecture key, of its kForThisIdeSubkey
// and, for the user, of the compiler settings key below the options settings key.
inline constexpr wchar_t kIncludeDirValue[] = L"IncludeDir";
inline constexpr wchar_t kLibDirValue[] = L"LibDir";
inline constexpr wchar_t kBinDirValue[] = L"BinDir";
inline constexpr wchar_t kDefaultOptionsValue[] = L"DefaultOptions";

}  // namespace qz::module
