// The portable rules: compiler versions, the string-list editor's lines, the
// General page's extension lists, the message formatter and the registration
// script parser.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/extension_lists.h"
#include "core/message_format.h"
#include "core/script_parser.h"
#include "core/string_list.h"
#include "core/version.h"

namespace qz::core {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// The three spellings of one version, the packed form's boundary at 60, _wtoi's
// reading of each part (white space, sign, no digits, saturation at INT_MAX,
// which gives 214748364 and 7), and the cut to 8 and 16 bits. A text that
// yields nothing leaves the version as it was (7.7.7).
TEST(CmplrVersionTest, ParsesEveryForm) {
    const std::pair<std::u16string, std::string> cases[] = {
        // clang-format off
        {u"11.1.065", "11.1.65"}, {u"111.065", "11.1.65"},   {u"111065", "11.1.65"},       {u"9.1.032", "9.1.32"},
        {u"11.10.1", "11.10.1"},  {u"11.1", "7.7.7"},        {u"120", "7.7.7"},            {u"12", "7.7.7"},
        {u"", "7.7.7"},           {u"61.5", "6.1.5"},        {u"60.5", "7.7.7"},           {u"60.5.1", "60.5.1"},
        {u"11.1.", "11.1.0"},     {u"-1.2.3", "-1.2.3"},     {u" 11. 1.\t065", "11.1.65"}, {u"+12.0.1", "12.0.1"},
        {u"ab.cd.ef", "0.0.0"},   {u"11.300.1", "11.44.1"},  {u"12.0.70000", "12.0.4464"},
        {u"11.1.99999999999", "11.1.65535"},                 {u"99999999999.1", "-52.7.1"}, {u"65012", "6.5.12"},
        // clang-format on
    };
    for (const auto& [text, expected] : cases) {
        CmplrVersion v{7, 7, 7};
        EXPECT_EQ(ParseCmplrVersion(text, &v), expected != "7.7.7") << Narrow(text);
        EXPECT_EQ(std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision), expected)
            << Narrow(text);
    }
}

// The packed and the dotted text, and the order key.
TEST(CmplrVersionTest, FormatsAndOrders) {
    const std::pair<CmplrVersion, std::string> cases[] = {
        // clang-format off
        {{11, 1, 65}, "111.065 11.1.065 111065"},   {{12, 0, 0}, "120.000 12.0 120000"},
        {{11, 10, 1}, "120.001 11.10.001 120001"},  {{12, 0, 65535}, "120.65535 12.0.65535 185535"},
        {{-1, 2, 3}, "4294967288.003 4294967295.2.003 -7997"},
        // clang-format on
    };
    for (const auto& [v, expected] : cases) {
        EXPECT_EQ(Narrow(PackedVersion(v)) + " " + Narrow(VersionString(v)) + " " + std::to_string(v.OrderKey()),
                  expected);
    }
}

// A list, the lines the editor shows for it, and the list that OK gives back for
// those lines. Splitting: ";" and "," outside quotes; text after a closing quote
// stays on its line; an unmatched quote ends the splitting. Joining (also of
// lines no list gives, list null): cut at CR LF only, trimmed by iswspace,
// blank lines dropped, trailing semicolons removed.
TEST(StringListTest, SplitsIntoLinesAndJoinsThemAgain) {
    const std::tuple<const char16_t*, std::u16string, std::u16string> cases[] = {
        // clang-format off
        {u"a;b,c", u"a\r\nb\r\nc\r\n", u"a;b;c"},                  {u";;a;;", u"a\r\n", u"a"},
        {u"\"C:\\My;D\";E", u"\"C:\\My;D\"\r\nE\r\n", u"\"C:\\My;D\";E"}, {u"'a,b',c", u"'a,b'\r\nc\r\n", u"'a,b';c"},
        {u"\"it's\";x", u"\"it's\"\r\nx\r\n", u"\"it's\";x"},        {u"'a'b;c", u"'a'b\r\nc\r\n", u"'a'b;c"},
        {u"x;'y;z", u"x\r\n'y;z\r\n", u"x;'y;z"},                   {u"ab'c;d", u"ab'c;d\r\n", u"ab'c;d"},
        {u" a ; b", u" a \r\n b\r\n", u"a;b"},                      {u"a\n", u"a\r\n", u"a"},
        {u";,;", u"", u""},                                         {nullptr, u"\r\n \r\n", u""},
        {nullptr, u"  a \r\n\r\n \t\v\f \r\nb", u"a;b"},            {nullptr, u"\u3000a\u2003\r\nb", u"a;b"},
        {nullptr, u"a\nb\rc", u"a\nb\rc"},                          {nullptr, u"\na\r", u"a"},
        {nullptr, u"a;\r\nb;;", u"a;;b"},                           {nullptr, u"a;;\r\nb", u"a;;;b"},
        // clang-format on
    };
    for (const auto& [list, lines, back] : cases) {
        EXPECT_EQ(list ? SplitListIntoLines(list) : lines, lines) << Narrow(lines);
        EXPECT_EQ(JoinLinesIntoList(lines), back) << Narrow(lines);
    }
}

TEST(ExtensionListTest, SplitsJoinsLowersAndFindsMembers) {
    EXPECT_EQ(SplitExtensionList(u""), std::vector<std::u16string>{u""});
    EXPECT_EQ(SplitExtensionList(u" .a ;;.b\t;"), (std::vector<std::u16string>{u" .a ", u"", u".b\t", u""}));
    EXPECT_EQ(LowerExtensionList(u".AZ;.FOR@[`{\u00C4\u0395"), u".az;.for@[`{\u00C4\u0395");
    // One ";" between, none at the end; white space goes before semicolons.
    const std::u16string joins[][3] = {
        // clang-format off
        {u"", u"", u""},                 {u"", u".f90", u".f90"},      {u".f;.for;", u"", u".f;.for"},
        {u".f;; \t", u".fi", u".f;.fi"}, {u"", u".f90 ;", u".f90 "},   {u".f;", u" ", u".f"},
        {u" .f", u" .fi", u" .f; .fi"},
        // clang-format on
    };
    for (const auto& j : joins) EXPECT_EQ(JoinExtensionLists(j[0], j[1]), j[2]) << Narrow(j[0]) << "|" << Narrow(j[1]);
    // Only the first occurrence of the entry counts, and only what follows it.
    const std::tuple<std::u16string, std::u16string, bool> members[] = {
        // clang-format off
        {u".f", u".f", true},      {u".for", u".f;.for;.fpp", true}, {u".f", u".ff;.f", false},
        {u".f", u".f ;.g", false},
        {u".f90", u"x.f90", true}, {u".f90", u".f;.for", false},     {u"", u";.f;;", false},
        // clang-format on
    };
    for (const auto& [entry, list, member] : members) EXPECT_EQ(IsExtensionInList(entry, list), member) << Narrow(list);
}

// Fields 1004, 1007, 1005, 1006 and the outcome (message 0: valid): missing
// dots first, in field order, then the overlaps in their order.
TEST(ExtensionListTest, CheckReportsTheFirstFailure) {
    const ExtensionLists defaults{u".f90", u"", u".f;.for;.fpp", u".fi;.fd"};
    const std::tuple<ExtensionLists, unsigned, std::u16string> cases[] = {
        // clang-format off
        {defaults, 0, u""},                              {{}, 0, u""},
        {{u".f95;f90", u"", u"", u""}, 1015, u"f90"},    {{u"", u"", u"", u"FD"}, 1015, u"fd"},
        {{u"", u".a;;.b", u"", u""}, 1015, u""},         {{u"", u"x", u"y", u""}, 1015, u"x"},
        {{u"", u"", u"y", u"z"}, 1015, u"y"},            {{u".for", u"", u"", u"z"}, 1015, u"z"},
        {{u".for", u"", u"", u""}, 1013, u".for"},       {{u".q;.f", u"", u".q", u""}, 1013, u".f"},
        {{u".F90", u"", u".f", u".f90"}, 1013, u".f90"}, {{u".q", u"", u".f90;.q", u""}, 1013, u".q"},
        {{u"", u"", u".f90;.x", u".x"}, 1013, u".f90"},  {{u".a;.b", u".B", u".c", u".c"}, 1013, u".b"},
        {{u"", u"", u".c", u".C"}, 1013, u".c"},         {{u".c", u"", u".c \t", u".d"}, 1013, u".c"},
        {{u".c", u"", u".c ;.d", u""}, 0, u""},          {{u".f90;.b", u"", u".bb;.b", u""}, 0, u""},
        // clang-format on
    };
    for (const auto& [fields, message, entry] : cases) {
        const ExtensionListsCheck result = CheckExtensionLists(fields, defaults);
        EXPECT_EQ(std::tie(result.valid, result.message, result.entry), std::make_tuple(message == 0, message, entry))
            << Narrow(fields.free_source) << "|" << Narrow(fields.free_header) << "|" << Narrow(fields.fixed_source);
    }
}

// Arguments are inserted as they are; a % before anything but 1-9 and A-Z is
// copied and the character after it read anew.
TEST(MessageFormatTest, ReplacesPlaceholders) {
    const std::tuple<std::u16string, std::vector<const char16_t*>, std::u16string> cases[] = {
        // clang-format off
        {u"key \"%1\" missing", {u"K"}, u"key \"K\" missing"}, {u"%1-%2", {u"x"}, u"x-?"}, {u"[%1]", {}, u"[?]"},
        {u"%%1", {u"x"}, u"%x"},         {u"100%%|%a|%0|50%", {u"x"}, u"100%%|%a|%0|50%"},
        {u"%1|%2|%3", {u"x", nullptr, u"z"}, u"x||z"},         {u"%1%2", {u"%2", u"5%"}, u"%25%"},
        // clang-format on
    };
    for (const auto& [pattern, args, expected] : cases) {
        EXPECT_EQ(FormatPlaceholders(pattern, args.data(), args.size()), expected) << Narrow(pattern);
    }
    // Digits stand for arguments 0 to 8, letters A to Z for 9 to 34 (<0> to <R>).
    std::vector<std::u16string> texts;
    std::vector<const char16_t*> args;
    for (int i = 0; i < 35; ++i) texts.push_back(u"<" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u">");
    for (const auto& t : texts) args.push_back(t.c_str());
    EXPECT_EQ(FormatPlaceholders(u"%1%9%A%B%Z", args.data(), 35), u"<0><8><9><:><R>");
    EXPECT_EQ(FormatPlaceholders(u"%Y%Z", args.data(), 34), u"<Q>?");
    EXPECT_EQ(FormatPlaceholders(u"<%1>", nullptr, 3), u"<?>");
}

// Entries on one line: markers spelled out, val(...) and Delete(...) for the
// two other kinds, values as type letter and data (bytes in decimal).
std::string Describe(const std::vector<ScriptEntry>& entries) {
    static const char *const kKinds[] = {"", "val(", "Delete("}, *const kMarkers[] = {"", "NoRemove ", "ForceRemove "};
    std::string out;
    for (const ScriptEntry& e : entries) {
        out += kKinds[int(e.kind)] + std::string(kMarkers[int(e.marker)]) + Narrow(e.name);
        if (e.kind != EntryKind::Key) out += ")";
        if (const auto& v = e.value) {
            out += "=" + std::string(1, "sdb"[int(v->type)]) +
                   (v->type == ValueType::Dword ? std::to_string(v->number) : "");
            if (v->type == ValueType::String) out += "'" + Narrow(v->text) + "'";
            for (const uint8_t b : v->bytes) out += std::to_string(b) + ",";
        }
        out += (e.children.empty() ? "" : "{" + Describe(e.children) + "}") + " ";
    }
    return out;
}

std::u16string Nested(size_t depth) {
    std::u16string text = u"HKLM {";
    for (size_t i = 0; i < depth; ++i) text += u" A {";
    for (size_t i = 0; i <= depth; ++i) text += u" }";
    return text;
}

// Names are compared without regard to ASCII case; a value inside a quoted text
// has its quotes doubled, so that it stays one text.
const std::vector<ScriptVariable> kVariables = {{u"MODULE", u"C:\\it's\\x.dll"},
                                                {u"Begin", u"NoRemove S\n{\n"},
                                                {u"END", u"}\n"},
                                                {u"Q", u"'"},
                                                {u"EMPTY", u""},
                                                {u"BAD", u"= q"}};

// Roots as their numbers. Scripts without variables parse alike without them.
TEST(ScriptParserTest, ParsesEveryForm) {
    const std::pair<std::u16string, const char*> cases[] = {
        {u"HKEY_CLASSES_ROOT { } HKCR { } HKEY_CURRENT_USER { } HKCU { } HKEY_LOCAL_MACHINE { } HKLM { } "
         u"HKEY_USERS { } HKU { } HKEY_CURRENT_CONFIG { } HKCC { }",
         "0{} 0{} 1{} 1{} 2{} 2{} 3{} 3{} 4{} 4{} "},
        {u"hklm { noremove {G}-1 { FORCEREMOVE B = S 'x' { VAL c = D 5 delete D } } }",
         "2{NoRemove {G}-1{ForceRemove B=s'x'{val(c)=d5 Delete(D) } } } "},
        {u"HKLM { 'A b' = s 'it''s' { val 'N' = s '''' val '' = s '' } 'val' 'Delete' 'NoRemove' '{' }",
         "2{A b=s'it's'{val(N)=s''' val()=s'' } val Delete NoRemove { } "},
        {u"HKLM\t{\r\nA\v{\fB\u00A0}\u3000}\uFEFF\n", "2{A{B } } "},
        {u"HKLM { A { val a = d 0 val b = d 4294967295 val c = d '1000' val d = b 0aFF val e = b '' } }",
         "2{A{val(a)=d0 val(b)=d4294967295 val(c)=d1000 val(d)=b10,255, val(e)=b } } "},
        {u"HKCU { Delete X val V = s 'v'} HKLM { A = d 7 B = b '01' { } C ForceRemove NoRemove NoRemove val }",
         "1{Delete(X) val(V)=s'v' } 2{A=d7 B=b1, C ForceRemove NoRemove NoRemove val } "},
        {u"HKLM { %BEGIN% val V%EMPTY% = s 'a''%Q%%module%' val %Q%%MODULE%' = s '%%' %end%}",
         "2{NoRemove S{val(V)=s'a''C:\\it's\\x.dll' val(C:\\it's\\x.dll)=s'%' } } "},
        {Nested(63), nullptr},
    };
    for (const auto& [text, tree] : cases) {
        Script script, plain;
        ScriptError error;
        ASSERT_TRUE(ParseScript(text, kVariables, &script, &error)) << error.line << ":" << error.column;
        std::string roots;
        for (const ScriptRoot& r : script.roots) roots += std::to_string(int(r.key)) + "{" + Describe(r.entries) + "} ";
        EXPECT_EQ(roots, tree ? tree : roots);
        EXPECT_TRUE(text.find(u'%') != std::u16string::npos || ParseScript(text, &plain, &error));
    }
}

// Errors are placed in the script as written: one inside a substituted value at
// the variable's opening %.
TEST(ScriptParserTest, ReportsWhereItFails) {
    const std::tuple<std::u16string, size_t, size_t, const char*> cases[] = {
        // clang-format off
        {u"", 1, 1, "expected a root key"},                        {u"HKLM { }\n  foo", 2, 3, "expected a root key"},
        {u"HKLM A", 1, 6, "expected '{'"},                         {u"HKLM {\n A {\n }", 3, 3, "missing '}'"},
        {u"HKLM {\n  A = s 'abc\n}", 2, 9, "closing quote"},       {u"HKLM { ab'c' }", 1, 10, "quote inside"},
        {u"HKLM {\n A = x 'y' }", 2, 6, "unknown value type"},     {u"HKLM { val S = s abc }", 1, 18, "quoted text"},
        {u"HKLM { val B = b 0A0 }", 1, 18, "odd number of hex"},   {u"HKLM { val B = b '0G' }", 1, 18, "bad hex digit"},
        {u"HKLM { val B = b }", 1, 18, "expected hex digits"},     {u"HKLM { val D = d 12a }", 1, 18, "bad number"},
        {u"HKLM { val D = d 4294967296 }", 1, 18, "bad number"},   {u"HKLM { val D = d '' }", 1, 18, "bad number"},
        {u"HKLM { val V s 'x' }", 1, 14, "expected '='"},          {u"HKLM { NoRemove }", 1, 17, "expected a name"},
        {u"HKLM { val", 1, 11, "expected a name"},                 {u"HKLM { '' }", 1, 8, "empty or hold a backslash"},
        {u"HKLM { ForceRemove 'A\\B' }", 1, 20, "hold a backslash"}, {u"HKLM {\r\n\r\n\tA = b 1 }", 3, 8, "odd number"},
        {Nested(100000), 1, 262, "nested too deeply"},
        {u"HKLM { A = s '50%' }", 1, 17, "without a closing"},
        {u"a\n  %", 2, 3, "without a closing"},                    {u"%A B%", 1, 1, "without a closing"},
        {u"x %NOPE%", 1, 3, "unknown variable '%NOPE%'"},          {u"HKLM {\n%BEGIN%  A = q 'x'\n%END%}", 2, 14, "q"},
        {u"HKLM {\n  %BEGIN% A %BAD% 'x' %END% }", 2, 13, "q"},    {u"HKLM {\n%BEGIN% A\n", 3, 1, "missing '}'"},
        // clang-format on
    };
    for (const auto& [text, line, column, message] : cases) {
        Script script;
        ScriptError error;
        ASSERT_FALSE(ParseScript(text, kVariables, &script, &error)) << Narrow(text);
        EXPECT_EQ(std::tie(error.line, error.column), std::tie(line, column)) << Narrow(text);
        EXPECT_NE(Narrow(error.message).find(message), std::string::npos) << Narrow(error.message);
    }
}

}  // namespace
}  // namespace qz::core
