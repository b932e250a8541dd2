// Reads back the host's JSON documents in the tests: a strict parser of the
// whole grammar the writer can produce (no comments, no trailing commas).
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qz::test {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8
    std::vector<Json> items;
    std::map<std::string, Json> members;

    // A member that must exist.
    const Json& operator[](const std::string& key) const {
        const auto found = members.find(key);
        if (kind != Object || found == members.end()) throw std::runtime_error("no member " + key);
        return found->second;
    }
    const Json& operator[](size_t index) const { return items.at(index); }

    static Json Parse(const std::string& document) {
        size_t at = 0;
        Json value = ParseValue(document, at);
        SkipSpace(document, at);
        if (at != document.size()) Fail(at);
        return value;
    }

private:
    [[noreturn]] static void Fail(size_t at) { throw std::runtime_error("bad JSON at " + std::to_string(at)); }
    static void SkipSpace(const std::string& s, size_t& at) {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t')) ++at;
    }
    static void Expect(const std::string& s, size_t& at, char c) {
        SkipSpace(s, at);
        if (at >= s.size() || s[at] != c) Fail(at);
        ++at;
    }
    static std::string ParseString(const std::string& s, size_t& at) {
        Expect(s, at, '"');
        std::string out;
        while (at < s.size() && s[at] != '"') {
            if (static_cast<unsigned char>(s[at]) < 0x20) Fail(at);
            if (s[at] != '\\') {
                out += s[at++];
                continue;
            }
            if (++at >= s.size()) Fail(at);
            const char escaped = s[at++];
            const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (escaped == 'u') {
                if (at + 4 > s.size()) Fail(at);
                const long code = std::strtol(s.substr(at, 4).c_str(), nullptr, 16);
                at += 4;
                if (code >= 0x80) Fail(at);  // the writer sends UTF-8, escaping controls only
                out += char(code);
            } else if (simple.find(escaped) != std::string::npos) {
                out += meaning[simple.find(escaped)];
            } else {
                Fail(at);
            }
        }
        Expect(s, at, '"');
        return out;
    }
    static Json ParseValue(const std::string& s, size_t& at) {
        SkipSpace(s, at);
        Json value;
        if (at >= s.size()) Fail(at);
        if (s[at] == '"') {
            value.kind = String;
            value.text = ParseString(s, at);
        } else if (s[at] == '[' || s[at] == '{') {
            const bool object = s[at++] == '{';
            value.kind = object ? Object : Array;
            SkipSpace(s, at);
            if (at < s.size() && s[at] == (object ? '}' : ']')) return ++at, value;
            do {
                if (object) {
                    const std::string key = ParseString(s, at);
                    Expect(s, at, ':');
                    if (!value.members.emplace(key, ParseValue(s, at)).second) Fail(at);
                } else {
                    value.items.push_back(ParseValue(s, at));
                }
                SkipSpace(s, at);
            } while (at < s.size() && s[at] == ',' && ++at);
            Expect(s, at, object ? '}' : ']');
        } else if (s.compare(at, 4, "true") == 0 || s.compare(at, 5, "false") == 0) {
            value.kind = Bool;
            value.boolean = s[at] == 't';
            at += value.boolean ? 4 : 5;
        } else if (s.compare(at, 4, "null") == 0) {
            at += 4;
        } else {
            char* end = nullptr;
            value.kind = Number;
            value.number = std::strtod(s.c_str() + at, &end);
            if (end == s.c_str() + at) Fail(at);
            at = size_t(end - s.c_str());
        }
        return value;
    }
};

}  // namespace qz::test
