// The thirteen scalar options, named by ordinal (0 to 12). The type library's
// PropertyID values are 0x8C000000 plus the ordinal; they are not ordinals.
#pragma once

namespace qz::model {

enum OptionOrdinal : int {
    kOptFreeSourceExt = 0,
    kOptFreeHeaderExt = 1,
    kOptFixedSourceExt = 2,
    kOptFixedHeaderExt = 3,
    kOptGenerateBuildLog = 4,
    kOptShowEnvInBuildLog = 5,
    kOptContinueOnError = 6,
    kOptGapLevel = 7,
    kOptGapSuppressWarnings = 8,
    kOptGapSuppressRemarks = 9,
    kOptGapRemarksToFile = 10,
    kOptGapRemarksFile = 11,
    kOptGapShowDialogs = 12,
};

inline constexpr int kOptionCount = 13;

}  // namespace qz::model
