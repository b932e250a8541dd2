#include "core/version.h"

#include <climits>
#include <cstdio>

namespace qz::core {
namespace {

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// The number at the start of a text as _wtoi reads it: white space, a sign,
// digits; 0 when there are none. Out of range it saturates, as _wtoi does.
int NumberOf(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > limit) {
            value = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

// The part from `from` up to `to`, cut at the end of the text.
std::u16string_view Part(std::u16string_view text, size_t from, size_t to = std::u16string_view::npos) {
    if (from >= text.size()) return {};
    return text.substr(from, to == std::u16string_view::npos ? to : to - from);
}

int8_t Low8(int value) { return static_cast<int8_t>(static_cast<uint8_t>(value)); }

// The formatted digits and dots are ASCII, so each char is one UTF-16 unit.
std::u16string Widen(const char* text, int length) { return std::u16string(text, text + (length > 0 ? length : 0)); }

}  // namespace

int32_t CmplrVersion::OrderKey() const { return (major * 10 + minor) * 1000 + revision; }

bool ParseCmplrVersion(std::u16string_view text, CmplrVersion* version) {
    constexpr auto npos = std::u16string_view::npos;
    size_t p = text.find(u'.');
    if (p == npos) p = 2;
    const int a = NumberOf(Part(text, 0, p));
    int major = 0, minor = 0;
    size_t pos = 0;
    if (a > 60) {
        // Packed: 111 is 11.1.
        major = a / 10;
        minor = a % 10;
        pos = p;
    } else {
        major = a;
        if (p >= text.size()) return false;
        if (text[p] == u'.') ++p;
        size_t q = text.find(u'.', p);
        if (q == npos) q = p + 1;
        minor = NumberOf(Part(text, p, q));
        pos = q;
    }
    if (pos >= text.size()) return false;
    if (text[pos] == u'.') ++pos;
    const int revision = NumberOf(Part(text, pos));
    version->major = Low8(major);
    version->minor = Low8(minor);
    version->revision = static_cast<uint16_t>(revision);
    return true;
}

std::u16string PackedVersion(const CmplrVersion& version) {
    char text[32];
    return Widen(text,
                 std::snprintf(text, sizeof text, "%u.%03u", static_cast<unsigned>(version.major * 10 + version.minor),
                               static_cast<unsigned>(version.revision)));
}

std::u16string VersionString(const CmplrVersion& version) {
    // A negative part prints as its 32-bit two's complement, as in the packed form.
    const auto major = static_cast<unsigned>(static_cast<int>(version.major));
    const auto minor = static_cast<unsigned>(static_cast<int>(version.minor));
    char text[48];
    const int length = version.revision == 0 ? std::snprintf(text, sizeof text, "%u.%u", major, minor)
                                             : std::snprintf(text, sizeof text, "%u.%u.%03u", major, minor,
                                                             static_cast<unsigned>(version.revision));
    return Widen(text, length);
}

}  // namespace qz::core
