#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/script_parser.h"

namespace qz::core {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

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

// The substitution alone: a value inside a quoted text has its quotes doubled.
TEST(ScriptParserTest, SubstitutesVariables) {
    std::u16string text;
    ScriptError error;
    EXPECT_TRUE(SubstituteVariables(u"'%MODULE%' %module%", kVariables, &text, &error));
    EXPECT_EQ(text, u"'C:\\it''s\\x.dll' C:\\it's\\x.dll");
    EXPECT_FALSE(SubstituteVariables(u"x\n %NOPE%", kVariables, &text, &error));
    EXPECT_EQ(std::make_pair(error.line, error.column), std::make_pair(size_t{2}, size_t{2}));
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
