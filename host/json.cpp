#include "json.h"

#include <cstdio>

#include "text_output.h"

namespace qz::host {

std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    size_t run = 0;  // the first character not written yet
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        std::string escaped;
        switch (c) {
        case L'"':
            escaped = "\\\"";
            break;
        case L'\\':
            escaped = "\\\\";
            break;
        case L'\n':
            escaped = "\\n";
            break;
        case L'\r':
            escaped = "\\r";
            break;
        case L'\t':
            escaped = "\\t";
            break;
        default:
            if (c < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04x", unsigned(c));
                escaped = code;
            }
        }
        if (escaped.empty()) continue;
        // Escapes are ASCII, so a run never ends inside a surrogate pair.
        out += Utf8(text.substr(run, i - run)) + escaped;
        run = i + 1;
    }
    return out + Utf8(text.substr(run)) + "\"";
}

void JsonWriter::Value() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::Open(char bracket) {
    Value();
    out_ += bracket;
    first_.push_back(true);
}

void JsonWriter::Close(char bracket) {
    out_ += bracket;
    first_.pop_back();
}

void JsonWriter::Key(const std::wstring& name) {
    Value();
    out_ += JsonString(name) + ':';
    afterKey_ = true;
}

void JsonWriter::String(const std::wstring& text) {
    Value();
    out_ += JsonString(text);
}

void JsonWriter::Number(long long value) {
    Value();
    out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    Value();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    Value();
    out_ += "null";
}

}  // namespace qz::host
