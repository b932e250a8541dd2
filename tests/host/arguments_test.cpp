#include <gtest/gtest.h>

#include <cstdint>

#include "arguments.h"

namespace qz::host {
namespace {

constexpr wchar_t kDefault[] = L"C:\\bin\\QZToolOpt.dll";

TEST(ArgumentsTest, RefusesWrongUsageWithItsMessage) {
    const struct {
        std::vector<std::wstring> args;
        const wchar_t* error;
    } rows[] = {
        {{L"frobnicate"}, L"unknown command 'frobnicate'"},
        {{L"options", L"extra"}, L"'options' takes 0 argument(s)"},
        {{L"set", L"GapLevel"}, L"'set' takes 2 argument(s)"},
        {{L"setdir", L"1024", L"IncludeDir"}, L"'setdir' takes 3 argument(s)"},
        {{L"set", L"NoSuchOption", L"1"}, L"no option is named 'NoSuchOption'"},
        {{L"reset", L"NoSuchOption"}, L"no option is named 'NoSuchOption'"},
        {{L"set", L"GapLevel", L"three"}, L"'three' is not a number"},
        {{L"set", L"GapLevel", L"3x"}, L"'3x' is not a number"},
        {{L"set", L"GapLevel", L""}, L"'' is not a number"},
        {{L"pages", L"--close-after", L"soon"}, L"'soon' is not a number"},
        {{L"setdir", L"1024", L"SourceDir", L"C:\\src"},
         L"'SourceDir' is none of IncludeDir, LibDir, BinDir, DefaultOptions"},
        {{L"pages", L"--jpg", L"out"}, L"pages takes nothing, --png FOLDER or --close-after SECONDS"},
        {{L"pages", L"--png"}, L"'pages' takes 2 argument(s)"},
        {{L"--package"}, L"--package needs a path"},
        {{L"options", L"--package"}, L"--package needs a path"},
        {{L"--json", L"set", L"GapLevel", L"3"}, L"--json applies to options, compilers and doctor only"},
        {{L"--json"}, L"--json applies to options, compilers and doctor only"},
        {{L"set", L"GapLevel", L"99999999999"}, L"'99999999999' is out of range (-2147483648 to 2147483647)"},
        {{L"set", L"LogBuilds", L"4294967295"}, L"'4294967295' is out of range (-2147483648 to 2147483647)"},
        {{L"pages", L"--close-after", L"99999999999"}, L"'99999999999' is out of range (0 to 86400 seconds)"},
        {{L"pages", L"--close-after", L"4294968"}, L"'4294968' is out of range (0 to 86400 seconds)"},
        {{L"pages", L"--close-after", L"-5"}, L"'-5' is out of range (0 to 86400 seconds)"},
        {{L"clear", L"Nowhere"}, L"no platform is named 'Nowhere' (Win32, Ventrix, x64)"},
        {{L"clear", L""}, L"no platform is named '' (Win32, Ventrix, x64)"},
        {{L"select", L"Nowhere", L"111.065|HY64_HY64"}, L"no platform is named 'Nowhere' (Win32, Ventrix, x64)"},
        {{L"options", L"--check-network"}, L"--check-network applies to doctor only"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.args.empty() ? std::wstring() : row.args[0]));
        EXPECT_EQ(ParseArguments(row.args, kDefault).error, row.error);
    }
}

TEST(ArgumentsTest, AcceptsGoodCommandLines) {
    const struct {
        std::vector<std::wstring> args;
        std::wstring packagePath;
        bool json;
        std::vector<std::wstring> command;
        int number = 0;
        bool checkNetwork = false;
    } rows[] = {
        {{}, kDefault, false, {L"load"}},
        {{L"--package", L"D:\\x.dll"}, L"D:\\x.dll", false, {L"load"}},
        {{L"--json", L"options"}, kDefault, true, {L"options"}},
        {{L"compilers", L"--json", L"--package", L"p.dll"}, L"p.dll", true, {L"compilers"}},
        {{L"set", L"gaplevel", L"-2"}, kDefault, false, {L"set", L"gaplevel", L"-2"}, -2},
        {{L"set", L"ExtFree", L"not a number"}, kDefault, false, {L"set", L"ExtFree", L"not a number"}},
        {{L"setdir", L"1024", L"libdir", L"C:\\lib"}, kDefault, false, {L"setdir", L"1024", L"libdir", L"C:\\lib"}},
        {{L"pages", L"--png", L"out"}, kDefault, false, {L"pages", L"--png", L"out"}},
        {{L"pages"}, kDefault, false, {L"pages"}},
        {{L"pages", L"--close-after", L"5"}, kDefault, false, {L"pages", L"--close-after", L"5"}, 5},
        {{L"doctor", L"--json"}, kDefault, true, {L"doctor"}},
        {{L"select", L"x64", L"111.065|HY64_HY64"}, kDefault, false, {L"select", L"x64", L"111.065|HY64_HY64"}},
        {{L"clear", L"win32"}, kDefault, false, {L"clear", L"win32"}},
        {{L"set", L"LogBuilds", L"2147483647"}, kDefault, false, {L"set", L"LogBuilds", L"2147483647"}, 2147483647},
        {{L"set", L"GapLevel", L"-2147483648"}, kDefault, false, {L"set", L"GapLevel", L"-2147483648"}, INT32_MIN},
        {{L"pages", L"--close-after", L"86400"}, kDefault, false, {L"pages", L"--close-after", L"86400"}, 86400},
        {{L"doctor", L"--check-network", L"--json"}, kDefault, true, {L"doctor"}, 0, true},
    };
    for (const auto& row : rows) {
        const Arguments parsed = ParseArguments(row.args, kDefault);
        EXPECT_EQ(parsed.error, L"");
        EXPECT_FALSE(parsed.help);
        EXPECT_EQ(parsed.packagePath, row.packagePath);
        EXPECT_EQ(parsed.json, row.json);
        EXPECT_EQ(parsed.command, row.command);
        EXPECT_EQ(parsed.number, row.number);
        EXPECT_EQ(parsed.checkNetwork, row.checkNetwork);
    }
}

TEST(ArgumentsTest, HelpWinsOverLaterErrors) {
    for (const wchar_t* flag : {L"--help", L"-h", L"/?"}) {
        const Arguments parsed = ParseArguments({flag, L"frobnicate"}, kDefault);
        EXPECT_TRUE(parsed.help);
        EXPECT_EQ(parsed.error, L"");
    }
}

}  // namespace
}  // namespace qz::host
