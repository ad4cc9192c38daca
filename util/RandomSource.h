#pragma once

#include <memory>

namespace velmora::util {

// Where random picks come from: the branding's choice of welcome page, banner and links,
// and the number in a download's temporary file name. Tests pass a seeded one.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniformly distributed index from 0 to count - 1; count is at least 1.
    virtual int pick(int count) = 0;
};

// A generator seeded from the given value; the same seed gives the same picks.
std::unique_ptr<RandomSource> SeededRandom(unsigned seed);

// The program's generator: seeded once from the clock, at first use.
RandomSource& SystemRandom();

} // namespace velmora::util
