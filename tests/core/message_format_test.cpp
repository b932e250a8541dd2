#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/message_format.h"

namespace qz::core {
namespace {

struct FormatCase {
    const char* name;
    std::u16string pattern;
    std::vector<const char16_t*> args;
    std::u16string expected;
};

// Eleven arguments "a0".."a10", so that letters reach past the digits.
std::vector<const char16_t*> Eleven() {
    return {u"a0", u"a1", u"a2", u"a3", u"a4", u"a5", u"a6", u"a7", u"a8", u"a9", u"a10"};
}

class MessageFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MessageFormatTest, ReplacesPlaceholders) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(core::FormatPlaceholders(c.pattern, c.args.data(), c.args.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MessageFormatTest,
    ::testing::Values(
        FormatCase{"no_placeholder", u"plain text", {u"x"}, u"plain text"},
        FormatCase{"empty_pattern", u"", {u"x"}, u""}, FormatCase{"first_alone", u"%1", {u"x"}, u"x"},
        FormatCase{"first_inside", u"key \"%1\" missing", {u"Software\\A"}, u"key \"Software\\A\" missing"},
        FormatCase{"repeated", u"%1-%1", {u"x"}, u"x-x"}, FormatCase{"second_of_one", u"%2", {u"x"}, u"?"},
        FormatCase{"no_arguments", u"[%1]", {}, u"[?]"}, FormatCase{"percent_then_placeholder", u"%%1", {u"x"}, u"%x"},
        FormatCase{"two_percents", u"100%%", {u"x"}, u"100%%"},
        FormatCase{"null_argument_removed", u"a%1b", {nullptr}, u"ab"},
        FormatCase{"null_beside_others", u"%1|%2|%3", {u"x", nullptr, u"z"}, u"x||z"},
        FormatCase{"ninth_digit", u"%9", Eleven(), u"a8"}, FormatCase{"letter_A_is_tenth", u"%A", Eleven(), u"a9"},
        FormatCase{"letter_B", u"%B", Eleven(), u"a10"}, FormatCase{"letter_past_count", u"%C", Eleven(), u"?"},
        FormatCase{"lone_percent_at_end", u"50%", {u"x"}, u"50%"},
        FormatCase{"lowercase_letter_copied", u"%a", {u"x"}, u"%a"}, FormatCase{"zero_copied", u"%0", {u"x"}, u"%0"},
        FormatCase{"argument_not_rescanned", u"%1", {u"%2"}, u"%2"},
        FormatCase{"argument_with_percent_at_end", u"%1%2", {u"5%", u"y"}, u"5%y"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(MessageFormatLimitsTest, LastLetterIsArgument34) {
    std::vector<std::u16string> texts;
    for (int i = 0; i < 35; ++i) texts.push_back(u"v" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
    std::vector<const char16_t*> args;
    for (const auto& t : texts) args.push_back(t.c_str());
    args[34] = u"last";
    EXPECT_EQ(core::FormatPlaceholders(u"%Z", args.data(), 35), u"last");
    EXPECT_EQ(core::FormatPlaceholders(u"%Z", args.data(), 34), u"?");
}

TEST(MessageFormatLimitsTest, NullArgumentArrayCountsAsNone) {
    EXPECT_EQ(core::FormatPlaceholders(u"<%1>", nullptr, 3), u"<?>");
}

}  // namespace
}  // namespace qz::core
