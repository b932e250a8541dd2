#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/extension_lists.h"

namespace qz::core {
namespace {

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

struct SplitCase {
    const char* name;
    std::u16string list;
    std::vector<std::u16string> entries;
};

class ExtensionListSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ExtensionListSplitTest, EverySemicolonEndsAnEntry) {
    EXPECT_EQ(core::SplitExtensionList(GetParam().list), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(ExtensionList, ExtensionListSplitTest,
                         ::testing::Values(SplitCase{"empty_list", u"", {u""}},
                                           SplitCase{"empty_entries_kept", u".a;;.b;", {u".a", u"", u".b", u""}},
                                           SplitCase{"blanks_kept", u" .a ;.b\t", {u" .a ", u".b\t"}}),
                         CaseName<SplitCase>);

struct JoinCase {
    const char* name;
    std::u16string first, second, joined;
};

class ExtensionListJoinTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(ExtensionListJoinTest, OneSemicolonBetweenNoneAtTheEnd) {
    EXPECT_EQ(core::JoinExtensionLists(GetParam().first, GetParam().second), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(ExtensionList, ExtensionListJoinTest,
                         ::testing::Values(JoinCase{"both_empty", u"", u"", u""},
                                           JoinCase{"empty_first_adds_no_separator", u"", u".f90", u".f90"},
                                           JoinCase{"empty_second", u".f;.for;", u"", u".f;.for"},
                                           JoinCase{"first_trimmed_before_separator", u".f;; \t", u".fi", u".f;.fi"},
                                           JoinCase{"blank_before_semicolon_stays", u"", u".f90 ;", u".f90 "},
                                           JoinCase{"blank_second_leaves_first_bare", u".f;", u" ", u".f"},
                                           JoinCase{"leading_blanks_stay", u" .f", u" .fi", u" .f; .fi"}),
                         CaseName<JoinCase>);

struct MemberCase {
    const char* name;
    std::u16string entry, list;
    bool member;
};

class ExtensionListMemberTest : public ::testing::TestWithParam<MemberCase> {};

TEST_P(ExtensionListMemberTest, OnlyTheFirstOccurrenceCounts) {
    EXPECT_EQ(core::IsExtensionInList(GetParam().entry, GetParam().list), GetParam().member);
}

INSTANTIATE_TEST_SUITE_P(ExtensionList, ExtensionListMemberTest,
                         ::testing::Values(MemberCase{"whole_list", u".f", u".f", true},
                                           MemberCase{"followed_by_semicolon", u".for", u".f;.for;.fpp", true},
                                           MemberCase{"first_occurrence_inside_longer", u".f", u".ff;.f", false},
                                           MemberCase{"followed_by_blank", u".f", u".f ;.g", false},
                                           MemberCase{"front_not_looked_at", u".f90", u"x.f90", true},
                                           MemberCase{"absent", u".f90", u".f;.for", false},
                                           MemberCase{"empty_entry", u"", u";.f;;", false}),
                         CaseName<MemberCase>);

TEST(ExtensionListLowerTest, LowersOnlyAsciiLetters) {
    EXPECT_EQ(core::LowerExtensionList(u".F90;.FOR@[`{"), u".f90;.for@[`{");
    EXPECT_EQ(core::LowerExtensionList(u".\u00C4\u0395"), u".\u00C4\u0395");
}

const core::ExtensionLists kDefaults{u".f90", u"", u".f;.for;.fpp", u".fi;.fd"};

// Fields 1004, 1007, 1005, 1006 and the expected outcome (message 0: valid).
struct CheckCase {
    const char* name;
    core::ExtensionLists fields;
    unsigned message;
    std::u16string entry;
};

class ExtensionListCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ExtensionListCheckTest, FirstFailureWins) {
    const CheckCase& c = GetParam();
    const core::ExtensionListsCheck result = core::CheckExtensionLists(c.fields, kDefaults);
    EXPECT_EQ(result.valid, c.message == 0);
    EXPECT_EQ(result.message, c.message);
    EXPECT_EQ(result.entry, c.entry);
}

INSTANTIATE_TEST_SUITE_P(
    ExtensionList, ExtensionListCheckTest,
    ::testing::Values(CheckCase{"defaults", kDefaults, 0, u""}, CheckCase{"all_empty", {}, 0, u""},
                      CheckCase{"no_dot", {u".f95;f90", u"", u"", u""}, 1015, u"f90"},
                      CheckCase{"blank_before_dot", {u" .f90", u"", u"", u""}, 1015, u" .f90"},
                      CheckCase{"no_dot_named_lower_case", {u"", u"", u"", u"FD"}, 1015, u"fd"},
                      CheckCase{"trailing_semicolon", {u".f90;", u"", u"", u""}, 1015, u""},
                      CheckCase{"double_semicolon", {u"", u".a;;.b", u"", u""}, 1015, u""},
                      CheckCase{"free_header_before_fixed_source", {u"", u"x", u"y", u""}, 1015, u"x"},
                      CheckCase{"fixed_source_before_fixed_header", {u"", u"", u"y", u"z"}, 1015, u"y"},
                      CheckCase{"dots_before_overlaps", {u".for", u"", u"", u"z"}, 1015, u"z"},
                      CheckCase{"free_against_default_fixed", {u".for", u"", u"", u""}, 1013, u".for"},
                      CheckCase{"default_fixed_before_current_fixed", {u".q;.f", u"", u".q", u""}, 1013, u".f"},
                      CheckCase{"upper_case_named_lower", {u".F90", u"", u".f", u".f90"}, 1013, u".f90"},
                      CheckCase{"current_fixed_before_default_free", {u".q", u"", u".f90;.q", u""}, 1013, u".q"},
                      CheckCase{"fixed_against_default_free", {u"", u"", u".f90;.x", u".x"}, 1013, u".f90"},
                      CheckCase{"free_pair_before_fixed_pair", {u".a;.b", u".B", u".c", u".c"}, 1013, u".b"},
                      CheckCase{"fixed_pair", {u"", u"", u".c", u".C"}, 1013, u".c"},
                      CheckCase{"blank_at_end_of_field_joined_away", {u".c", u"", u".c \t", u".d"}, 1013, u".c"},
                      CheckCase{"blank_after_entry_is_part_of_it", {u".c", u"", u".c ;.d", u""}, 0, u""},
                      CheckCase{"first_occurrence_only", {u".f90;.b", u"", u".bb;.b", u""}, 0, u""}),
    CaseName<CheckCase>);

}  // namespace
}  // namespace qz::core
