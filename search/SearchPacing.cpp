#include "search/SearchPacing.h"

#include "util/RandomSource.h"

#include <QByteArray>

namespace velmora::search {
namespace {

// Whole seconds from 0 to a day, digits only: no sign, so "-5" cannot pass for a range's end.
bool parseSeconds(QByteArrayView digits, int* seconds) {
    if (digits.isEmpty() || digits.size() > 6)
        return false;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > PauseRange::MostSeconds)
        return false;
    *seconds = value;
    return true;
}

} // namespace

bool ParsePauseRange(QByteArrayView given, PauseRange* range, QString* why) {
    const qsizetype dash = given.indexOf('-');
    PauseRange parsed;
    const bool numbers =
        dash < 0 ? parseSeconds(given, &parsed.minSeconds) && parseSeconds(given, &parsed.maxSeconds)
                 : parseSeconds(given.first(dash), &parsed.minSeconds) &&
                       parseSeconds(given.sliced(dash + 1), &parsed.maxSeconds);
    if (!numbers) {
        *why = QStringLiteral("The pause must be whole seconds from 0 to %1, as MIN-MAX (such as 20-40) "
                              "or one number: \"%2\".")
                   .arg(PauseRange::MostSeconds)
                   .arg(QString::fromUtf8(given));
        return false;
    }
    if (parsed.minSeconds > parsed.maxSeconds) {
        *why = QStringLiteral("The pause's least number of seconds is above its most: \"%1\".")
                   .arg(QString::fromUtf8(given));
        return false;
    }
    *range = parsed;
    return true;
}

int NextPauseMs(const PauseRange& range, util::RandomSource& random) {
    // At most a day of milliseconds plus one candidates: well inside an int.
    const int candidates = (range.maxSeconds - range.minSeconds) * 1000 + 1;
    return range.minSeconds * 1000 + random.pick(candidates);
}

} // namespace velmora::search
