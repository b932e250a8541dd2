#include <gtest/gtest.h>

#include <string>

#include "core/string_list.h"

namespace qz::core {
namespace {

// A list, the lines the editor shows for it, and what OK without edits gives back.
struct SplitCase {
    const char* name;
    std::u16string list, lines, back;
};

class SplitListTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitListTest, ShowsOneEntryPerLineAndJoinsThemAgain) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(core::SplitListIntoLines(c.list), c.lines);
    EXPECT_EQ(core::JoinLinesIntoList(c.lines), c.back);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitListTest,
    ::testing::Values(SplitCase{"semicolon_and_comma", u"a;b,c", u"a\r\nb\r\nc\r\n", u"a;b;c"},
                      SplitCase{"empty_entries_dropped", u";;a;;", u"a\r\n", u"a"},
                      SplitCase{"quoted_directory", u"\"C:\\My;Dir\";D:\\Lib", u"\"C:\\My;Dir\"\r\nD:\\Lib\r\n",
                                u"\"C:\\My;Dir\";D:\\Lib"},
                      SplitCase{"comma_after_quote", u"'a,b',c", u"'a,b'\r\nc\r\n", u"'a,b';c"},
                      SplitCase{"other_quote_inside", u"\"it's\";x", u"\"it's\"\r\nx\r\n", u"\"it's\";x"},
                      SplitCase{"text_after_closing_quote", u"'a'b;c", u"'a'b\r\nc\r\n", u"'a'b;c"},
                      SplitCase{"unmatched_quote_ends", u"x;'y;z", u"x\r\n'y;z\r\n", u"x;'y;z"},
                      SplitCase{"unmatched_quote_inside_entry", u"ab'c;d", u"ab'c;d\r\n", u"ab'c;d"},
                      SplitCase{"blanks_kept_then_trimmed", u" a ; b", u" a \r\n b\r\n", u"a;b"},
                      SplitCase{"last_line_feed_replaced", u"a\n", u"a\r\n", u"a"},
                      SplitCase{"separators_only", u";,;", u"", u""}, SplitCase{"empty", u"", u"", u""}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

struct JoinCase {
    const char* name;
    std::u16string lines, list;
};

class JoinLinesTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinLinesTest, TrimsLinesAndDropsBlankOnes) {
    EXPECT_EQ(core::JoinLinesIntoList(GetParam().lines), GetParam().list);
}

INSTANTIATE_TEST_SUITE_P(Rules, JoinLinesTest,
                         ::testing::Values(JoinCase{"blank_lines_disappear", u"  a \r\n\r\n \t\v\f \r\nb", u"a;b"},
                                           JoinCase{"only_blank_lines", u"\r\n \r\n", u""},
                                           JoinCase{"unicode_spaces_trimmed", u"\u3000a\u2003\r\nb", u"a;b"},
                                           JoinCase{"only_crlf_cuts", u"a\nb\rc", u"a\nb\rc"},
                                           JoinCase{"lone_breaks_trimmed_at_ends", u"\na\r", u"a"},
                                           JoinCase{"trailing_semicolons_removed", u"a;\r\nb;;", u"a;;b"},
                                           JoinCase{"inner_semicolons_kept", u"a;;\r\nb", u"a;;;b"}),
                         [](const ::testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qz::core
