#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "doctor.h"
#include "session.h"
#include "platform/host.h"
#include "testing/memory_registry.h"

namespace qz::host::doctor {
namespace {

using compilers::Setting;
using test::MemoryRegistry;

constexpr wchar_t kCompilers[] = L"Software\\Tavrel\\Compilers\\Fortran\\";

std::wstring Key(const std::wstring& tail) { return kCompilers + tail; }

class DoctorTest : public ::testing::Test {
protected:
    MemoryRegistry registry;
    platform::ScopedRegistry scope{registry};
    platform::ScopedX64Host host{true};
};

// The other reasons are met in the sample installation (sample_commands_test).
TEST_F(DoctorTest, GivesEachRecordItsReason) {
    const struct {
        const wchar_t* key;  // below the compilers key
        Verdict verdict;
    } rows[] = {
        {L"111.065\\PX32", Verdict::Offered},  // walked first: the higher of two equal versions
        {L"11.1.065\\PX32", Verdict::Duplicate},
        {L"12.0.001\\Ventrix", Verdict::Unreadable},
    };
    for (const auto& row : rows) registry.SetString(HKEY_LOCAL_MACHINE, Key(row.key), L"ProductDir", L"C:\\x");
    registry.FailOn(platform::RegOp::Open, L"HKEY_LOCAL_MACHINE\\" + Key(L"12.0.001\\Ventrix"), ERROR_ACCESS_DENIED);

    const std::vector<Found> found = FindCompilers();
    const std::vector<Verdict> verdicts = Judge(found);
    ASSERT_EQ(found.size(), std::size(rows));
    for (const auto& row : rows) {
        const auto at = std::find_if(found.begin(), found.end(),
                                     [&](const Found& f) { return f.record.registryKey == Key(row.key); });
        ASSERT_NE(at, found.end()) << row.key;
        EXPECT_EQ(verdicts[at - found.begin()], row.verdict) << row.key;
    }
    // The unreadable one keeps its version (from the key name) and its place in version order.
    EXPECT_EQ(found.back().record.registryKey, Key(L"12.0.001\\Ventrix"));
    EXPECT_EQ(found.back().record.version.OrderKey(), 120001);
}

TEST_F(DoctorTest, HostRuleTurnsOnANonX64Host) {
    platform::ScopedX64Host notX64(false);
    registry.SetString(HKEY_LOCAL_MACHINE, Key(L"111.065\\HY64"), L"ProductDir", L"C:\\x");
    registry.SetString(HKEY_LOCAL_MACHINE, Key(L"111.065\\HY64_NATIVE"), L"ProductDir", L"C:\\x");
    const std::vector<Found> found = FindCompilers();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(Judge(found), (std::vector<Verdict>{Verdict::Offered, Verdict::HostRule}));
}

TEST_F(DoctorTest, LocatesEachSettingsLayer) {
    const std::wstring compiler = Key(L"111.065\\PX32");
    const std::wstring vsNet = compiler + L"\\VSNet2005";
    const std::wstring settings = std::wstring(kUserSettingsKey) + L"\\111.065\\PX32_PX32";
    struct Placement {
        HKEY root;
        std::wstring key;
    };
    const struct {
        Setting setting;
        std::vector<Placement> placed;  // each holds the value
        Source source;
    } rows[] = {
        {Setting::IncludeDirs, {{HKEY_CURRENT_USER, settings}, {HKEY_LOCAL_MACHINE, vsNet}}, Source::Committed},
        {Setting::IncludeDirs, {{HKEY_LOCAL_MACHINE, vsNet}, {HKEY_LOCAL_MACHINE, compiler}}, Source::VsNetMachine},
        {Setting::LibDirs, {{HKEY_LOCAL_MACHINE, compiler}, {HKEY_CURRENT_USER, compiler}}, Source::KeyMachine},
        {Setting::LibDirs, {{HKEY_CURRENT_USER, compiler}}, Source::KeyUser},
        // For directories the IDE's subkey is chosen by the machine's value alone.
        {Setting::BinDirs, {{HKEY_CURRENT_USER, vsNet}}, Source::Nowhere},
        {Setting::DefaultOptions, {{HKEY_CURRENT_USER, vsNet}}, Source::VsNetUser},
        {Setting::DefaultOptions, {{HKEY_LOCAL_MACHINE, compiler}}, Source::Nowhere},  // only for this IDE
        {Setting::BinDirs, {}, Source::Nowhere},
    };
    for (const auto& row : rows) {
        MemoryRegistry own;
        platform::ScopedRegistry ownScope(own);
        for (const Placement& place : row.placed) own.SetString(place.root, place.key, ValueName(row.setting), L"d");
        const Located located = Locate(settings, compiler, row.setting);
        EXPECT_EQ(located.source, row.source) << ValueName(row.setting) << " placed " << row.placed.size();
        if (row.setting == Setting::BinDirs && row.source == Source::Nowhere) {
            EXPECT_EQ(located.text, L"$(PATH)");
        }
    }
}

// A directory on another machine is probed only when asked: probing it
// contacts that machine (and on Windows offers it the user's credentials).
TEST_F(DoctorTest, ListsMissingDirectoriesAndProbesNetworkOnesOnlyWhenAsked) {
    const std::set<std::wstring> onDisk = {L"C:\\inc", L"\\\\host\\share"};
    std::vector<std::wstring> asked;
    const auto exists = [&](const std::wstring& dir) {
        asked.push_back(dir);
        return onDisk.count(dir) != 0;
    };
    const std::wstring list =
        L"C:\\inc;;C:\\gone;$(PATH);\\\\host\\share;//host/gone;\\\\?\\UNC\\host\\x;"
        L"\\\\?\\C:\\local;D:\\also gone";
    const std::vector<std::wstring> local = {L"C:\\inc", L"C:\\gone", L"\\\\?\\C:\\local", L"D:\\also gone"};
    const std::vector<std::wstring> network = {L"\\\\host\\share", L"//host/gone", L"\\\\?\\UNC\\host\\x"};

    DirectoryCheck check = CheckDirectories(list, exists, false);
    EXPECT_EQ(asked, local);
    EXPECT_EQ(check.missing, (std::vector<std::wstring>{L"C:\\gone", L"\\\\?\\C:\\local", L"D:\\also gone"}));
    EXPECT_EQ(check.unchecked, network);

    asked.clear();
    check = CheckDirectories(list, exists, true);
    EXPECT_EQ(asked.size(), local.size() + network.size());
    EXPECT_EQ(check.missing, (std::vector<std::wstring>{L"C:\\gone", L"//host/gone", L"\\\\?\\UNC\\host\\x",
                                                        L"\\\\?\\C:\\local", L"D:\\also gone"}));
    EXPECT_TRUE(check.unchecked.empty());
    EXPECT_TRUE(CheckDirectories(L"$(PATH)", exists, true).missing.empty());
}

TEST_F(DoctorTest, FlagsSelectionsThatNoOfferedCompilerMatches) {
    registry.SetString(HKEY_LOCAL_MACHINE, Key(L"111.065\\PX32"), L"ProductDir", L"C:\\x");
    registry.SetString(HKEY_LOCAL_MACHINE, Key(L"111.065\\HY64"), L"ProductDir", L"C:\\x");  // not on x64
    const std::wstring selected = std::wstring(kUserSettingsKey) + L"\\SelectedCompilers";
    registry.SetString(HKEY_CURRENT_USER, selected, L"PX32", L"111.065|px32_px32");  // case ignored
    registry.SetString(HKEY_CURRENT_USER, selected, L"HY64", L"111.065|PX32_HY64");
    registry.SetString(HKEY_CURRENT_USER, selected, L"Ventrix", L"");  // cleared: the default, knowingly

    const std::vector<Selection> stored = ReadSelections();
    EXPECT_EQ(stored.size(), 2u);
    const std::vector<Found> found = FindCompilers();
    EXPECT_EQ(StaleSelections(stored, found, Judge(found)), (std::vector<Selection>{{L"HY64", L"111.065|PX32_HY64"}}));
    // An identifier stored under another platform's key does not match either.
    EXPECT_EQ(StaleSelections({{L"HY64", L"111.065|PX32_PX32"}}, found, Judge(found)).size(), 1u);
}

}  // namespace
}  // namespace qz::host::doctor
