// Compiler keys (the architecture a compiler runs on, "_", the one it builds
// for), which of them are offered on this host, and the platform names and
// architecture keys derived from them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/version.h"

namespace qz::compilers {

struct CompilerKeyInfo {
    const wchar_t* key;         // "PX32_HY64"
    const wchar_t* archSubkey;  // the subkey of a compiler version key that holds it
    const wchar_t* targetPart;  // the text after the first "_"
};

// In the order discovery probes them.
extern const std::array<CompilerKeyInfo, 5> kCompilerKeys;

struct TargetPlatform {
    std::wstring platform;   // "Win32", "x64", "Ventrix"
    std::wstring archLabel;  // shown to users: "PX-32", "Tavrel(R) 64", "PX-64"
};

// By the target part of the key alone; a part that is neither "HY64" nor
// "Ventrix" (case-sensitive) is Win32.
TargetPlatform TargetOf(const std::wstring& compilerKey);

// The versions offered, as major * 10 + minor: 11.0 to 12.0.
inline constexpr int kLowestOffered = 110;
inline constexpr int kHighestOffered = 120;

// Why a discovered compiler is offered on this host or not, in the order the
// rule tests it.
enum class OfferReason { Offered, VersionOutOfRange, NativeEpic, NotThisHost };

struct OfferDecision {
    OfferReason reason = OfferReason::Offered;
    int version = 0;       // major * 10 + minor, as the range compares it
    bool x64Host = false;  // the host the rule was applied for
    bool Offered() const { return reason == OfferReason::Offered; }
};

// Versions kLowestOffered to kHighestOffered only; for x64 targets the native
// compiler on an x64 host and the cross compiler elsewhere; never the native
// EPIC one.
OfferDecision DecideOffer(const core::CmplrVersion& version, const std::wstring& compilerKey);
inline bool IsCmplrOffered(const core::CmplrVersion& version, const std::wstring& compilerKey) {
    return DecideOffer(version, compilerKey).Offered();
}

// The platforms that the compiler keys target ("Win32", "Ventrix", "x64"), each once.
std::vector<std::wstring> PlatformNames();

// The architecture key under which a platform's selection is stored:
// "Win32" -> "PX32", "x64" -> "HY64", "Ventrix" -> "Ventrix" (case ignored);
// any other name unchanged.
std::wstring PlatformToArch(const std::wstring& platform);

// The model's name for a platform as the IDE's platform registry spells it:
// "Win64 (AMD64)" -> "x64", "Win64 (Ventrix)" -> "Ventrix", "Win32" -> "Win32"
// (case ignored); any other name unchanged.
std::wstring NormalizePlatformName(const std::wstring& idePlatform);

}  // namespace qz::compilers
