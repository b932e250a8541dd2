#include <gtest/gtest.h>

#include <string>

#include "core/script_parser.h"

namespace qz::core {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// One line per tree, unambiguous enough to compare: markers spelled out, values
// as type letter and data, val(...) and Delete(...) for the two other entry kinds.
std::string Describe(const core::ScriptValue& value) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (value.type) {
    case core::ValueType::String:
        return "s'" + Narrow(value.text) + "'";
    case core::ValueType::Dword:
        return "d" + std::to_string(value.number);
    case core::ValueType::Binary:
        break;
    }
    std::string hex = "b";
    for (const uint8_t b : value.bytes) hex += {kHex[b >> 4], kHex[b & 15]};
    return hex;
}

std::string Describe(const std::vector<core::ScriptEntry>& entries) {
    std::string out;
    for (const core::ScriptEntry& e : entries) {
        if (!out.empty()) out += ' ';
        if (e.kind == core::EntryKind::Delete) {
            out += "Delete(" + Narrow(e.name) + ")";
            continue;
        }
        if (e.kind == core::EntryKind::Value) out += "val(";
        if (e.marker != core::KeyMarker::None)
            out += e.marker == core::KeyMarker::NoRemove ? "NoRemove " : "ForceRemove ";
        out += Narrow(e.name) + (e.kind == core::EntryKind::Value ? ")" : "");
        if (e.value) out += "=" + Describe(*e.value);
        if (!e.children.empty()) out += "{" + Describe(e.children) + "}";
    }
    return out;
}

std::string Describe(const core::Script& script) {
    static const char* const kRoots[] = {"HKCR", "HKCU", "HKLM", "HKU", "HKCC"};
    std::string out;
    for (const core::ScriptRoot& root : script.roots) {
        out += (out.empty() ? "" : " ") + std::string(kRoots[static_cast<int>(root.key)]);
        out += "{" + Describe(root.entries) + "}";
    }
    return out;
}

std::u16string Nested(size_t depth) {
    std::u16string text = u"HKLM {";
    for (size_t i = 0; i < depth; ++i) text += u" A {";
    for (size_t i = 0; i <= depth; ++i) text += u" }";
    return text;
}

TEST(ScriptParserTest, ParsesEveryForm) {
    const struct {
        std::u16string text;
        const char* tree;
    } cases[] = {
        {u"HKEY_CLASSES_ROOT { } HKCR { } HKEY_CURRENT_USER { } HKCU { } HKEY_LOCAL_MACHINE { } HKLM { } "
         u"HKEY_USERS { } HKU { } HKEY_CURRENT_CONFIG { } HKCC { }",
         "HKCR{} HKCR{} HKCU{} HKCU{} HKLM{} HKLM{} HKU{} HKU{} HKCC{} HKCC{}"},
        {u"hklm { noremove A { FORCEREMOVE B = S 'x' { VAL c = D 5 delete D } } }",
         "HKLM{NoRemove A{ForceRemove B=s'x'{val(c)=d5 Delete(D)}}}"},
        {u"HKLM { Packages {0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC} { 8.0 } }",
         "HKLM{Packages {0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}{8.0}}"},
        {u"HKLM { 'A b' = s 'it''s' { val 'N' = s '''' val '' = s '' } 'val' 'Delete' 'NoRemove' '{' }",
         "HKLM{A b=s'it's'{val(N)=s''' val()=s''} val Delete NoRemove {}"},
        {u"HKLM\t{\r\nA\v{\fB\u00A0}\u3000}\uFEFF\n", "HKLM{A{B}}"},
        {u"HKLM { A { val a = d 0 val b = d 4294967295 val c = d '1000' val d = b 0aFF val e = b '' } }",
         "HKLM{A{val(a)=d0 val(b)=d4294967295 val(c)=d1000 val(d)=b0AFF val(e)=b}}"},
        {u"HKCU { Delete X val V = s 'v'} HKLM { A = d 7 B = b '01' { } C }",
         "HKCU{Delete(X) val(V)=s'v'} HKLM{A=d7 B=b01 C}"},
        {u"HKLM { ForceRemove NoRemove NoRemove val }", "HKLM{ForceRemove NoRemove NoRemove val}"},
        {Nested(63), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text).substr(0, 80));
        core::Script script;
        core::ScriptError error;
        ASSERT_TRUE(core::ParseScript(c.text, &script, &error))
            << error.line << ":" << error.column << " " << Narrow(error.message);
        if (c.tree) {
            EXPECT_EQ(Describe(script), c.tree);
        }
    }
}

TEST(ScriptParserTest, ReportsWhereItFails) {
    const struct {
        std::u16string text;
        size_t line, column;
        const char* message;
    } cases[] = {
        {u"", 1, 1, "expected a root key"},
        {u"HKLM { }\n  foo", 2, 3, "expected a root key"},
        {u"HKLM { } }", 1, 10, "expected a root key"},
        {u"HKLM A", 1, 6, "expected '{'"},
        {u"HKLM {\n A {\n }", 3, 3, "missing '}'"},
        {u"HKLM {\n  A = s 'abc\n}", 2, 9, "closing quote"},
        {u"HKLM { ab'c' }", 1, 10, "quote inside"},
        {u"HKLM {\n A = x 'y' }", 2, 6, "unknown value type"},
        {u"HKLM { A = }", 1, 12, "unknown value type"},
        {u"HKLM { val S = s abc }", 1, 18, "quoted text"},
        {u"HKLM { val B = b 0A0 }", 1, 18, "odd number of hex digits"},
        {u"HKLM { val B = b '0G' }", 1, 18, "bad hex digit"},
        {u"HKLM { val B = b }", 1, 18, "expected hex digits"},
        {u"HKLM { val D = d 12a }", 1, 18, "bad number"},
        {u"HKLM { val D = d 4294967296 }", 1, 18, "bad number"},
        {u"HKLM { val D = d '' }", 1, 18, "bad number"},
        {u"HKLM { val V s 'x' }", 1, 14, "expected '='"},
        {u"HKLM { NoRemove }", 1, 17, "expected a name"},
        {u"HKLM { val", 1, 11, "expected a name"},
        {u"HKLM { '' }", 1, 8, "must not be empty or hold a backslash"},
        {u"HKLM { ForceRemove 'A\\B' }", 1, 20, "must not be empty or hold a backslash"},
        {u"HKLM {\r\n\r\n\tA = b 1 }", 3, 8, "odd number"},
        {Nested(100000), 1, 262, "nested too deeply"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text).substr(0, 80));
        core::Script script;
        core::ScriptError error;
        ASSERT_FALSE(core::ParseScript(c.text, &script, &error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.column, c.column);
        EXPECT_NE(Narrow(error.message).find(c.message), std::string::npos) << Narrow(error.message);
    }
}

TEST(ScriptParserTest, SubstitutesVariables) {
    const std::vector<core::ScriptVariable> variables = {
        {u"MODULE", u"C:\\it's\\x.dll"}, {u"Begin", u"NoRemove A\n{\n"}, {u"Q", u"'"}, {u"EMPTY", u""}};
    const struct {
        const char16_t* script;
        const char16_t* text;  // null: fails
        size_t line = 0, column = 0;
        const char* message = "";
    } cases[] = {
        {u"'%MODULE%' %module%", u"'C:\\it''s\\x.dll' C:\\it's\\x.dll"},
        {u"%BEGIN%}", u"NoRemove A\n{\n}"},
        {u"'100%%' %%%EMPTY%", u"'100%' %"},
        {u"'a''%Q%' x", u"'a''''' x"},
        {u"%Q%%MODULE%'", u"'C:\\it''s\\x.dll'"},
        {u"HKLM { A = s '50%' }", nullptr, 1, 17, "without a closing"},
        {u"a\n  %", nullptr, 2, 3, "without a closing"},
        {u"%A B%", nullptr, 1, 1, "without a closing"},
        {u"x %NOPE%", nullptr, 1, 3, "unknown variable '%NOPE%'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.script));
        std::u16string text;
        core::ScriptError error;
        ASSERT_EQ(core::SubstituteVariables(c.script, variables, &text, &error), c.text != nullptr);
        if (c.text) {
            EXPECT_EQ(Narrow(text), Narrow(c.text));
            continue;
        }
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.column, c.column);
        EXPECT_NE(Narrow(error.message).find(c.message), std::string::npos) << Narrow(error.message);
    }
}

// The script as written is what a developer reads, not the substituted text:
// errors count its lines, and one inside a value points at the variable.
TEST(ScriptParserTest, PlacesErrorsInTheScriptAsWritten) {
    const std::vector<core::ScriptVariable> variables = {
        {u"BEGIN", u"NoRemove S\n{\n"}, {u"END", u"}\n"}, {u"BAD", u"= q"}};
    const struct {
        const char16_t* script;
        size_t line, column;
    } cases[] = {
        {u"HKLM {\n%BEGIN%  A = q 'x'\n%END%}", 2, 14},
        {u"HKLM {\n  %BEGIN% A %BAD% 'x' %END% }", 2, 13},
        {u"HKLM {\n%BEGIN% A\n", 3, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.script));
        core::Script script;
        core::ScriptError error;
        ASSERT_FALSE(core::ParseScript(c.script, variables, &script, &error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.column, c.column);
    }
}

}  // namespace
}  // namespace qz::core
