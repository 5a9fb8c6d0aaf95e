#include "core/limits.h"

#include "core/image.h"

namespace lg {

Claim CheckClaim(const ReadLimits& limits, uint64_t remaining, int64_t width, int64_t height, int bitCount,
                 uint32_t colors, uint64_t rowBytes, uint64_t expansion) {
    if (width <= 0 || height <= 0) return Claim::Implausible;
    if (width > limits.maxSide || height > limits.maxSide) return Claim::TooLarge;
    const int64_t block = DibBlockSize(width, height, bitCount, colors);
    if (block < 0 || block > limits.maxBuffer) return Claim::TooLarge;
    const uint64_t room = remaining > (UINT64_MAX - kShortDataSlack) / expansion
                              ? UINT64_MAX
                              : remaining * expansion + kShortDataSlack;
    // rowBytes * height > room, without the product (a row may claim any size).
    return rowBytes > room / uint64_t(height) ? Claim::Implausible : Claim::Fits;
}

}  // namespace lg
