// The registry script: %NAME% substitution and the parser that turns the text
// into trees of keys and values. Portable (no Windows headers), so that it also
// builds natively for fuzzing.
//
// The format:
//   script := root+
//   root   := (HKEY_CLASSES_ROOT | HKCR | HKEY_CURRENT_USER | HKCU | HKEY_LOCAL_MACHINE
//              | HKLM | HKEY_USERS | HKU | HKEY_CURRENT_CONFIG | HKCC) '{' entry* '}'
//   entry  := [ForceRemove | NoRemove] name ['=' value] ['{' entry* '}']
//           | Delete name
//           | val name '=' value
//   value  := s 'text' | d number | b hex
// Tokens are separated by white space; keywords are case-insensitive and never
// quoted, so a quoted 'val' is a name. Texts are in single quotes, '' standing
// for one quote. A number is decimal, a hex run is pairs of hex digits; both may
// be quoted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qz::core {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };
enum class ValueType { String, Dword, Binary };
enum class EntryKind { Key, Value, Delete };
enum class KeyMarker { None, NoRemove, ForceRemove };

// Only the member that matches the type is used.
struct ScriptValue {
    ValueType type = ValueType::String;
    std::u16string text;
    uint32_t number = 0;
    std::vector<uint8_t> bytes;
};

struct ScriptEntry {
    EntryKind kind = EntryKind::Key;
    // A key name is never empty and holds no backslash, so that no entry can
    // stand for its parent or for a path.
    std::u16string name;
    KeyMarker marker = KeyMarker::None;  // keys only
    // A key's default value; always present for a `val` entry; none for Delete.
    std::optional<ScriptValue> value;
    std::vector<ScriptEntry> children;  // keys only, in script order
};

struct ScriptRoot {
    RootKey key = RootKey::ClassesRoot;
    std::vector<ScriptEntry> entries;
};

struct Script {
    std::vector<ScriptRoot> roots;
};

struct ScriptVariable {
    std::u16string name;  // without the percent signs; compared without regard to ASCII case
    std::u16string value;
};

// Where the script went wrong: 1-based line and column (in UTF-16 units) of the
// script as written, before substitution.
struct ScriptError {
    size_t line = 0;
    size_t column = 0;
    std::u16string message;
};

// Replaces every %NAME% by its value and %% by %. A value that lands inside a
// quoted text has its quotes doubled, so that it stays one text whatever it holds.
// Fails on a % without a closing partner and on an unknown name.
bool SubstituteVariables(std::u16string_view script, const std::vector<ScriptVariable>& variables, std::u16string* text,
                         ScriptError* error);

// Parses a script that needs no substitution.
bool ParseScript(std::u16string_view text, Script* script, ScriptError* error);

// Substitutes, then parses; an error is placed in the script as written (one
// inside a substituted value at the variable's opening %).
bool ParseScript(std::u16string_view script, const std::vector<ScriptVariable>& variables, Script* parsed,
                 ScriptError* error);

}  // namespace qz::core
