#pragma once

#include "news/NewsProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace velmora::news {

// How a download into a file ended. error says why it failed, for a log or a tooltip; the
// update check shows its own message instead.
struct DownloadResult {
    bool ok = false;
    bool aborted = false;
    QString error;
    bool timedOut = false; // the server sent nothing for the client's idle time-out
    bool tooLarge = false; // the body was longer than the download's bound
    int httpStatus = 0;    // the server's status, when it answered with one
};

// The news and update client: the three news requests and the download into a file, all
// over one network access manager with its own cookies, direct connections, redirects
// followed (at most 15 requests in all). A request from which no byte has arrived for the
// idle time-out ends as a failure with timedOut set: a server that accepts and never answers
// must not leave a button waiting for ever.
//
// The news requests and the downloads go separate ways, so a hanging news server does not
// hold up the update check. Two news requests never overlap, nor do two downloads: one asked
// for while another of its way runs waits in a queue and starts when the earlier ones have
// finished, in the order asked (the start-up poll runs on its own, so a click on the news or
// update button during it must not be lost or refused).
//
// Every request ends in exactly one call of its handler, on the event loop and never inside
// the call that asked for it, with the result as plain values. A handler whose context
// object has been destroyed is not called, and a request whose context is gone before its
// turn is not sent at all. Destroying the client drops everything without calling handlers.
class NewsClient final : public QObject {
    Q_OBJECT

public:
    using ListHandler = std::function<void(const NewsListResult&)>;
    using LatestHandler = std::function<void(const LatestNewsResult&)>;
    using DetailsHandler = std::function<void(const NewsDetailsResult&)>;
    using DownloadHandler = std::function<void(const DownloadResult&)>;

    // A news reply longer than this counts as a failed exchange.
    static constexpr qint64 MaxReplyBytes = 16 * 1024 * 1024;
    // How long a request may go without receiving a byte.
    static constexpr std::chrono::milliseconds IdleTimeout = RequestIdleTimeout;

    explicit NewsClient(QObject* parent = nullptr);
    ~NewsClient() override;
    NewsClient(const NewsClient&) = delete;
    NewsClient& operator=(const NewsClient&) = delete;

    // The news list, the latest item and one item's details for the account's tier. Silent
    // leaves the latest-news result without a message on failure.
    void GetNewsList(const NewsAccount& account, const QObject* context, ListHandler handler);
    void GetLastNews(const NewsAccount& account, bool Silent, const QObject* context, LatestHandler handler);
    void GetNewsDetails(const NewsAccount& account, const QByteArray& NewsId, const QObject* context,
                        DetailsHandler handler);

    // When its turn comes: fetches url into a new file beside localFile, which replaces
    // localFile only once the whole body is in; on any failure localFile stays as it was. A
    // body longer than maxBytes (when not negative) fails with tooLarge as soon as it is
    // known to be. A file that cannot be created fails the download without sending anything.
    void DownloadToFile(const QByteArray& url, const QString& localFile, qint64 maxBytes,
                        const QObject* context, DownloadHandler handler);

    // Stops the running request and drops the waiting ones; each handler is called once,
    // before abort() returns, with aborted set and no message. Safe to call at any time,
    // also twice and from inside a handler.
    void abort();

    // True while a request runs or waits.
    bool busy() const;

    // Shortens (or lengthens) IdleTimeout for the requests started from now on.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

private:
    struct Exchange;
    struct Job;
    struct ReplyDeleter {
        void operator()(QNetworkReply* reply) const;
    };
    // One way requests go, one at a time.
    struct Lane {
        std::deque<std::unique_ptr<Job>> queue;
        std::unique_ptr<Job> running;
        bool startScheduled = false;
        QTimer* idle = nullptr; // runs while a request runs; restarted by every byte
    };
    enum LaneId { NewsLane, DownloadLane, LaneCount };

    static std::unique_ptr<Job> newsJob(NewsRequestKind kind, const NewsAccount& account,
                                        QByteArrayView newsId, const QObject* context);
    // The client's manager, made with the first request.
    QNetworkAccessManager& network();
    void enqueue(LaneId lane, std::unique_ptr<Job> job);
    void startNext(LaneId lane);
    bool start(LaneId lane, Job& job, QString& failure);
    void onMetaData(LaneId lane);
    void onReadyRead(LaneId lane);
    void onFinished(LaneId lane);
    void onIdle(LaneId lane);
    void finishRunning(LaneId lane, const Exchange& exchange);
    static void discardFile(Job& job);
    static void deliver(Job& job, const Exchange& exchange);

    QNetworkAccessManager* m_manager = nullptr;
    Lane m_lanes[LaneCount];
    std::chrono::milliseconds m_idleTimeout = IdleTimeout;
};

} // namespace velmora::news
