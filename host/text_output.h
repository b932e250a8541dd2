// The host's text for a person, whatever characters it holds: UTF-16 to a
// console, UTF-8 to a pipe or a file (as the JSON documents are).
#pragma once

#include <cstdio>
#include <string>

namespace qz::host {

// UTF-8; a lone surrogate, which has no UTF-8 form, becomes U+FFFD.
std::string Utf8(const std::wstring& text);

void Write(FILE* stream, const std::wstring& text);
// Formats as swprintf does, then writes.
void PrintTo(FILE* stream, const wchar_t* format, ...);
void Print(const wchar_t* format, ...);  // to stdout

}  // namespace qz::host
