#pragma once

// The pause between the searches of a list: a random time between a least and a most number of
// seconds, so the engine sees a person's pace rather than a machine's.

#include <QByteArrayView>
#include <QString>

namespace velmora::util {
class RandomSource;
}

namespace velmora::search {

struct PauseRange {
    static constexpr int MostSeconds = 24 * 60 * 60; // a day: beyond that it is a mistake

    int minSeconds = 20;
    int maxSeconds = 40;
};

// "MIN-MAX" or one number N (meaning N-N), whole seconds from 0 to a day, MIN not above MAX.
// Anything else gives false and *why, one sentence quoting what was given.
bool ParsePauseRange(QByteArrayView given, PauseRange* range, QString* why);

// The next pause in milliseconds, uniformly distributed over [min, max] seconds, both ends included.
int NextPauseMs(const PauseRange& range, util::RandomSource& random);

} // namespace velmora::search
