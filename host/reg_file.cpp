#include "reg_file.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <iterator>

namespace qz::host {
namespace {

constexpr wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";
constexpr wchar_t kOldHeader[] = L"REGEDIT4";
// Long hex lines are wrapped as the registry editor wraps them.
constexpr size_t kWrapColumn = 76;

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (const wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L'"';
}

// A text that survives as "text": terminated, no zero inside, and no line
// breaks, which the registry editors do not agree how to escape.
bool PlainText(const RegFileValue& value, std::wstring* text) {
    const size_t chars = value.data.size() / sizeof(wchar_t);
    if (value.type != REG_SZ || value.data.size() % sizeof(wchar_t) != 0 || chars == 0) return false;
    text->assign(reinterpret_cast<const wchar_t*>(value.data.data()), chars - 1);
    if (reinterpret_cast<const wchar_t*>(value.data.data())[chars - 1] != L'\0') return false;
    return text->find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

std::wstring Hex(unsigned long number, int digits) {
    wchar_t buffer[16];
    swprintf(buffer, 16, L"%0*lx", digits, number);
    return buffer;
}

std::wstring ValueLine(const RegFileValue& value) {
    std::wstring line = value.name.empty() ? L"@=" : Quoted(value.name) + L"=";
    std::wstring text;
    if (PlainText(value, &text)) return line + Quoted(text);
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        return line + L"dword:" + Hex(*reinterpret_cast<const DWORD*>(value.data.data()), 8);
    }
    line += value.type == REG_BINARY ? L"hex:" : L"hex(" + Hex(value.type, 0) + L"):";
    size_t lineStart = 0;
    for (size_t i = 0; i < value.data.size(); ++i) {
        line += Hex(value.data[i], 2);
        if (i + 1 == value.data.size()) break;
        line += L',';
        if (line.size() - lineStart > kWrapColumn) {
            line += L"\\\r\n  ";
            lineStart = line.size() - 2;
        }
    }
    return line;
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

// Control characters in messages, so that a message is one line.
std::wstring Printable(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) out += c < 0x20 || c == 0x7F ? L"\\u" + Hex(c, 4) : std::wstring(1, c);
    return out;
}

// The first control character of a name, or 0.
wchar_t ControlCharacter(const std::wstring& name) {
    for (const wchar_t c : name) {
        if (c < 0x20 || c == 0x7F) return c;
    }
    return 0;
}

std::wstring ControlProblem(const wchar_t* what, wchar_t c) {
    wchar_t code[8];
    swprintf(code, 8, L"U+%04X", static_cast<unsigned>(c));
    return std::wstring(what) + L" holds the control character " + code;
}

// Characters of a name the registry takes at most.
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;

bool IsHex(const std::wstring& digits) {
    for (const wchar_t c : digits) {
        if (!std::iswxdigit(c)) return false;
    }
    return true;
}

// REGEDIT4 files hold strings in the system's code page, also in hex.
std::vector<BYTE> AnsiToUtf16(const std::vector<BYTE>& bytes) {
    if (bytes.empty()) return bytes;
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, data, size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, data, size, text.data(), static_cast<int>(text.size()));
    const auto* wide = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(wide, wide + text.size() * sizeof(wchar_t));
}

struct Parser {
    const std::vector<std::wstring>& lines;
    size_t index = 0;  // of the line being read
    std::wstring error;
    bool ansiStrings = false;  // a REGEDIT4 file

    bool Fail(size_t line, const std::wstring& what) {
        error = L"line " + std::to_wstring(line + 1) + L": " + what;
        return false;
    }

    // A quoted text from text[*at], which is its opening quote.
    bool ReadQuoted(const std::wstring& text, size_t* at, std::wstring* out) {
        out->clear();
        bool escapedQuote = false;  // the last character read was \"
        for (size_t i = *at + 1; i < text.size(); ++i) {
            escapedQuote = false;
            if (text[i] == L'"') {
                *at = i + 1;
                return true;
            }
            if (text[i] == L'\\') {
                if (++i == text.size() || (text[i] != L'\\' && text[i] != L'"')) {
                    return Fail(index, L"only \\\\ and \\\" may follow a backslash in a quoted text");
                }
                escapedQuote = text[i] == L'"';
            }
            *out += text[i];
        }
        if (escapedQuote) {
            return Fail(index,
                        L"the quoted text ends in \\\", which escapes its closing quote (write a backslash as \\\\)");
        }
        return Fail(index, L"a quoted text has no closing quote");
    }

    // hex bytes "aa,bb,..."; a trailing backslash continues on the next line.
    bool ReadBytes(std::wstring data, std::vector<BYTE>* bytes) {
        const size_t first = index;
        for (;;) {
            data = Trimmed(data);
            const bool continued = !data.empty() && data.back() == L'\\';
            if (continued) data.pop_back();
            size_t at = 0;
            while (at < data.size()) {
                const size_t comma = data.find(L',', at);
                const std::wstring digits = Trimmed(data.substr(at, comma - at));
                if (digits.empty() && comma == std::wstring::npos && continued) break;
                wchar_t* end = nullptr;
                const unsigned long byte = std::wcstoul(digits.c_str(), &end, 16);
                if (digits.empty() || digits.size() > 2 || *end != L'\0' || !std::iswxdigit(digits[0])) {
                    return Fail(index, L"'" + digits + L"' is not a hex byte");
                }
                bytes->push_back(static_cast<BYTE>(byte));
                if (comma == std::wstring::npos) break;
                at = comma + 1;
            }
            if (!continued) return true;
            if (++index == lines.size()) return Fail(first, L"the hex data ends with a backslash but no line follows");
            const std::wstring next = Trimmed(lines[index]);
            if (next.empty() || std::wstring(L"[\"@;").find(next[0]) != std::wstring::npos) {
                return Fail(first, L"the hex data ends with a backslash but line " + std::to_wstring(index + 1) +
                                       L" does not go on with it");
            }
            data = lines[index];
        }
    }

    bool ReadValue(const std::wstring& line, RegFileValue* value) {
        size_t at = 0;
        if (line[0] == L'@') {
            at = 1;
        } else if (!ReadQuoted(line, &at, &value->name)) {
            return false;
        }
        const std::wstring problem = ValueNameProblem(value->name);
        if (!problem.empty()) return Fail(index, problem);
        const std::wstring rest = Trimmed(line.substr(at));
        if (rest.empty() || rest[0] != L'=') return Fail(index, L"the value name is not followed by '='");
        const std::wstring data = Trimmed(rest.substr(1));
        if (data == L"-") {
            value->remove = true;
            return true;
        }
        if (!data.empty() && data[0] == L'"') {
            size_t end = 0;
            std::wstring text;
            if (!ReadQuoted(data, &end, &text)) return false;
            if (!Trimmed(data.substr(end)).empty()) return Fail(index, L"text follows the closing quote");
            value->type = REG_SZ;
            const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
            value->data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
            return true;
        }
        wchar_t* end = nullptr;
        if (data.compare(0, 6, L"dword:") == 0) {
            const std::wstring digits = data.substr(6);
            const DWORD number = std::wcstoul(digits.c_str(), &end, 16);
            if (digits.empty() || digits.size() > 8 || !IsHex(digits)) {
                return Fail(index, L"'" + digits + L"' is not a dword of up to 8 hex digits");
            }
            value->type = REG_DWORD;
            const auto* bytes = reinterpret_cast<const BYTE*>(&number);
            value->data.assign(bytes, bytes + sizeof number);
            return true;
        }
        if (data.compare(0, 4, L"hex:") == 0) {
            value->type = REG_BINARY;
            return ReadBytes(data.substr(4), &value->data);
        }
        const size_t close = data.find(L"):");
        if (data.compare(0, 4, L"hex(") == 0 && close != std::wstring::npos) {
            const std::wstring digits = data.substr(4, close - 4);
            value->type = std::wcstoul(digits.c_str(), &end, 16);
            if (digits.empty() || digits.size() > 8 || !IsHex(digits)) {
                return Fail(index, L"'" + digits + L"' is not a value type in hex");
            }
            if (!ReadBytes(data.substr(close + 2), &value->data)) return false;
            if (ansiStrings && (value->type == REG_SZ || value->type == REG_EXPAND_SZ || value->type == REG_MULTI_SZ)) {
                value->data = AnsiToUtf16(value->data);
            }
            return true;
        }
        return Fail(index, L"the data is none of \"text\", dword:, hex:, hex(N): or -");
    }

    bool Parse(const std::wstring& root, std::vector<RegFileKey>* keys) {
        // What a reader that ends lines at CR, or texts at NUL, would read otherwise.
        for (index = 0; index < lines.size(); ++index) {
            if (lines[index].find(L'\r') != std::wstring::npos) {
                return Fail(index, L"a carriage return (CR) without a line feed (LF): lines must end with CR LF or LF");
            }
            if (lines[index].find(L'\0') != std::wstring::npos) return Fail(index, L"a NUL character");
        }
        if (lines.empty() || (Trimmed(lines[0]) != kHeader && Trimmed(lines[0]) != kOldHeader)) {
            return Fail(0, L"not a registry file: the first line must be \"" + std::wstring(kHeader) + L"\"");
        }
        ansiStrings = Trimmed(lines[0]) == kOldHeader;
        for (index = 1; index < lines.size(); ++index) {
            const std::wstring line = Trimmed(lines[index]);
            if (line.empty() || line[0] == L';') continue;
            if (line[0] == L'[') {
                if (line.back() != L']') return Fail(index, L"a key line must end with ']'");
                RegFileKey key;
                key.remove = line.size() > 2 && line[1] == L'-';
                key.path = line.substr(key.remove ? 2 : 1, line.size() - (key.remove ? 3 : 2));
                const std::wstring problem = KeyPathProblem(key.path, root);
                if (!problem.empty()) return Fail(index, problem);
                keys->push_back(std::move(key));
                continue;
            }
            if (line[0] != L'"' && line[0] != L'@') return Fail(index, L"neither a key, a value nor a comment");
            if (keys->empty() || keys->back().remove) return Fail(index, L"a value outside any key");
            RegFileValue value;
            if (!ReadValue(line, &value)) return false;
            keys->back().values.push_back(std::move(value));
        }
        return true;
    }
};

}  // namespace

std::wstring KeyPathProblem(const std::wstring& path, const std::wstring& root) {
    const std::wstring shown = L"[" + Printable(path) + L"]";
    if (!SameText(path.substr(0, root.size()), root) || (path.size() > root.size() && path[root.size()] != L'\\')) {
        return shown + L" lies outside " + root;
    }
    if (path.size() == root.size()) return {};
    if (path.back() == L'\\') return L"a key path must not end with a backslash: " + shown;
    size_t depth = 0;
    for (size_t start = root.size() + 1;; ++depth) {
        const size_t end = path.find(L'\\', start);
        const std::wstring part = path.substr(start, end - start);
        // The registry takes "." and ".." literally, but a reader may not.
        if (part.empty() || part == L"." || part == L"..") return shown + L" has an empty, \".\" or \"..\" part";
        if (part.size() > kMaxKeyNameChars) {
            return L"a key name of " + std::to_wstring(part.size()) + L" characters (the registry takes " +
                   std::to_wstring(kMaxKeyNameChars) + L" at most) in " + shown;
        }
        if (const wchar_t c = ControlCharacter(part)) return ControlProblem(L"a key name", c) + L" in " + shown;
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    if (depth >= kMaxRegFileDepth) {
        return L"keys may lie at most " + std::to_wstring(kMaxRegFileDepth) + L" levels below " + root + L": " + shown;
    }
    return {};
}

std::wstring ValueNameProblem(const std::wstring& name) {
    if (name.size() > kMaxValueNameChars) {
        return L"a value name of " + std::to_wstring(name.size()) + L" characters (the registry takes " +
               std::to_wstring(kMaxValueNameChars) + L" at most)";
    }
    if (const wchar_t c = ControlCharacter(name)) return ControlProblem(L"the value name", c);
    return {};
}

std::wstring WriteRegFile(const std::vector<RegFileKey>& keys) {
    std::wstring text = std::wstring(kHeader) + L"\r\n\r\n";
    for (const RegFileKey& key : keys) {
        text += (key.remove ? L"[-" : L"[") + key.path + L"]\r\n";
        for (const RegFileValue& value : key.values) {
            text +=
                (value.remove ? (value.name.empty() ? L"@" : Quoted(value.name)) + L"=-" : ValueLine(value)) + L"\r\n";
        }
        text += L"\r\n";
    }
    return text;
}

std::vector<BYTE> EncodeRegFile(const std::wstring& text) {
    std::vector<BYTE> bytes = {0xFF, 0xFE};
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

bool DecodeRegFile(const std::vector<BYTE>& bytes, std::wstring* text, std::wstring* error) {
    text->clear();
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (bytes.size() % 2 != 0) {
            *error = L"the UTF-16 file has an odd number of bytes";
            return false;
        }
        for (size_t i = 2; i < bytes.size(); i += 2) *text += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
        return true;
    }
    size_t skip = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    if (bytes.size() == skip) return true;
    const auto* data = reinterpret_cast<const char*>(bytes.data() + skip);
    const int size = static_cast<int>(bytes.size() - skip);
    const std::string oldHeader(kOldHeader, kOldHeader + std::size(kOldHeader) - 1);
    const bool ansi = skip == 0 && std::string(data, std::min<size_t>(size, oldHeader.size())) == oldHeader;
    const UINT codePage = ansi ? CP_ACP : CP_UTF8;
    const DWORD flags = ansi ? 0 : MB_ERR_INVALID_CHARS;
    const int chars = MultiByteToWideChar(codePage, flags, data, size, nullptr, 0);
    if (chars == 0) {
        *error = L"the file is neither UTF-16LE with a byte order mark, nor REGEDIT4, nor UTF-8";
        return false;
    }
    text->resize(chars);
    MultiByteToWideChar(codePage, flags, data, size, text->data(), chars);
    return true;
}

bool ParseRegFile(const std::wstring& text, const std::wstring& allowedRoot, std::vector<RegFileKey>* keys,
                  std::wstring* error) {
    std::vector<std::wstring> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    keys->clear();
    Parser parser{lines, 0, {}};
    if (parser.Parse(allowedRoot, keys)) return true;
    keys->clear();
    *error = parser.error;
    return false;
}

}  // namespace qz::host
