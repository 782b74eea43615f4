#pragma once
// Layout helpers the simulated firmware's parts share.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace tarnix::simfw {

// Centre frequencies of the controller's bands, in its band order (160 m ... 10 m).
inline constexpr uint32_t BandCentreHz[10] = {1850000,  3700000,  5357000,  7100000,  10120000,
                                              14200000, 18120000, 21200000, 24940000, 28500000};

// The band index nearest to a frequency.
inline uint8_t bandOf(int32_t hz) {
    uint8_t best = 0;
    double bestDist = std::numeric_limits<double>::max();
    for (uint8_t i = 0; i < 10; ++i) {
        double d = std::fabs(std::log(std::max<double>(hz, 1) / BandCentreHz[i]));
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

// The DSP parameter image: ten blocks of 13 "#", CR and 90 values (parameters 10 to 99), then 8 "#".
// Blocks 1-3 hold the SSB sets (green, yellow, red), 4 the maxima, 5 the minima, 6-8 the CW sets.
inline constexpr size_t ParamImageSize = 1048;
inline size_t paramOffset(int block, int param) {
    return 104 * static_cast<size_t>(block - 1) + 14 + static_cast<size_t>(param - 10);
}
inline int setBlock(int group, int colour) {
    return group == 1 ? colour : 5 + colour;
}
// Mode group: 1 SSB (modes 0, 1), 2 CW (modes 2, 3).
inline int groupOfMode(int mode) {
    return mode >= 2 ? 2 : 1;
}

} // namespace tarnix::simfw
