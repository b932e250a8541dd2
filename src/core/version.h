// Compiler versions: the triple, its order, and its texts. Portable (no
// Windows headers), so that the parser also builds natively for fuzzing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qz::core {

struct CmplrVersion {
    int8_t major = 0;
    int8_t minor = 0;
    uint16_t revision = 0;

    // (major * 10 + minor) * 1000 + revision: 11.1.65 gives 111065.
    int32_t OrderKey() const;
};

// Reads "11.1.065", the packed "111.065" or "111065" into *version; answers
// false and leaves *version unchanged when the text yields no version.
bool ParseCmplrVersion(std::u16string_view text, CmplrVersion* version);

// "111.065" for 11.1.65.
std::u16string PackedVersion(const CmplrVersion& version);

// "11.1.065" for 11.1.65, "12.0" for 12.0.0.
std::u16string VersionString(const CmplrVersion& version);

}  // namespace qz::core
