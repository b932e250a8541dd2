// The registry export file format, without the registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "reg_file.h"

namespace qz::host {
namespace {

const std::wstring kRoot = L"HKEY_CURRENT_USER\\Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120";

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const BYTE*>(data);
    return {bytes, bytes + size};
}
std::vector<BYTE> Text(const std::wstring& text) { return Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)); }

std::wstring Repeated(const std::wstring& text, int times) {
    std::wstring out;
    while (times-- > 0) out += text;
    return out;
}

bool operator==(const RegFileValue& a, const RegFileValue& b) {
    return a.name == b.name && a.type == b.type && a.data == b.data && a.remove == b.remove;
}

std::vector<RegFileKey> Parse(const std::wstring& text, std::wstring* error = nullptr) {
    std::vector<RegFileKey> keys;
    std::wstring ignored;
    EXPECT_TRUE(ParseRegFile(text, kRoot, &keys, error ? error : &ignored)) << (error ? *error : ignored);
    return keys;
}

TEST(RegFile, EachKindOfValueIsWrittenInTheEditorsNotationAndReadBackExactly) {
    const DWORD ten = 10;
    std::vector<BYTE> longBinary;
    for (int i = 0; i < 40; ++i) longBinary.push_back(static_cast<BYTE>(i * 7));
    const std::wstring multi(L"a\0bc\0\0", 6);
    struct Case {
        RegFileValue value;
        std::wstring line;  // how the value's line begins
    };
    const Case cases[] = {
        {{L"Path \"q\"", REG_SZ, Text(L"C:\\a\\\"b\"")}, L"\"Path \\\"q\\\"\"=\"C:\\\\a\\\\\\\"b\\\"\""},
        {{L"", REG_SZ, Text(L"")}, L"@=\"\""},
        {{L"Level", REG_DWORD, Bytes(&ten, 4)}, L"\"Level\"=dword:0000000a"},
        {{L"Short", REG_DWORD, {1, 2}}, L"\"Short\"=hex(4):01,02"},
        {{L"Blob", REG_BINARY, {0x00, 0xab, 0xff}}, L"\"Blob\"=hex:00,ab,ff"},
        {{L"Empty", REG_BINARY, {}}, L"\"Empty\"=hex:"},
        {{L"Long", REG_BINARY, longBinary},
         L"\"Long\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,77,7e,85,8c,93,\\\r\n  9"},
        {{L"Dir", REG_EXPAND_SZ, Text(L"%T%")}, L"\"Dir\"=hex(2):25,00,54,00,25,00,00,00"},
        {{L"Lines", REG_SZ, Text(L"a\nb")}, L"\"Lines\"=hex(1):61,00,0a,00,62,00,00,00"},
        {{L"Unended", REG_SZ, {0x41, 0x00}}, L"\"Unended\"=hex(1):41,00"},
        {{L"List", REG_MULTI_SZ, Bytes(multi.data(), multi.size() * 2)}, L"\"List\"=hex(7):61,00,00,00,62,00"},
        {{L"Nothing", REG_NONE, {}}, L"\"Nothing\"=hex(0):"},
    };
    for (const Case& c : cases) {
        const std::wstring text = WriteRegFile({{kRoot, false, {c.value}}});
        const std::wstring prefix = L"Windows Registry Editor Version 5.00\r\n\r\n[" + kRoot + L"]\r\n";
        EXPECT_EQ(text.substr(prefix.size(), c.line.size()), c.line) << text;
        const auto keys = Parse(text);
        ASSERT_EQ(keys.size(), 1u) << c.line;
        ASSERT_EQ(keys[0].values.size(), 1u) << c.line;
        EXPECT_TRUE(keys[0].values[0] == c.value) << c.line;
    }
}

TEST(RegFile, TheFileIsUtf16WithByteOrderMarkCrLfAndABlankLineAfterEachKey) {
    const std::wstring text = WriteRegFile({{kRoot, false, {{L"A", REG_SZ, Text(L"\u00e9")}}},
                                            {kRoot + L"\\Sub", false, {}},
                                            {kRoot + L"\\Gone", true, {}}});
    EXPECT_EQ(text, L"Windows Registry Editor Version 5.00\r\n\r\n[" + kRoot + L"]\r\n\"A\"=\"\u00e9\"\r\n\r\n[" +
                        kRoot + L"\\Sub]\r\n\r\n[-" + kRoot + L"\\Gone]\r\n\r\n");
    const std::vector<BYTE> bytes = EncodeRegFile(L"W\u00e9");
    EXPECT_EQ(bytes, (std::vector<BYTE>{0xFF, 0xFE, 'W', 0, 0xE9, 0}));
    std::wstring decoded, error;
    ASSERT_TRUE(DecodeRegFile(bytes, &decoded, &error));
    EXPECT_EQ(decoded, L"W\u00e9");
}

TEST(RegFile, AHandWrittenUtf8FileIsRead) {
    const std::string file =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
        "\n"
        "; comments and blank lines are skipped\n"
        "[hkey_current_user\\software\\microsoft\\visualstudio\\8.0\\tavrel fortran\\qztoolopt\\120]\n"
        "@=\"d\\\\ef\"\n"
        "  \"Gap\" = dword:1F \n"
        "\"Caf\xC3\xA9\"=hex:01,\\\n"
        "  02,03\n"
        "\"Old\"=-\n"
        "[-"
        "HKEY_CURRENT_USER\\Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120\\Stale]\n";
    std::wstring text, error;
    ASSERT_TRUE(DecodeRegFile(std::vector<BYTE>(file.begin(), file.end()), &text, &error)) << error;
    const auto keys = Parse(text);
    ASSERT_EQ(keys.size(), 2u);
    const DWORD gap = 0x1f;
    const std::vector<RegFileValue> values = {{L"", REG_SZ, Text(L"d\\ef")},
                                              {L"Gap", REG_DWORD, Bytes(&gap, 4)},
                                              {L"Caf\u00e9", REG_BINARY, {1, 2, 3}},
                                              {L"Old", REG_NONE, {}, true}};
    ASSERT_EQ(keys[0].values.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) EXPECT_TRUE(keys[0].values[i] == values[i]) << i;
    EXPECT_FALSE(keys[0].remove);
    EXPECT_TRUE(keys[1].remove);
    EXPECT_EQ(keys[1].path, kRoot + L"\\Stale");
}

// A REGEDIT4 file is text in the system's code page, its hex strings too.
TEST(RegFile, ARegedit4FileIsReadInTheSystemsCodePage) {
    const std::string file = "REGEDIT4\r\n\r\n[" + std::string(kRoot.begin(), kRoot.end()) +
                             "]\r\n\"Caf\xE9\"=\"\xE9t\xE9\"\r\n\"Dir\"=hex(2):25,54,25,00\r\n";
    std::wstring text, error;
    ASSERT_TRUE(DecodeRegFile(std::vector<BYTE>(file.begin(), file.end()), &text, &error)) << error;
    const auto keys = Parse(text);
    ASSERT_EQ(keys.size(), 1u);
    wchar_t e = 0;
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &e, 1), 1);
    const std::vector<RegFileValue> values = {{std::wstring(L"Caf") + e, REG_SZ, Text(std::wstring{e, L't', e})},
                                              {L"Dir", REG_EXPAND_SZ, Text(L"%T%")}};
    ASSERT_EQ(keys[0].values.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) EXPECT_TRUE(keys[0].values[i] == values[i]) << i;
}

TEST(RegFile, AFileReachingOutsideTheSettingsOrMalformedIsRefusedWithItsLine) {
    const std::wstring header = L"Windows Registry Editor Version 5.00\r\n\r\n[" + kRoot + L"]\r\n\"A\"=\"1\"\r\n";
    const struct {
        std::wstring text;
        std::wstring error;  // how the message begins
    } cases[] = {
        {L"[HKEY_CURRENT_USER\\Software\\Other]", L"line 5: [HKEY_CURRENT_USER\\Software\\Other] lies outside"},
        {L"[HKEY_LOCAL_MACHINE" + kRoot.substr(17) + L"]", L"line 5: [HKEY_LOCAL_MACHINE\\Software"},
        {L"[" + kRoot + L"0]", L"line 5: [" + kRoot + L"0] lies outside"},
        {L"[" + kRoot + L"\\..\\..\\Evil]", L"line 5: ["},
        {L"[" + kRoot + L"\\.]", L"line 5: ["},
        {L"[" + kRoot + L"\\\\X]", L"line 5: ["},
        {L"[-HKEY_CURRENT_USER\\Software]", L"line 5: [HKEY_CURRENT_USER\\Software] lies outside"},
        {L"[-" + kRoot + L"\\X]\r\n\"v\"=\"1\"", L"line 6: a value outside any key"},
        {L"[" + kRoot, L"line 5: a key line must end with ']'"},
        {L"\"B\"=hex:01,1g", L"line 5: '1g' is not a hex byte"},
        {L"\"B\"=hex:01,\\\r\n 100", L"line 6: '100' is not a hex byte"},
        {L"\"B\"=hex:01,\\", L"line 5: the hex data ends with a backslash"},
        {L"\"B\"=hex(x):01", L"line 5: 'x' is not a value type"},
        {L"\"B\"=dword:123456789", L"line 5: '123456789' is not a dword"},
        {L"\"B\"=dword:", L"line 5: '' is not a dword"},
        {L"\"B\"=\"open", L"line 5: a quoted text has no closing quote"},
        {L"\"B\"=\"a\\n\"", L"line 5: only \\\\ and \\\" may follow"},
        {L"\"B\"=\"a\" x", L"line 5: text follows the closing quote"},
        {L"\"B\"=text", L"line 5: the data is none of"},
        {L"\"B\" dword:1", L"line 5: the value name is not followed by '='"},
        {L"B=1", L"line 5: neither a key, a value nor a comment"},
        {L"\"B\"=dword:0x1f", L"line 5: '0x1f' is not a dword"},
        {L"\"B\"=\"C:\\\\dir\\\"", L"line 5: the quoted text ends in \\\", which escapes its closing quote"},
        {L"[" + kRoot + L"\\X\\]", L"line 5: a key path must not end with a backslash"},
        {L"\"B\"=hex:01,\\\r\n\"C\"=\"x\"", L"line 5: the hex data ends with a backslash but line 6 does not go on"},
        // Names a reader could take for more than one line, or cut short.
        {L"[" + kRoot + L"\\a\r[-HKEY_LOCAL_MACHINE\\Software\\Tavrel]", L"line 5: a carriage return (CR) without"},
        {L"\"a\rb\"=\"x\"", L"line 5: a carriage return (CR) without"},
        {L"\"a" + std::wstring(1, L'\0') + L"b\"=\"x\"", L"line 5: a NUL character"},
        {L"\"a\x01\"=\"x\"", L"line 5: the value name holds the control character U+0001"},
        {L"[" + kRoot + L"\\a\tb]", L"line 5: a key name holds the control character U+0009"},
        // What the registry refuses is refused before anything is written.
        {L"[" + kRoot + L"\\" + std::wstring(256, L'k') + L"]", L"line 5: a key name of 256 characters"},
        {L"\"" + std::wstring(16384, L'v') + L"\"=\"x\"", L"line 5: a value name of 16384 characters"},
        {L"[" + kRoot + Repeated(L"\\d", 17) + L"]", L"line 5: keys may lie at most 16 levels below"},
    };
    for (const auto& c : cases) {
        std::vector<RegFileKey> keys;
        std::wstring error;
        EXPECT_FALSE(ParseRegFile(header + c.text + L"\r\n", kRoot, &keys, &error)) << c.text;
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text;
        EXPECT_TRUE(keys.empty()) << c.text;
    }
    std::vector<RegFileKey> keys;
    std::wstring error;
    // The longest names and the deepest key the registry and export take.
    EXPECT_TRUE(ParseRegFile(header + L"[" + kRoot + Repeated(L"\\d", 15) + L"\\" + std::wstring(255, L'k') +
                                 L"]\r\n\"" + std::wstring(16383, L'v') + L"\"=\"x\"\r\n",
                             kRoot, &keys, &error))
        << error;
    EXPECT_FALSE(ParseRegFile(L"Windows Registry Editor Version 5.00\r\r[" + kRoot + L"]\r", kRoot, &keys, &error));
    EXPECT_EQ(error.substr(0, 42), L"line 1: a carriage return (CR) without a l");
    EXPECT_FALSE(ParseRegFile(L"REGEDIT5\r\n[" + kRoot + L"]\r\n", kRoot, &keys, &error));
    EXPECT_EQ(error.substr(0, 28), L"line 1: not a registry file:");
    EXPECT_FALSE(DecodeRegFile({0xFF, 0xFE, 'A'}, &error, &error));
    EXPECT_FALSE(DecodeRegFile({'A', 0xC3}, &error, &error));
}

}  // namespace
}  // namespace qz::host
