#include "text_output.h"

#include <windows.h>
#include <io.h>

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace qz::host {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::wstring Formatted(const wchar_t* format, va_list args) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int length = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (length >= 0 && static_cast<size_t>(length) < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char16_t>(text[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            const char32_t low = static_cast<char16_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

void Write(FILE* stream, const std::wstring& text) {
    std::fflush(stream);
    // The C runtime's wide output converts to the console's code page and stops
    // at the first character outside it; the console takes UTF-16 directly.
    // (A console handle opened for writing only does not tell its mode, so the
    // console is recognised by taking the text.)
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD written = 0;
    if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return;
    }
    const std::string bytes = Utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

void PrintTo(FILE* stream, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::wstring text = Formatted(format, args);
    va_end(args);
    Write(stream, text);
}

void Print(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::wstring text = Formatted(format, args);
    va_end(args);
    Write(stdout, text);
}

}  // namespace qz::host
