#include <gtest/gtest.h>

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
        {{L"setdir", L"1024", L"SourceDir", L"C:\\src"}, L"'SourceDir' is none of IncludeDir, LibDir, BinDir, DefaultOptions"},
        {{L"pages", L"--jpg", L"out"}, L"pages takes nothing, --png FOLDER or --close-after SECONDS"},
        {{L"pages", L"--png"}, L"'pages' takes 2 argument(s)"},
        {{L"--package"}, L"--package needs a path"},
        {{L"options", L"--package"}, L"--package needs a path"},
        {{L"--json", L"set", L"GapLevel", L"3"}, L"--json applies to options, compilers and doctor only"},
        {{L"--json"}, L"--json applies to options, compilers and doctor only"},
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
    } rows[] = {
        {{}, kDefault, false, {L"load"}},
        {{L"--package", L"D:\\x.dll"}, L"D:\\x.dll", false, {L"load"}},
        {{L"--json", L"options"}, kDefault, true, {L"options"}},
        {{L"compilers", L"--json", L"--package", L"p.dll"}, L"p.dll", true, {L"compilers"}},
        {{L"set", L"gaplevel", L"-2"}, kDefault, false, {L"set", L"gaplevel", L"-2"}},
        {{L"set", L"ExtFree", L"not a number"}, kDefault, false, {L"set", L"ExtFree", L"not a number"}},
        {{L"setdir", L"1024", L"libdir", L"C:\\lib"}, kDefault, false, {L"setdir", L"1024", L"libdir", L"C:\\lib"}},
        {{L"pages", L"--png", L"out"}, kDefault, false, {L"pages", L"--png", L"out"}},
        {{L"pages"}, kDefault, false, {L"pages"}},
        {{L"pages", L"--close-after", L"5"}, kDefault, false, {L"pages", L"--close-after", L"5"}},
        {{L"doctor", L"--json"}, kDefault, true, {L"doctor"}},
        {{L"select", L"x64", L"111.065|HY64_HY64"}, kDefault, false, {L"select", L"x64", L"111.065|HY64_HY64"}},
    };
    for (const auto& row : rows) {
        const Arguments parsed = ParseArguments(row.args, kDefault);
        EXPECT_EQ(parsed.error, L"");
        EXPECT_FALSE(parsed.help);
        EXPECT_EQ(parsed.packagePath, row.packagePath);
        EXPECT_EQ(parsed.json, row.json);
        EXPECT_EQ(parsed.command, row.command);
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
