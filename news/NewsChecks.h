#pragma once

// What runs between the program and its news and update servers, kept apart from the window
// that shows it: whether the news list and an update check run, whether the user waits for
// the check, and the newest item the poll found unread.

#include "news/LiveUpdate.h"

#include <QByteArray>

#include <functional>

namespace velmora::news {

class NewsChecks {
public:
    // Starts the fetch of the update information; the handler gets the offer once.
    using UpdateFetch = std::function<void(std::function<void(const UpdateOffer&)> handler)>;
    // The offer of a finished check; silent when nobody asked for it, so nothing new and a
    // failure are kept quiet.
    using UpdateAnswer = std::function<void(const UpdateOffer& offer, bool silent)>;

    NewsChecks(UpdateFetch fetch, UpdateAnswer answer);

    // Checks for an update. While a check runs no second one starts: the one under way
    // answers this request too, and a request that is not silent makes its answer heard.
    void check(bool silent);
    bool updateCheckRunning() const { return m_updateCheckRunning; }
    // Whether the user waits for the running check (its status text shows).
    bool updateCheckAnnounced() const { return m_updateCheckRunning && !m_updateCheckSilent; }

    // One news list at a time: false, and nothing changes, while one runs.
    bool startNewsList();
    void newsListFinished() { m_newsListRunning = false; }
    bool newsListRunning() const { return m_newsListRunning; }

    // The newest item the poll found unread; empty when it found none.
    const QByteArray& unreadNewsId() const { return m_unreadNewsId; }
    void setUnreadNewsId(const QByteArray& id) { m_unreadNewsId = id; }

private:
    void updateFetched(const UpdateOffer& offer);

    UpdateFetch m_fetch;
    UpdateAnswer m_answer;
    bool m_updateCheckRunning = false;
    bool m_updateCheckSilent = true;
    bool m_newsListRunning = false;
    QByteArray m_unreadNewsId;
};

} // namespace velmora::news
