// doctor explains the package's own decisions: over a varied installation, the
// compilers it calls offered are exactly those the package lists, every
// directory source it names is where the package's read came from, and a
// selection it calls stale is one the package passes over.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "commands.h"
#include "doctor.h"
#include "platform/host.h"
#include "support/sited_package.h"

namespace qz::host::doctor {
namespace {

using compilers::Layer;
using compilers::Setting;

const std::wstring kCompilers = L"Software\\Tavrel\\Compilers\\Fortran\\";
const std::wstring kSettings = kUserSettingsKey;
const std::wstring kHostRule = L"not offered on this host (x64 targets: native on x64, cross elsewhere)";

// Each text value names its own place, so the value the package reads tells where it was found.
std::wstring PlaceOf(const compilers::SettingValue& value) {
    const std::wstring hive = value.hive == HKEY_LOCAL_MACHINE ? L"machine " : L"user ";
    const wchar_t* const layers[] = {L"committed", L"vsnet", L"key", L""};
    return value.layer == Layer::Committed ? L"committed" : hive + layers[static_cast<int>(value.layer)];
}

class DoctorAgreesTest : public test::SitedPackageTest, public ::testing::WithParamInterface<bool> {
protected:
    platform::ScopedX64Host host_{GetParam()};
};

TEST_P(DoctorAgreesTest, WithThePackageOnOfferDirectoriesAndSelections) {
    const bool x64 = GetParam();
    const HKEY m = HKEY_LOCAL_MACHINE, u = HKEY_CURRENT_USER;
    const std::wstring px32 = kCompilers + L"111.065\\PX32", newest = kCompilers + L"12.0.000\\PX32";
    const std::wstring committed = kSettings + L"\\120.000\\PX32_PX32";
    const std::map<std::wstring, std::wstring> reasons = {
        {L"12.1.000\\PX32", L"not offered: version outside 11.0 to 12.0"},
        {L"12.0.000\\PX32", L"offered"},
        {L"11.0.000\\PX32", L"offered"},
        {L"111.065\\PX32", L"offered"},
        {L"111.065\\Ventrix", L"offered"},
        {L"111.065\\HY64", x64 ? kHostRule : L"offered"},
        {L"111.065\\HY64_NATIVE", x64 ? L"offered" : kHostRule},
        {L"111.065\\Ventrix_NATIVE", L"not offered: native EPIC compilers never are"},
        {L"11.1.065\\PX32", L"not offered: the same version and key is listed from another version key"},
        {L"10.1.025\\PX32", L"not offered: version outside 11.0 to 12.0"},
        {L"11.1.065.01", L"not read: the version key's name is longer than 9 characters"},
        {L"12.0.002\\HY64", L"not offered: the compiler key does not open"}};
    for (const auto& reason : reasons) {  // a version key alone gets a compiler below it
        const bool alone = reason.first.find(L'\\') == std::wstring::npos;
        registry.SetString(m, kCompilers + reason.first + (alone ? L"\\PX32" : L""), L"Dir", L"");
    }
    registry.FailOn(platform::RegOp::Open, L"HKEY_LOCAL_MACHINE\\" + kCompilers + L"12.0.002\\HY64",
                    ERROR_ACCESS_DENIED);
    const std::tuple<HKEY, std::wstring, const wchar_t*, const wchar_t*> placed[] = {
        {m, px32 + L"\\VSNet2005", L"IncludeDir", L"machine vsnet"},
        {m, px32, L"IncludeDir", L"machine key"},
        {m, px32, L"LibDir", L"machine key"},
        {u, px32, L"LibDir", L"user key"},
        {u, px32, L"BinDir", L"user key"},
        {u, px32 + L"\\VSNet2005", L"DefaultOptions", L"user vsnet"},
        {u, newest + L"\\VSNet2005", L"LibDir", L"user vsnet"},
        {m, newest + L"\\VSNet2005", L"BinDir", L"machine vsnet"},
        {u, committed, L"IncludeDir", L"committed"},
        {u, kSettings + L"\\SelectedCompilers", L"PX32", L"120.000|px32_PX32"},
        {u, kSettings + L"\\SelectedCompilers", L"HY64", L"111.065|PX32_HY64"}};
    for (const auto& [hive, key, name, place] : placed) registry.SetString(hive, key, name, place);
    registry.SetDword(m, newest + L"\\VSNet2005", L"LibDir", 1);  // this IDE's, but no text: the user's serves
    registry.SetDword(u, committed, L"DefaultOptions", 7);        // committed, but no text: the read fails

    const Findings findings = Examine(false);
    std::map<std::wstring, std::wstring> told;
    std::map<std::wstring, const Compiler*> offered;  // by platform and version
    for (const Compiler& compiler : findings.compilers) {
        const compilers::CCompilerRecord& record = compiler.listing.record;
        told[record.registryKey.substr(kCompilers.size())] = ReasonText(compiler.listing);
        if (compiler.listing.reason != compilers::ListingReason::Listed) continue;
        offered[compilers::TargetOf(record.compilerKey).platform + L" " + compilers::VersionText(record.version)] =
            &compiler;
    }
    for (const auto& skipped : findings.skipped) told[skipped.path.substr(kCompilers.size())] = SkippedText(skipped);
    EXPECT_EQ(told, reasons);

    using Getter = HRESULT (STDMETHODCALLTYPE IQZToolOptions::*)(INT, BSTR*);
    const Getter getters[] = {&IQZToolOptions::GetCmplrIncludePaths, &IQZToolOptions::GetCmplrLibPaths,
                              &IQZToolOptions::GetCmplrBinPath, &IQZToolOptions::GetCmplrDefaultOptions};
    // The service answers the default for a stale selection; the model tells.
    platform::ComPtr<IQZGeneralPPG> model;
    ASSERT_EQ(sited.AskAutomation(), S_OK);
    ASSERT_EQ(sited.automation.As(&model), S_OK);
    std::set<std::wstring> listed;
    INT count = 0;
    platform::SafeArray platforms, names, handles;
    ASSERT_EQ(service->GetFullPlatformsList(&count, platforms.Put()), S_OK);
    for (const std::wstring& name : platforms.Texts()) {
        platform::Bstr platform(name.c_str());
        ASSERT_EQ(service->GetPlatformCmplrs(platform.Get(), names.Put(), handles.Put()), S_OK);
        for (const INT handle : handles.Ints()) {
            platform::Bstr version;
            ASSERT_EQ(service->GetCmplrVersion(handle, version.Put()), S_OK);
            const std::wstring compiler = *listed.insert(name + L" " + version.Text()).first;
            for (size_t setting = 0; offered.count(compiler) && setting < std::size(getters); ++setting) {
                SCOPED_TRACE(compiler + L" " + compilers::ValueName(Setting(setting)));
                const compilers::SettingValue& value = offered[compiler]->directories.at(setting).value;
                platform::Bstr read;
                const HRESULT hr = (service.Get()->*getters[setting])(handle, read.Put());
                std::wstring text = SUCCEEDED(hr) ? read.Text() : L"";
                if (Setting(setting) == Setting::BinDirs) text.resize(text.size() - std::min(text.size(), size_t{8}));
                EXPECT_EQ(SUCCEEDED(hr), value.readable || Setting(setting) == Setting::BinDirs);
                EXPECT_TRUE(text.empty() || PlaceOf(value) == text) << text;
            }
        }
        int selected = -1;
        ASSERT_EQ(model->GetSelectedCmplr(platform.Get(), &selected), S_OK);
        for (const Selection& selection : findings.selections) {
            EXPECT_TRUE(selection.platform != name ||
                        (selection.match.state == settings::SelectionState::Stale) == (selected == -1));
        }
    }
    std::set<std::wstring> doctorOffers;
    for (const auto& entry : offered) doctorOffers.insert(entry.first);
    EXPECT_EQ(doctorOffers, listed);
    EXPECT_EQ(findings.selections.size(), 2u);
    EXPECT_EQ(findings.Stale(), x64 ? 1u : 0u);

    // select takes what the package offers the platform (letter case ignored), nothing else.
    const auto select = [&](const wchar_t* platform, const wchar_t* compiler) {
        Report quiet(stderr);
        return SelectCompiler(service.Get(), sited.automation.Get(), quiet, {L"select", platform, compiler});
    };
    EXPECT_FALSE(select(L"x64", L"120.000|PX32_PX32"));
    EXPECT_FALSE(select(L"x64", x64 ? L"111.065|PX32_HY64" : L"111.065|HY64_HY64"));
    EXPECT_TRUE(select(L"X64", x64 ? L"111.065|hy64_HY64" : L"111.065|px32_HY64"));
    EXPECT_EQ(Examine(false).Stale(), 0u);
}

INSTANTIATE_TEST_SUITE_P(OnEitherHost, DoctorAgreesTest, ::testing::Bool());

// A directory on another machine is probed only when asked: probing it
// contacts that machine (and on Windows offers it the user's credentials).
TEST(DoctorTest, ListsMissingDirectoriesAndProbesNetworkOnesOnlyWhenAsked) {
    std::vector<std::wstring> asked;
    const auto exists = [&](const std::wstring& dir) {
        asked.push_back(dir);
        return dir == L"C:\\inc" || dir == L"\\\\host\\share";
    };
    const std::wstring list =
        L"C:\\inc;;C:\\gone;$(PATH);\\\\host\\share;//host/gone;\\\\?\\UNC\\host\\x;\\\\?\\C:\\local;D:\\also gone";
    const DirectoryCheck check = CheckDirectories(list, exists, false);
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"C:\\inc", L"C:\\gone", L"\\\\?\\C:\\local", L"D:\\also gone"}));
    EXPECT_EQ(check.missing, (std::vector<std::wstring>{L"C:\\gone", L"\\\\?\\C:\\local", L"D:\\also gone"}));
    EXPECT_EQ(check.unchecked, (std::vector<std::wstring>{L"\\\\host\\share", L"//host/gone", L"\\\\?\\UNC\\host\\x"}));
    EXPECT_EQ(CheckDirectories(list, exists, true).missing.size(), 5u);  // asked, every one of them
}

}  // namespace
}  // namespace qz::host::doctor
