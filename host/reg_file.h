// Registry export files ("Windows Registry Editor Version 5.00"), written and
// parsed without touching the registry, so the format can be tested alone. The
// reader is as strict as the system's: what it would read differently, or what
// the registry would refuse, is refused here with its line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qz::host {

struct RegFileValue {
    std::wstring name;  // empty: the key's default value (@)
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // exactly the bytes stored; texts end with their zero
    bool remove = false;     // "name"=-
};

struct RegFileKey {
    std::wstring path;    // full path, hive name first: HKEY_CURRENT_USER\Software\...
    bool remove = false;  // [-path]: the key and everything below it
    std::vector<RegFileValue> values;
};

// The file's text, CRLF line ends, without byte order mark.
std::wstring WriteRegFile(const std::vector<RegFileKey>& keys);
// The text as the file holds it: UTF-16LE after its byte order mark.
std::vector<BYTE> EncodeRegFile(const std::wstring& text);

// UTF-16LE with its byte order mark; else a REGEDIT4 file in the system's code
// page; else UTF-8 (ASCII included).
bool DecodeRegFile(const std::vector<BYTE>& bytes, std::wstring* text, std::wstring* error);
// Parses the text; every key must be `allowedRoot` or lie below it (letter case
// ignored), so that a file cannot reach any other part of the registry, and
// every name must be one the registry takes (KeyPathProblem, ValueNameProblem).
// On failure `error` tells the line and what is wrong, and `keys` is left empty.
bool ParseRegFile(const std::wstring& text, const std::wstring& allowedRoot, std::vector<RegFileKey>* keys,
                  std::wstring* error);

// Levels of keys below the allowed root that a file may hold: with the root's
// own levels, within the 32 that one registry call may create.
inline constexpr size_t kMaxRegFileDepth = 16;

// Why a key path cannot stand in a file of `allowedRoot` (outside it, an empty,
// "." or ".." part, a name the registry refuses, deeper than kMaxRegFileDepth),
// or empty when it can. Names with control characters are refused too: a
// reader that ends lines at CR, or names at NUL, would read other keys.
std::wstring KeyPathProblem(const std::wstring& path, const std::wstring& allowedRoot);
// The same for a value name.
std::wstring ValueNameProblem(const std::wstring& name);

}  // namespace qz::host
