// Compiler version texts: a failed read changes nothing, and a version read
// back from any of its three spellings is the same version.
#include <string>

#include "core/version.h"
#include "fuzz_text.h"

using qz::core::CmplrVersion;

namespace {

bool Same(const CmplrVersion& a, const CmplrVersion& b) {
    return a.major == b.major && a.minor == b.minor && a.revision == b.revision;
}

bool ReadsAs(const std::u16string& text, const CmplrVersion& expected) {
    CmplrVersion read{-7, -7, 7};
    return qz::core::ParseCmplrVersion(text, &read) && Same(read, expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = qz::fuzz::DecodeText(data, size);
    const CmplrVersion untouched{-7, -7, 7};
    CmplrVersion version = untouched;
    if (!qz::core::ParseCmplrVersion(text, &version)) {
        FUZZ_CHECK(Same(version, untouched));
        return 0;
    }

    // Beyond these bounds the spellings are ambiguous by design: 61.5 reads
    // as 6.1.5, a two-digit minor has no packed form, and "12.0" (revision 0)
    // has no third part to read.
    if (version.major < 0 || version.major > 60 || version.minor < 0) return 0;
    if (version.revision != 0) FUZZ_CHECK(ReadsAs(qz::core::VersionString(version), version));
    const int packed_number = version.major * 10 + version.minor;
    if (version.minor > 9 || packed_number <= 60) return 0;
    const std::u16string packed = qz::core::PackedVersion(version);
    FUZZ_CHECK(ReadsAs(packed, version));
    std::u16string digits = packed;
    digits.erase(digits.find(u'.'), 1);
    FUZZ_CHECK(ReadsAs(digits, version));
    // The order key is the packed form as one number while the revision has three digits.
    if (version.revision < 1000) FUZZ_CHECK(std::stol(std::string(digits.begin(), digits.end())) == version.OrderKey());
    return 0;
}
