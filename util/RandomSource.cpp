#include "util/RandomSource.h"

#include <chrono>
#include <random>
#include <stdexcept>

namespace velmora::util {
namespace {

class MersenneRandom final : public RandomSource {
public:
    explicit MersenneRandom(unsigned seed) : m_engine(seed) {}

    int pick(int count) override {
        if (count < 1)
            throw std::invalid_argument("a random pick needs at least one candidate");
        return std::uniform_int_distribution<int>(0, count - 1)(m_engine);
    }

private:
    std::mt19937 m_engine;
};

} // namespace

std::unique_ptr<RandomSource> SeededRandom(unsigned seed) {
    return std::make_unique<MersenneRandom>(seed);
}

RandomSource& SystemRandom() {
    static MersenneRandom random(
        unsigned(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return random;
}

} // namespace velmora::util
