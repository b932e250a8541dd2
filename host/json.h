// A tiny JSON writer: the host's read commands can print one document for
// scripts instead of the human text.
#pragma once

#include <string>
#include <vector>

namespace qz::host {

// A JSON string literal (quotes included) of UTF-16 text, as UTF-8.
std::string JsonString(const std::wstring& text);

class JsonWriter {
public:
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void Key(const std::wstring& name);
    void String(const std::wstring& text);
    void Number(long long value);
    void Bool(bool value);
    void Null();

    const std::string& Text() const { return out_; }

private:
    void Value();  // separates a value from the previous one
    void Open(char bracket);
    void Close(char bracket);

    std::string out_;
    std::vector<bool> first_;  // per open bracket: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace qz::host
