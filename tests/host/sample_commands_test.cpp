// The host's read and select commands on its sample installation, through
// the package as the IDE sites it, with their JSON read back.
#include <gtest/gtest.h>

#include "commands.h"
#include "doctor.h"
#include "json_reader.h"
#include "platform/host.h"
#include "support/sited_package.h"

namespace qz::host {
namespace {

using test::Json;

// The reasons are plain ASCII texts.
std::string Ascii(doctor::Verdict verdict) {
    const std::wstring text = doctor::VerdictText(verdict);
    return std::string(text.begin(), text.end());
}

class SampleCommandsTest : public qz::test::SitedPackageTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallSample(report));
        SitedPackageTest::SetUp();
        ASSERT_EQ(package->GetAutomationObject(module::kAutomationName, automation.Put()), S_OK);
    }
    void TearDown() override {
        automation.Reset();
        SitedPackageTest::TearDown();
    }

    Json Compilers() { return Json::Parse(CompilersJson(service.Get(), automation.Get(), report)); }
    static const Json& Platform(const Json& compilers, const std::string& name) {
        for (const Json& platform : compilers.items) {
            if (platform["name"].text == name) return platform;
        }
        throw std::runtime_error("no platform " + name);
    }
    static const Json* ByIdentifier(const Json& platform, const std::string& identifier) {
        for (const Json& compiler : platform["compilers"].items) {
            if (compiler["identifier"].kind == Json::String && compiler["identifier"].text == identifier) {
                return &compiler;
            }
        }
        return nullptr;
    }

    platform::ScopedX64Host x64Host{true};
    Report report{stderr};
    platform::ComPtr<IDispatch> automation;
};

TEST_F(SampleCommandsTest, CompilersJsonNamesEveryOfferedCompilerByIdentifier) {
    const Json compilers = Compilers();
    EXPECT_FALSE(report.Failed());
    const struct {
        const char* platform;
        std::vector<std::string> identifiers;  // in the order listed: highest version first
    } rows[] = {
        {"Win32", {"120.001|PX32_PX32", "111.065|PX32_PX32"}},
        {"x64", {"120.001|HY64_HY64", "111.065|HY64_HY64"}},
        {"Ventrix", {"111.065|PX32_Ventrix"}},
    };
    for (const auto& row : rows) {
        const Json& platform = Platform(compilers, row.platform);
        std::vector<std::string> listed;
        for (const Json& compiler : platform["compilers"].items) listed.push_back(compiler["identifier"].text);
        EXPECT_EQ(listed, row.identifiers) << row.platform;
        EXPECT_EQ(platform["selected"].kind, Json::Null) << row.platform;
        EXPECT_EQ(platform["default"].number, platform["compilers"][0]["handle"].number) << row.platform;
    }
    const Json* withPackage = ByIdentifier(Platform(compilers, "Win32"), "111.065|PX32_PX32");
    ASSERT_NE(withPackage, nullptr);
    EXPECT_EQ((*withPackage)["packageInfo"].text, "Package 11.1.065, 32-bit tools");
    EXPECT_EQ((*withPackage)["directories"]["DefaultOptions"]["default"].text, "/nologo");
    EXPECT_EQ((*withPackage)["directories"]["IncludeDir"]["committed"].text,
              "C:\\Program Files\\Tavrel\\Compiler\\11.1\\065\\include\\vs2005");
}

TEST_F(SampleCommandsTest, SelectsByIdentifierOrHandleAndRefusesOthers) {
    const struct {
        std::vector<std::wstring> command;
        bool ok;
        const char* selected;  // the x64 choice afterwards, by identifier; null: none
    } rows[] = {
        {{L"select", L"x64", L"111.065|HY64_HY64"}, true, "111.065|HY64_HY64"},  {{L"clear", L"x64"}, true, nullptr},
        {{L"select", L"X64", L"111.065|hy64_hy64"}, true, "111.065|HY64_HY64"},   // letter case ignored
        {{L"select", L"x64", L"111.065|PX32_HY64"}, false, "111.065|HY64_HY64"},  // not offered on an x64 host
        {{L"select", L"x64", L"120.001|PX32_PX32"}, false, "111.065|HY64_HY64"},  // another platform's
        {{L"select", L"x64", L"nonsense"}, false, "111.065|HY64_HY64"},          {{L"clear", L"x64"}, true, nullptr},
    };
    for (const auto& row : rows) {
        Report step(stderr);
        EXPECT_EQ(SelectCompiler(service.Get(), automation.Get(), step, row.command), row.ok) << row.command[2];
        const Json compilers = Compilers();
        const Json& x64 = Platform(compilers, "x64");
        if (!row.selected) {
            EXPECT_EQ(x64["selected"].kind, Json::Null);
            continue;
        }
        const Json* expected = ByIdentifier(x64, row.selected);
        ASSERT_NE(expected, nullptr);
        EXPECT_EQ(x64["selected"].number, (*expected)["handle"].number) << row.command[2];
    }
    // A handle names the same compiler.
    const Json before = Compilers();
    const Json* newest = ByIdentifier(Platform(before, "Win32"), "120.001|PX32_PX32");
    ASSERT_NE(newest, nullptr);
    const std::wstring handle = std::to_wstring(int((*newest)["handle"].number));
    EXPECT_TRUE(SelectCompiler(service.Get(), automation.Get(), report, {L"select", L"Win32", handle}));
    EXPECT_EQ(Platform(Compilers(), "Win32")["selected"].number, (*newest)["handle"].number);
}

TEST_F(SampleCommandsTest, DoctorJsonGivesEachRecordItsReasonAndFlagsStaleSelections) {
    registry.SetString(HKEY_CURRENT_USER, std::wstring(kUserSettingsKey) + L"\\SelectedCompilers", L"HY64",
                       L"111.065|PX32_HY64");
    const Json doctor = Json::Parse(DoctorJson(report, false));
    EXPECT_TRUE(doctor["x64Host"].boolean);
    // The process's own view: under WOW64 (this machine's Wine is 64-bit) the 32-bit build reads Wow6432Node.
    EXPECT_EQ(doctor["registryView"].text, sizeof(void*) == 8 ? "64-bit" : "32-bit");
    std::map<std::string, std::string> reasons;
    for (const Json& compiler : doctor["compilers"].items) {
        reasons[compiler["registryKey"].text.substr(compiler["registryKey"].text.rfind("Fortran\\") + 8)] =
            compiler["offered"].boolean ? "offered" : compiler["reason"].text;
    }
    const std::map<std::string, std::string> expected = {
        {"12.0.001\\PX32", "offered"},
        {"12.0.001\\HY64_NATIVE", "offered"},
        {"111.065\\PX32", "offered"},
        {"111.065\\HY64_NATIVE", "offered"},
        {"111.065\\Ventrix", "offered"},
        {"111.065\\HY64", Ascii(doctor::Verdict::HostRule)},
        {"111.065\\Ventrix_NATIVE", Ascii(doctor::Verdict::NativeEpic)},
        {"10.1.025\\PX32", Ascii(doctor::Verdict::OutOfRange)},
        {"11.1.065\\PX32", Ascii(doctor::Verdict::Duplicate)},
    };
    EXPECT_EQ(reasons, expected);
    ASSERT_EQ(doctor["selections"].items.size(), 1u);
    EXPECT_EQ(doctor["selections"][0]["identifier"].text, "111.065|PX32_HY64");
    EXPECT_TRUE(doctor["selections"][0]["stale"].boolean);
}

}  // namespace
}  // namespace qz::host
