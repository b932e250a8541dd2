#include <gtest/gtest.h>

#include <string>

#include "core/version.h"

namespace qz::core {
namespace {

// The three spellings of one version, the packed form's boundary at 60, _wtoi's
// reading of each part (white space, sign, no digits, saturation), and the cut
// to 8 and 16 bits. A text that yields nothing leaves the version as it was.
TEST(CmplrVersionTest, ParsesEveryForm) {
    const struct {
        const char16_t* text;
        bool parsed;
        core::CmplrVersion version;
    } cases[] = {
        {u"11.1.065", true, {11, 1, 65}},
        {u"111.065", true, {11, 1, 65}},
        {u"111065", true, {11, 1, 65}},
        {u"9.1.032", true, {9, 1, 32}},
        {u"11.10.1", true, {11, 10, 1}},
        {u"11.1", false, {}},
        {u"120", false, {}},
        {u"12", false, {}},
        {u"", false, {}},
        {u"61.5", true, {6, 1, 5}},
        {u"60.5", false, {}},
        {u"60.5.1", true, {60, 5, 1}},
        {u"11.1.", true, {11, 1, 0}},
        {u"-1.2.3", true, {-1, 2, 3}},
        {u" 11. 1.\t065", true, {11, 1, 65}},
        {u"+12.0.1", true, {12, 0, 1}},
        {u"ab.cd.ef", true, {0, 0, 0}},
        {u"12.0.70000", true, {12, 0, 4464}},
        {u"11.300.1", true, {11, 44, 1}},
        {u"11.1.99999999999999999999", true, {11, 1, 0xFFFF}},
        {u"99999999999999999999.1", true, {-52, 7, 1}},  // INT_MAX: 214748364 and 7
    };
    for (const auto& c : cases) {
        const std::u16string text(c.text);
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        core::CmplrVersion version{7, 7, 7};
        ASSERT_EQ(core::ParseCmplrVersion(text, &version), c.parsed);
        const core::CmplrVersion expected = c.parsed ? c.version : core::CmplrVersion{7, 7, 7};
        EXPECT_EQ(version.major, expected.major);
        EXPECT_EQ(version.minor, expected.minor);
        EXPECT_EQ(version.revision, expected.revision);
    }
}

TEST(CmplrVersionTest, FormatsAndOrders) {
    const struct {
        core::CmplrVersion version;
        const char16_t *packed, *text;
        int32_t orderKey;
    } cases[] = {
        {{11, 1, 65}, u"111.065", u"11.1.065", 111065},
        {{12, 0, 0}, u"120.000", u"12.0", 120000},
        {{11, 10, 1}, u"120.001", u"11.10.001", 120001},
        {{12, 0, 65535}, u"120.65535", u"12.0.65535", 185535},
        {{-1, 2, 3}, u"4294967288.003", u"4294967295.2.003", -7997},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::PackedVersion(c.version), c.packed);
        EXPECT_EQ(core::VersionString(c.version), c.text);
        EXPECT_EQ(c.version.OrderKey(), c.orderKey);
    }
}

}  // namespace
}  // namespace qz::core
