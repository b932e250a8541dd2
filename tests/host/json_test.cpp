#include <gtest/gtest.h>

#include "json.h"

namespace qz::host {
namespace {

// What --json prints for scripts: escaped, UTF-8, a lone surrogate replaced.
TEST(JsonTest, EscapesTextAndWritesUtf8) {
    const std::pair<std::wstring, std::string> rows[] = {
        {L"say \"hi\" C:\\inc", "\"say \\\"hi\\\" C:\\\\inc\""},
        {L"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {std::wstring(L"\x01\x1f\0\x7f", 4), "\"\\u0001\\u001f\\u0000\x7f\""},
        {L"\u00e9\u20ac", "\"\xc3\xa9\xe2\x82\xac\""},
        {L"\xd83d\xde00", "\"\xf0\x9f\x98\x80\""},            // a surrogate pair: one code point
        {L"\xd83d|\xde00", "\"\xef\xbf\xbd|\xef\xbf\xbd\""},  // lone surrogates: the replacement character
    };
    for (const auto& [text, json] : rows) EXPECT_EQ(JsonString(text), json);
}

}  // namespace
}  // namespace qz::host
