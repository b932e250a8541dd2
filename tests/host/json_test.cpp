#include <gtest/gtest.h>

#include <map>

#include "commands.h"
#include "json.h"
#include "json_reader.h"
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

TEST(JsonTest, SeparatesValuesAndMembersAndReadsBack) {
    JsonWriter json;
    json.BeginArray();
    json.BeginObject();
    json.Key(L"a\"b");
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
    json.String(L"C:\\x;\t\x01\u00e9");
    json.EndArray();
    EXPECT_EQ(json.Text(), "[{\"a\\\"b\":-12,\"b\":[true,false,null],\"c\":{}},\"C:\\\\x;\\t\\u0001\xc3\xa9\"]");
    const test::Json read = test::Json::Parse(json.Text());
    EXPECT_EQ(read[0]["a\"b"].number, -12);
    EXPECT_EQ(read[1].text, "C:\\x;\t\x01\xc3\xa9");
    for (const char* bad : {"", "[1,]", "{\"a\":1", "[1] 2", "\"x", "{\"a\" 1}", "[tru]"}) {
        EXPECT_THROW(test::Json::Parse(bad), std::runtime_error) << bad;
    }
}

class OptionsJsonTest : public test::SitedPackageTest {};

TEST_F(OptionsJsonTest, ListsTheThirteenOptionsWithTypedValues) {
    platform::ComPtr<IDispatch> automation;
    ASSERT_EQ(package->GetAutomationObject(module::kAutomationName, automation.Put()), S_OK);
    Report report(stderr);
    const test::Json options = test::Json::Parse(OptionsJson(service.Get(), automation.Get(), report));
    EXPECT_FALSE(report.Failed());
    ASSERT_EQ(options.items.size(), 13u);
    std::map<std::string, const test::Json*> byName;
    for (const test::Json& option : options.items) {
        byName[option["name"].text] = &option;
        EXPECT_EQ(option["value"].kind, option["default"].kind) << option["name"].text;
    }
    EXPECT_EQ((*byName.at("ExtFree"))["value"].text, ".f90");
    EXPECT_EQ((*byName.at("LogBuilds"))["value"].number, 1);
    EXPECT_EQ((*byName.at("GapLevel"))["default"].kind, test::Json::Number);
}

}  // namespace
}  // namespace qz::host
