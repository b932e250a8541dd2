#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "arguments.h"

namespace qz::host {
namespace {

// Wrong usage is refused with its message; numbers are taken to the ends of
// their ranges and refused one past them (also where a cast would wrap).
TEST(ArgumentsTest, RefusesWrongUsageAndTakesNumbersToTheEndsOfTheirRanges) {
    const std::tuple<std::vector<std::wstring>, const wchar_t*, int> rows[] = {
        // arguments, error, number
        {{L"frobnicate"}, L"unknown command 'frobnicate'", 0},
        {{L"reset", L"NoSuchOption"}, L"no option is named 'NoSuchOption'", 0},
        {{L"set", L"GapLevel", L"3x"}, L"'3x' is not a number", 0},
        {{L"setdir", L"1024", L"SourceDir", L"C:\\src"},
         L"'SourceDir' is none of IncludeDir, LibDir, BinDir, DefaultOptions",
         0},
        {{L"--json", L"set", L"GapLevel", L"3"}, L"--json applies to options, compilers and doctor only", 0},
        {{L"options", L"--check-network"}, L"--check-network applies to doctor only", 0},
        {{L"select", L"Nowhere", L"111.065|HY64_HY64"}, L"no platform is named 'Nowhere' (Win32, Ventrix, x64)", 0},
        {{L"set", L"GapLevel", L"2147483648"}, L"'2147483648' is out of range (-2147483648 to 2147483647)", 0},
        {{L"set", L"GapLevel", L"-2147483649"}, L"'-2147483649' is out of range (-2147483648 to 2147483647)", 0},
        {{L"pages", L"--close-after", L"86401"}, L"'86401' is out of range (0 to 86400 seconds)", 0},
        {{L"pages", L"--close-after", L"4294968"}, L"'4294968' is out of range (0 to 86400 seconds)", 0},
        {{L"pages", L"--close-after", L"-1"}, L"'-1' is out of range (0 to 86400 seconds)", 0},
        {{L"set", L"GapLevel", L"-2147483648"}, L"", INT32_MIN},
        {{L"set", L"LogBuilds", L"2147483647"}, L"", INT32_MAX},
        {{L"pages", L"--close-after", L"86400"}, L"", 86400},
    };
    for (const auto& [args, error, number] : rows) {
        const Arguments parsed = ParseArguments(args, L"C:\\bin\\QZToolOpt.dll");
        EXPECT_EQ(parsed.error, error);
        EXPECT_EQ(parsed.number, number) << args.back();
    }
    const Arguments doctor = ParseArguments({L"doctor", L"--check-network", L"--json"}, L"p.dll");
    EXPECT_TRUE(doctor.error.empty() && doctor.json && doctor.checkNetwork);
    EXPECT_EQ(doctor.command, std::vector<std::wstring>{L"doctor"});
}

}  // namespace
}  // namespace qz::host
