#include "compilers/compiler_keys.h"

#include <windows.h>

#include <algorithm>

#include "platform/host.h"

namespace qz::compilers {
namespace {

struct NamePair {
    const wchar_t* from;
    const wchar_t* to;
};

constexpr NamePair kPlatformArchs[] = {
    {L"Ventrix", L"Ventrix"},
    {L"Win32", L"PX32"},
    {L"x64", L"HY64"},
};

constexpr NamePair kIdePlatforms[] = {
    {L"Win64 (Ventrix)", L"Ventrix"},
    {L"Win32", L"Win32"},
    {L"Win64 (AMD64)", L"x64"},
};

bool EqualIgnoringCase(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

template <size_t N>
std::wstring Translate(const NamePair (&table)[N], const std::wstring& name) {
    for (const NamePair& pair : table) {
        if (EqualIgnoringCase(name, pair.from)) return pair.to;
    }
    return name;
}

}  // namespace

const std::array<CompilerKeyInfo, 5> kCompilerKeys = {{
    {L"PX32_PX32", L"PX32", L"PX32"},
    {L"PX32_Ventrix", L"Ventrix", L"Ventrix"},
    {L"PX32_HY64", L"HY64", L"HY64"},
    {L"HY64_HY64", L"HY64_NATIVE", L"HY64"},
    {L"Ventrix_Ventrix", L"Ventrix_NATIVE", L"Ventrix"},
}};

TargetPlatform TargetOf(const std::wstring& compilerKey) {
    const size_t underscore = compilerKey.find(L'_');
    const std::wstring target = underscore == std::wstring::npos ? std::wstring() : compilerKey.substr(underscore + 1);
    if (target == L"HY64") return {L"x64", L"Tavrel(R) 64"};
    if (target == L"Ventrix") return {L"Ventrix", L"PX-64"};
    return {L"Win32", L"PX-32"};
}

OfferDecision DecideOffer(const core::CmplrVersion& version, const std::wstring& compilerKey) {
    OfferDecision decision;
    decision.version = version.major * 10 + version.minor;
    decision.x64Host = platform::X64Host();
    if (decision.version < kLowestOffered || decision.version > kHighestOffered) {
        decision.reason = OfferReason::VersionOutOfRange;
    } else if (compilerKey == L"Ventrix_Ventrix") {
        decision.reason = OfferReason::NativeEpic;
    } else if ((compilerKey == L"HY64_HY64" && !decision.x64Host) ||
               (compilerKey == L"PX32_HY64" && decision.x64Host)) {
        decision.reason = OfferReason::NotThisHost;
    }
    return decision;
}

std::vector<std::wstring> PlatformNames() {
    std::vector<std::wstring> names;
    for (const CompilerKeyInfo& info : kCompilerKeys) {
        std::wstring name = TargetOf(info.key).platform;
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
    return names;
}

std::wstring PlatformToArch(const std::wstring& platform) { return Translate(kPlatformArchs, platform); }

std::wstring NormalizePlatformName(const std::wstring& idePlatform) { return Translate(kIdePlatforms, idePlatform); }

}  // namespace qz::compilers
