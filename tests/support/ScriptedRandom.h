#pragma once

#include "util/RandomSource.h"

#include <QList>

#include <stdexcept>

namespace velmora::testing {

// Answers the picks it is given, in order (0 once they run out), and records how many
// candidates each pick was asked to choose from.
class ScriptedRandom final : public util::RandomSource {
public:
    explicit ScriptedRandom(QList<int> picks = {}) : m_picks(std::move(picks)) {}

    int pick(int count) override {
        asked.append(count);
        const int answer = m_picks.isEmpty() ? 0 : m_picks.takeFirst();
        if (answer < 0 || answer >= count)
            throw std::out_of_range("scripted pick outside the candidates");
        return answer;
    }

    QList<int> asked;

private:
    QList<int> m_picks;
};

} // namespace velmora::testing
