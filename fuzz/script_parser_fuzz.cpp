// The registration script parser. Input: the script, then variables as
// NAME=value, separated by NUL. A script either parses into trees that keep
// the format's rules and read back the same when written out again, or fails
// at a line and column of the script as written.
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "core/script_parser.h"

namespace {

using namespace qz::core;

constexpr size_t kMaxNesting = 64;

std::u16string Quoted(const std::u16string& text) {
    std::u16string out = u"'";
    for (const char16_t c : text) out += c == u'\'' ? u"''" : std::u16string(1, c);
    return out + u"'";
}

std::u16string Written(const ScriptValue& value) {
    static const char16_t kHex[] = u"0123456789ABCDEF";
    switch (value.type) {
    case ValueType::String:
        return u" s " + Quoted(value.text);
    case ValueType::Dword: {
        const std::string number = std::to_string(value.number);
        return u" d " + std::u16string(number.begin(), number.end());
    }
    case ValueType::Binary:
        break;
    }
    std::u16string hex;
    for (const uint8_t b : value.bytes) hex += {kHex[b >> 4], kHex[b & 15]};
    return u" b " + Quoted(hex);
}

std::u16string Written(const std::vector<ScriptEntry>& entries) {
    static const char16_t* const kMarkers[] = {u" ", u" NoRemove ", u" ForceRemove "};  // KeyMarker's order
    std::u16string out = u" {";
    for (const ScriptEntry& entry : entries) {
        switch (entry.kind) {
        case EntryKind::Delete:
            out += u" Delete " + Quoted(entry.name);
            break;
        case EntryKind::Value:
            out += u" val " + Quoted(entry.name) + u" =" + Written(*entry.value);
            break;
        case EntryKind::Key:
            out += kMarkers[static_cast<int>(entry.marker)];
            out += Quoted(entry.name);
            if (entry.value) out += u" =" + Written(*entry.value);
            // An empty body is left out: at the deepest level it would be one level too deep.
            if (!entry.children.empty()) out += Written(entry.children);
            break;
        }
    }
    return out + u" }\n";
}

std::u16string Written(const Script& script) {
    static const char16_t* const kRoots[] = {u"HKCR", u"HKCU", u"HKLM", u"HKU", u"HKCC"};
    std::u16string out;
    for (const ScriptRoot& root : script.roots) out += kRoots[static_cast<int>(root.key)] + Written(root.entries);
    return out;
}

bool Same(const ScriptValue& a, const ScriptValue& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case ValueType::String:
        return a.text == b.text;
    case ValueType::Dword:
        return a.number == b.number;
    case ValueType::Binary:
        return a.bytes == b.bytes;
    }
    return false;
}

bool Same(const std::vector<ScriptEntry>& a, const std::vector<ScriptEntry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const ScriptEntry& x = a[i];
        const ScriptEntry& y = b[i];
        if (x.kind != y.kind || x.name != y.name || x.marker != y.marker ||
            x.value.has_value() != y.value.has_value() || (x.value && !Same(*x.value, *y.value)) ||
            !Same(x.children, y.children)) {
            return false;
        }
    }
    return true;
}

bool Same(const Script& a, const Script& b) {
    if (a.roots.size() != b.roots.size()) return false;
    for (size_t i = 0; i < a.roots.size(); ++i) {
        if (a.roots[i].key != b.roots[i].key || !Same(a.roots[i].entries, b.roots[i].entries)) return false;
    }
    return true;
}

bool SameError(const ScriptError& a, const ScriptError& b) {
    return a.line == b.line && a.column == b.column && a.message == b.message;
}

void CheckEntries(const std::vector<ScriptEntry>& entries, size_t level) {
    for (const ScriptEntry& entry : entries) {
        FUZZ_CHECK(level <= kMaxNesting);
        if (entry.kind != EntryKind::Value) {
            FUZZ_CHECK(!entry.name.empty() && entry.name.find(u'\\') == std::u16string::npos);
        }
        if (entry.kind != EntryKind::Key) FUZZ_CHECK(entry.marker == KeyMarker::None && entry.children.empty());
        if (entry.kind == EntryKind::Value) FUZZ_CHECK(entry.value.has_value());
        if (entry.kind == EntryKind::Delete) FUZZ_CHECK(!entry.value.has_value());
        CheckEntries(entry.children, level + 1);
    }
}

bool EndsLine(std::u16string_view text, size_t i) {
    return text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
}

// A line ends at LF or at a CR that no LF follows; the column may stand on
// the line's break or, on the last line, just past the end.
void CheckErrorPlace(std::u16string_view text, const ScriptError& error) {
    FUZZ_CHECK(!error.message.empty());
    std::vector<size_t> lengths{0};
    for (size_t i = 0; i < text.size(); ++i) {
        if (EndsLine(text, i)) {
            lengths.push_back(0);
        } else {
            ++lengths.back();
        }
    }
    FUZZ_CHECK(error.line >= 1 && error.line <= lengths.size());
    FUZZ_CHECK(error.column >= 1 && error.column <= lengths[error.line - 1] + 1);
}

// Parses, checks what came out, and answers whether it parsed.
bool CheckedParse(std::u16string_view text, Script* script, ScriptError* error) {
    if (!ParseScript(text, script, error)) {
        CheckErrorPlace(text, *error);
        return false;
    }
    FUZZ_CHECK(!script->roots.empty());
    for (const ScriptRoot& root : script->roots) CheckEntries(root.entries, 1);
    Script again;
    ScriptError again_error;
    FUZZ_CHECK(ParseScript(Written(*script), &again, &again_error));
    FUZZ_CHECK(Same(*script, again));
    return true;
}

std::vector<ScriptVariable> Variables(const std::vector<std::u16string>& fields) {
    std::vector<ScriptVariable> variables;
    for (size_t i = 1; i < fields.size(); ++i) {
        const size_t equals = fields[i].find(u'=');
        if (equals == std::u16string::npos) {
            variables.push_back({fields[i], u""});
        } else {
            variables.push_back({fields[i].substr(0, equals), fields[i].substr(equals + 1)});
        }
    }
    return variables;
}

// Whatever a value holds, put inside a quoted text it stays text, as a name
// as well as a value.
void CheckValueStaysText(const std::u16string& value) {
    const std::vector<ScriptVariable> variables = {{u"V", value}};
    Script script;
    ScriptError error;
    FUZZ_CHECK(ParseScript(u"HKLM { K = s 'a''%V%b' { val '%V%' = s '%%' } }", variables, &script, &error));
    FUZZ_CHECK(script.roots.size() == 1 && script.roots[0].entries.size() == 1);
    const ScriptEntry& key = script.roots[0].entries[0];
    FUZZ_CHECK(key.value && key.value->text == u"a'" + value + u"b");
    FUZZ_CHECK(key.children.size() == 1 && key.children[0].name == value && key.children[0].value->text == u"%");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::u16string> fields = qz::fuzz::SplitFields(qz::fuzz::DecodeText(data, size));
    const std::u16string& source = fields.front();
    const std::vector<ScriptVariable> variables = Variables(fields);

    Script plain;
    ScriptError plain_error;
    const bool plain_parsed = CheckedParse(source, &plain, &plain_error);

    // Substituting, then parsing, is parsing the substituted text, with any
    // error placed in the script as written.
    std::u16string text;
    ScriptError substitution_error;
    Script substituted;
    ScriptError substituted_error;
    const bool parsed = ParseScript(source, variables, &substituted, &substituted_error);
    if (!SubstituteVariables(source, variables, &text, &substitution_error)) {
        CheckErrorPlace(source, substitution_error);
        FUZZ_CHECK(!parsed && SameError(substituted_error, substitution_error));
    } else {
        Script direct;
        ScriptError direct_error;
        FUZZ_CHECK(CheckedParse(text, &direct, &direct_error) == parsed);
        if (parsed) {
            FUZZ_CHECK(Same(direct, substituted));
        } else {
            CheckErrorPlace(source, substituted_error);
            FUZZ_CHECK(substituted_error.message == direct_error.message);
        }
        if (source.find(u'%') == std::u16string::npos) {
            FUZZ_CHECK(text == source && parsed == plain_parsed);
            FUZZ_CHECK(parsed ? Same(plain, substituted) : SameError(plain_error, substituted_error));
        }
    }

    if (!variables.empty()) CheckValueStaysText(variables.front().value);
    return 0;
}
