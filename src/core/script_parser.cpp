#include "core/script_parser.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace qz::core {
namespace {

constexpr size_t npos = std::u16string_view::npos;

// Deep enough for any real registry script, shallow enough that neither the
// parser nor the engine, both recursive, can run out of stack.
constexpr size_t kMaxDepth = 64;

bool IsWhiteSpace(char16_t c) {
    switch (c) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case u'\u0085':
    case u'\u00A0':
    case u'\u1680':
    case u'\u2028':
    case u'\u2029':
    case u'\u202F':
    case u'\u205F':
    case u'\u3000':
    case u'\uFEFF':  // a byte-order mark left at the start of a resource
        return true;
    default:
        return c >= u'\u2000' && c <= u'\u200A';
    }
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
    const auto same = [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same);
}

ScriptError ErrorAt(std::u16string_view text, size_t offset, std::u16string message) {
    ScriptError error{1, 1, std::move(message)};
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        const bool lineBreak = text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
        if (lineBreak) {
            ++error.line;
            error.column = 1;
        } else {
            ++error.column;
        }
    }
    return error;
}

// ---- Substitution ----

// Where a run of the substituted text came from: copied from the script from
// `source` on, or made by the %...% at `source`.
struct Piece {
    size_t text;
    size_t source;
    bool copied;
};

struct Substitution {
    std::u16string text;
    std::vector<Piece> pieces;
    size_t errorOffset = 0;
    std::u16string message;
};

const ScriptVariable* FindVariable(const std::vector<ScriptVariable>& variables, std::u16string_view name) {
    for (const ScriptVariable& variable : variables) {
        if (SameName(variable.name, name)) return &variable;
    }
    return nullptr;
}

// The closing % of a name: names hold no white space or quote, so that a lone %
// in a text is reported where it stands, not paired with a distant one.
size_t ClosingPercent(std::u16string_view script, size_t from) {
    for (size_t i = from; i < script.size(); ++i) {
        if (script[i] == u'%') return i;
        if (IsWhiteSpace(script[i]) || script[i] == u'\'') return npos;
    }
    return npos;
}

bool Substitute(std::u16string_view script, const std::vector<ScriptVariable>& variables, Substitution* out) {
    std::u16string& text = out->text;
    // Whether the text made so far ends inside a quoted text, as the tokenizer will see it.
    bool quoted = false;
    size_t i = 0;
    while (i < script.size()) {
        const size_t percent = script.find(u'%', i);
        const size_t end = percent == npos ? script.size() : percent;
        if (end > i) {
            out->pieces.push_back({text.size(), i, true});
            const std::u16string_view run = script.substr(i, end - i);
            if (std::count(run.begin(), run.end(), u'\'') % 2 != 0) quoted = !quoted;
            text.append(run);
        }
        if (percent == npos) break;

        const size_t close = ClosingPercent(script, percent + 1);
        if (close == npos) {
            out->errorOffset = percent;
            out->message = u"'%' without a closing '%' (write %% for a percent sign)";
            return false;
        }
        const std::u16string_view name = script.substr(percent + 1, close - percent - 1);
        out->pieces.push_back({text.size(), percent, false});
        if (name.empty()) {
            text += u'%';
        } else {
            const ScriptVariable* variable = FindVariable(variables, name);
            if (!variable) {
                out->errorOffset = percent;
                out->message = u"unknown variable '%" + std::u16string(name) + u"%'";
                return false;
            }
            // Inside a quoted text the value must stay text; outside it is script.
            const bool inside = quoted;
            for (const char16_t c : variable->value) {
                text += c;
                if (c != u'\'') continue;
                if (inside) {
                    text += c;
                } else {
                    quoted = !quoted;
                }
            }
        }
        i = close + 1;
    }
    return true;
}

size_t SourceOffset(const Substitution& substitution, size_t offset, size_t sourceSize) {
    if (offset >= substitution.text.size()) return sourceSize;
    const auto& pieces = substitution.pieces;
    // The last piece starting at or before the offset; an empty value's piece is skipped.
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), offset,
                                        [](size_t at, const Piece& piece) { return at < piece.text; });
    const Piece& piece = *std::prev(after);
    return piece.copied ? piece.source + (offset - piece.text) : piece.source;
}

// ---- Parser ----

struct Token {
    enum Kind { End, Bare, Quoted } kind = End;
    std::u16string text;
    size_t offset = 0;
};

bool IsBare(const Token& token, std::u16string_view text) { return token.kind == Token::Bare && token.text == text; }
bool IsKeyword(const Token& token, std::u16string_view keyword) {
    return token.kind == Token::Bare && SameName(token.text, keyword);
}
bool IsPunctuation(const Token& token) { return IsBare(token, u"{") || IsBare(token, u"}") || IsBare(token, u"="); }

std::u16string Shown(const Token& token) {
    if (token.kind == Token::End) return u"the end of the script";
    constexpr size_t kLongest = 40;
    if (token.text.size() > kLongest) return u"'" + token.text.substr(0, kLongest) + u"...'";
    return u"'" + token.text + u"'";
}

bool RootOf(const Token& token, RootKey* key) {
    static const struct {
        const char16_t* name;
        const char16_t* abbreviation;
        RootKey key;
    } kRoots[] = {
        {u"HKEY_CLASSES_ROOT", u"HKCR", RootKey::ClassesRoot},
        {u"HKEY_CURRENT_USER", u"HKCU", RootKey::CurrentUser},
        {u"HKEY_LOCAL_MACHINE", u"HKLM", RootKey::LocalMachine},
        {u"HKEY_USERS", u"HKU", RootKey::Users},
        {u"HKEY_CURRENT_CONFIG", u"HKCC", RootKey::CurrentConfig},
    };
    for (const auto& root : kRoots) {
        if (IsKeyword(token, root.name) || IsKeyword(token, root.abbreviation)) {
            *key = root.key;
            return true;
        }
    }
    return false;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(std::u16string_view text) : text_(text) {}

    bool Parse(Script* script);
    size_t ErrorOffset() const { return errorOffset_; }
    std::u16string TakeMessage() { return std::move(message_); }

private:
    bool Fail(size_t offset, std::u16string message) {
        errorOffset_ = offset;
        message_ = std::move(message);
        return false;
    }
    bool Read(Token* token);
    bool Next(Token* token);
    bool Peek(const Token** token);
    bool ParseBody(size_t openOffset, size_t depth, std::vector<ScriptEntry>* entries);
    bool ParseEntry(const Token& first, size_t depth, ScriptEntry* entry);
    bool ParseName(bool key, std::u16string* name);
    bool ParseValue(ScriptValue* value);

    std::u16string_view text_;
    size_t pos_ = 0;
    Token peeked_;
    bool hasPeeked_ = false;
    size_t errorOffset_ = 0;
    std::u16string message_;
};

bool Parser::Read(Token* token) {
    while (pos_ < text_.size() && IsWhiteSpace(text_[pos_])) ++pos_;
    token->offset = pos_;
    token->text.clear();
    if (pos_ == text_.size()) {
        token->kind = Token::End;
        return true;
    }
    if (text_[pos_] == u'\'') {
        token->kind = Token::Quoted;
        for (size_t i = pos_ + 1; i < text_.size(); ++i) {
            if (text_[i] != u'\'') {
                token->text += text_[i];
            } else if (i + 1 < text_.size() && text_[i + 1] == u'\'') {
                token->text += u'\'';
                ++i;
            } else {
                pos_ = i + 1;
                return true;
            }
        }
        return Fail(token->offset, u"quoted text without its closing quote");
    }
    token->kind = Token::Bare;
    size_t end = pos_;
    for (; end < text_.size() && !IsWhiteSpace(text_[end]); ++end) {
        // The substitution took this quote as the start of a text; so must the reader.
        if (text_[end] == u'\'') {
            return Fail(end, u"quote inside '" + std::u16string(text_.substr(pos_, end - pos_)) +
                                 u"' (put white space before a quoted text)");
        }
    }
    token->text.assign(text_.substr(pos_, end - pos_));
    pos_ = end;
    return true;
}

bool Parser::Next(Token* token) {
    if (!hasPeeked_) return Read(token);
    hasPeeked_ = false;
    *token = std::move(peeked_);
    return true;
}

bool Parser::Peek(const Token** token) {
    if (!hasPeeked_) {
        if (!Read(&peeked_)) return false;
        hasPeeked_ = true;
    }
    *token = &peeked_;
    return true;
}

bool Parser::Parse(Script* script) {
    Token token;
    if (!Next(&token)) return false;
    do {
        ScriptRoot root;
        if (!RootOf(token, &root.key)) {
            return Fail(token.offset, u"expected a root key (HKEY_LOCAL_MACHINE, HKLM, ...) but found " + Shown(token));
        }
        Token open;
        if (!Next(&open)) return false;
        if (!IsBare(open, u"{")) return Fail(open.offset, u"expected '{' but found " + Shown(open));
        if (!ParseBody(open.offset, 1, &root.entries)) return false;
        script->roots.push_back(std::move(root));
        if (!Next(&token)) return false;
    } while (token.kind != Token::End);
    return true;
}

bool Parser::ParseBody(size_t openOffset, size_t depth, std::vector<ScriptEntry>* entries) {
    if (depth > kMaxDepth) return Fail(openOffset, u"keys nested too deeply");
    for (;;) {
        Token token;
        if (!Next(&token)) return false;
        if (token.kind == Token::End) return Fail(token.offset, u"missing '}'");
        if (IsBare(token, u"}")) return true;
        ScriptEntry entry;
        if (!ParseEntry(token, depth, &entry)) return false;
        entries->push_back(std::move(entry));
    }
}

bool Parser::ParseEntry(const Token& first, size_t depth, ScriptEntry* entry) {
    if (IsKeyword(first, u"Delete")) {
        entry->kind = EntryKind::Delete;
        return ParseName(true, &entry->name);
    }
    if (IsKeyword(first, u"val")) {
        entry->kind = EntryKind::Value;
        if (!ParseName(false, &entry->name)) return false;
        Token equals;
        if (!Next(&equals)) return false;
        if (!IsBare(equals, u"=")) return Fail(equals.offset, u"expected '=' but found " + Shown(equals));
        return ParseValue(&entry->value.emplace());
    }

    entry->kind = EntryKind::Key;
    if (IsKeyword(first, u"ForceRemove")) {
        entry->marker = KeyMarker::ForceRemove;
    } else if (IsKeyword(first, u"NoRemove")) {
        entry->marker = KeyMarker::NoRemove;
    } else {
        hasPeeked_ = true;
        peeked_ = first;
    }
    if (!ParseName(true, &entry->name)) return false;

    const Token* next = nullptr;
    if (!Peek(&next)) return false;
    if (IsBare(*next, u"=")) {
        hasPeeked_ = false;
        if (!ParseValue(&entry->value.emplace()) || !Peek(&next)) return false;
    }
    if (IsBare(*next, u"{")) {
        hasPeeked_ = false;
        return ParseBody(next->offset, depth + 1, &entry->children);
    }
    return true;
}

bool Parser::ParseName(bool key, std::u16string* name) {
    Token token;
    if (!Next(&token)) return false;
    if (token.kind == Token::End || IsPunctuation(token)) {
        return Fail(token.offset, u"expected a name but found " + Shown(token));
    }
    if (key && (token.text.empty() || token.text.find(u'\\') != npos)) {
        return Fail(token.offset, u"a key name must not be empty or hold a backslash: " + Shown(token));
    }
    *name = std::move(token.text);
    return true;
}

bool Parser::ParseValue(ScriptValue* value) {
    Token type;
    if (!Next(&type)) return false;
    const char16_t letter = type.kind == Token::Bare && type.text.size() == 1 ? FoldAscii(type.text[0]) : u'\0';
    if (letter != u'S' && letter != u'D' && letter != u'B') {
        return Fail(type.offset, u"unknown value type " + Shown(type) + u" (s, d or b)");
    }
    Token data;
    if (!Next(&data)) return false;
    const bool usable = data.kind != Token::End && !IsPunctuation(data);

    if (letter == u'S') {
        if (data.kind != Token::Quoted) return Fail(data.offset, u"expected a quoted text but found " + Shown(data));
        value->type = ValueType::String;
        value->text = std::move(data.text);
        return true;
    }
    if (letter == u'D') {
        uint64_t number = 0;
        bool good = usable && !data.text.empty();
        for (size_t i = 0; good && i < data.text.size(); ++i) {
            const char16_t c = data.text[i];
            good = c >= u'0' && c <= u'9';
            number = number * 10 + (good ? c - u'0' : 0);
            good = good && number <= UINT32_MAX;
        }
        if (!good) return Fail(data.offset, u"bad number " + Shown(data) + u" (decimal, 0 to 4294967295)");
        value->type = ValueType::Dword;
        value->number = static_cast<uint32_t>(number);
        return true;
    }
    if (!usable) return Fail(data.offset, u"expected hex digits but found " + Shown(data));
    if (data.text.size() % 2 != 0) return Fail(data.offset, u"odd number of hex digits in " + Shown(data));
    value->type = ValueType::Binary;
    for (size_t i = 0; i < data.text.size(); i += 2) {
        const int high = HexDigit(data.text[i]);
        const int low = HexDigit(data.text[i + 1]);
        if (high < 0 || low < 0) return Fail(data.offset, u"bad hex digit in " + Shown(data));
        value->bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

bool ParseText(std::u16string_view text, Script* script, size_t* errorOffset, std::u16string* message) {
    Parser parser(text);
    Script parsed;
    if (!parser.Parse(&parsed)) {
        *errorOffset = parser.ErrorOffset();
        *message = parser.TakeMessage();
        return false;
    }
    *script = std::move(parsed);
    return true;
}

}  // namespace

bool SubstituteVariables(std::u16string_view script, const std::vector<ScriptVariable>& variables, std::u16string* text,
                         ScriptError* error) {
    Substitution substitution;
    if (!Substitute(script, variables, &substitution)) {
        *error = ErrorAt(script, substitution.errorOffset, std::move(substitution.message));
        return false;
    }
    *text = std::move(substitution.text);
    return true;
}

bool ParseScript(std::u16string_view text, Script* script, ScriptError* error) {
    size_t offset = 0;
    std::u16string message;
    if (ParseText(text, script, &offset, &message)) return true;
    *error = ErrorAt(text, offset, std::move(message));
    return false;
}

bool ParseScript(std::u16string_view script, const std::vector<ScriptVariable>& variables, Script* parsed,
                 ScriptError* error) {
    Substitution substitution;
    if (!Substitute(script, variables, &substitution)) {
        *error = ErrorAt(script, substitution.errorOffset, std::move(substitution.message));
        return false;
    }
    size_t offset = 0;
    std::u16string message;
    if (ParseText(substitution.text, parsed, &offset, &message)) return true;
    *error = ErrorAt(script, SourceOffset(substitution, offset, script.size()), std::move(message));
    return false;
}

}  // namespace qz::core
