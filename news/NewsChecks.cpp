#include "news/NewsChecks.h"

#include <utility>

namespace velmora::news {

NewsChecks::NewsChecks(UpdateFetch fetch, UpdateAnswer answer)
    : m_fetch(std::move(fetch)), m_answer(std::move(answer)) {}

void NewsChecks::check(bool silent) {
    if (m_updateCheckRunning) {
        m_updateCheckSilent = m_updateCheckSilent && silent;
        return;
    }
    m_updateCheckRunning = true;
    m_updateCheckSilent = silent;
    m_fetch([this](const UpdateOffer& offer) { updateFetched(offer); });
}

void NewsChecks::updateFetched(const UpdateOffer& offer) {
    m_updateCheckRunning = false;
    m_answer(offer, m_updateCheckSilent);
}

bool NewsChecks::startNewsList() {
    if (m_newsListRunning)
        return false;
    m_newsListRunning = true;
    return true;
}

} // namespace velmora::news
