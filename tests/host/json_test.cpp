#include <gtest/gtest.h>

#include "commands.h"
#include "json.h"
#include "support/sited_package.h"

namespace qz::host {
namespace {

TEST(JsonTest, EscapesTextAndWritesUtf8) {
    const struct {
        std::wstring text;
        std::string json;
    } rows[] = {
        {L"", "\"\""},
        {L"plain", "\"plain\""},
        {L"say \"hi\"", "\"say \\\"hi\\\"\""},
        {L"C:\\inc", "\"C:\\\\inc\""},
        {L"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {std::wstring(L"\x01\x1f", 2), "\"\\u0001\\u001f\""},
        {std::wstring(1, L'\0'), "\"\\u0000\""},
        {L"\x7f", "\"\x7f\""},
        {L"\u00e9", "\"\xc3\xa9\""},
        {L"\u20ac", "\"\xe2\x82\xac\""},
        {L"\xd83d\xde00", "\"\xf0\x9f\x98\x80\""},  // a surrogate pair: one code point
        {L"\xd83d", "\"\xef\xbf\xbd\""},            // a lone surrogate: the replacement character
        {L"\xde00x", "\"\xef\xbf\xbdx\""},
    };
    for (const auto& row : rows) EXPECT_EQ(JsonString(row.text), row.json);
}

TEST(JsonTest, SeparatesValuesAndMembers) {
    JsonWriter json;
    json.BeginArray();
    json.BeginObject();
    json.Key(L"a");
    json.Number(-12);
    json.Key(L"b");
    json.BeginArray();
    json.Bool(true);
    json.Bool(false);
    json.Null();
    json.EndArray();
    json.Key(L"c");
    json.BeginObject();
    json.EndObject();
    json.EndObject();
    json.String(L"x");
    json.EndArray();
    EXPECT_EQ(json.Text(), R"([{"a":-12,"b":[true,false,null],"c":{}},"x"])");
}

// Counts the top-level elements of a JSON array, checking brackets and quotes balance.
int TopLevelCount(const std::string& text) {
    std::string open;
    bool inString = false;
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        else if (c == '[' || c == '{') {
            if (open == "[" && c == '{') ++count;
            open += c;
        } else if (c == ']' || c == '}') {
            if (open.empty() || open.back() != (c == ']' ? '[' : '{')) return -1;
            open.pop_back();
        }
    }
    return inString || !open.empty() ? -1 : count;
}

class OptionsJsonTest : public test::SitedPackageTest {};

TEST_F(OptionsJsonTest, ListsTheThirteenOptionsWithTypedValues) {
    platform::ComPtr<IDispatch> automation;
    ASSERT_EQ(package->GetAutomationObject(package::kAutomationName, automation.Put()), S_OK);
    Report report(stderr);
    const std::string json = OptionsJson(service.Get(), automation.Get(), report);
    EXPECT_FALSE(report.Failed());
    EXPECT_EQ(TopLevelCount(json), 13) << json;
    EXPECT_NE(json.find(R"({"name":"ExtFree","value":".f90","default":".f90"})"), std::string::npos) << json;
    EXPECT_NE(json.find(R"({"name":"LogBuilds","value":1,"default":1})"), std::string::npos) << json;
    EXPECT_EQ(json.find("null"), std::string::npos) << json;
}

}  // namespace
}  // namespace qz::host
