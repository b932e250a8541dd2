#include <gtest/gtest.h>

#include <string>

#include "compilers/compiler_keys.h"
#include "platform/host.h"

namespace qz::compilers {
namespace {

// Tests run as 64-bit programs on an x86-64 machine.
TEST(X64HostTest, DetectsThisMachineAndYieldsToATestsFlag) {
    EXPECT_TRUE(platform::DetectX64Host());
    {
        platform::ScopedX64Host x86(false);
        EXPECT_FALSE(platform::X64Host());
    }
    EXPECT_TRUE(platform::X64Host());
}

TEST(IsCmplrOfferedTest, FollowsVersionRangeKeyAndHost) {
    const struct {
        core::CmplrVersion version;
        const wchar_t* key;
        bool onX86, onX64;
    } cases[] = {
        {{11, 1}, L"PX32_PX32", true, true},         {{11, 1}, L"PX32_Ventrix", true, true},
        {{11, 1}, L"PX32_HY64", true, false},        {{11, 1}, L"HY64_HY64", false, true},
        {{11, 1}, L"Ventrix_Ventrix", false, false}, {{11, 0}, L"PX32_PX32", true, true},
        {{12, 0}, L"HY64_HY64", false, true},        {{10, 1}, L"PX32_PX32", false, false},
        {{12, 1}, L"PX32_HY64", false, false},       {{12, -5}, L"PX32_PX32", true, true},  // signed: 115
        {{11, 1}, L"hy64_hy64", true, true},  // keys compare exactly: "any other key"
    };
    for (const auto& c : cases) {
        for (const bool x64 : {false, true}) {
            platform::ScopedX64Host host(x64);
            EXPECT_EQ(IsCmplrOffered(c.version, c.key), x64 ? c.onX64 : c.onX86)
                << int{c.version.major} << "." << int{c.version.minor} << " " << c.key << " x64 host " << x64;
        }
    }
}

TEST(CompilerKeysTest, MapsKeysAndPlatformNames) {
    const struct {
        const wchar_t *key, *platform, *label;
    } targets[] = {
        {L"PX32_PX32", L"Win32", L"PX-32"},
        {L"PX32_Ventrix", L"Ventrix", L"PX-64"},
        {L"PX32_HY64", L"x64", L"Tavrel(R) 64"},
        {L"HY64_HY64", L"x64", L"Tavrel(R) 64"},
        {L"Ventrix_Ventrix", L"Ventrix", L"PX-64"},
        {L"PX32_hy64", L"Win32", L"PX-32"},
        {L"HY64", L"Win32", L"PX-32"},
    };
    for (const auto& t : targets) {
        EXPECT_EQ(TargetOf(t.key).platform, t.platform) << t.key;
        EXPECT_EQ(TargetOf(t.key).archLabel, t.label) << t.key;
    }
    const struct {
        const wchar_t *in, *arch, *normalized;
    } names[] = {
        {L"WIN32", L"PX32", L"Win32"},
        {L"X64", L"HY64", L"X64"},
        {L"ventrix", L"Ventrix", L"ventrix"},
        {L"win64 (amd64)", L"win64 (amd64)", L"x64"},
        {L"WIN64 (VENTRIX)", L"WIN64 (VENTRIX)", L"Ventrix"},
        {L"Win64 (x64)", L"Win64 (x64)", L"Win64 (x64)"},
        {L"Win32 ", L"Win32 ", L"Win32 "},
    };
    for (const auto& n : names) {
        EXPECT_EQ(PlatformToArch(n.in), n.arch) << n.in;
        EXPECT_EQ(NormalizePlatformName(n.in), n.normalized) << n.in;
    }
}

}  // namespace
}  // namespace qz::compilers
