#pragma once

#include "news/NewsProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmora::news {

// How a download into a file ended. error says why it failed, for a log or a tooltip; the
// update check shows its own message instead.
struct DownloadResult {
    bool ok = false;
    bool aborted = false;
    QString error;
};

// The news and update client: the three news requests and the download into a file, all
// over one network access manager with its own cookies, direct connections, redirects
// followed (at most 15 requests in all) and no read time-out.
//
// Requests never overlap. One asked for while another runs waits in a queue and starts when
// the earlier ones have finished, in the order asked: the start-up poll runs on its own, so
// a click on the news or update button during it must not be lost or refused.
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

    // When its turn comes: deletes localFile, creates it empty and fetches url into it; on
    // any failure the file is deleted again. A file that cannot be created fails the
    // download without sending anything.
    void DownloadToFile(const QByteArray& url, const QString& localFile, const QObject* context,
                        DownloadHandler handler);

    // Stops the running request and drops the waiting ones; each handler is called once,
    // before abort() returns, with aborted set and no message. Safe to call at any time,
    // also twice and from inside a handler.
    void abort();

    // True while a request runs or waits.
    bool busy() const;

private:
    struct Exchange;
    struct Job;
    struct ReplyDeleter {
        void operator()(QNetworkReply* reply) const;
    };

    static std::unique_ptr<Job> newsJob(NewsRequestKind kind, const NewsAccount& account,
                                        QByteArrayView newsId, const QObject* context);
    // The client's manager, made with the first request.
    QNetworkAccessManager& network();
    void enqueue(std::unique_ptr<Job> job);
    void startNext();
    bool start(Job& job, QString& failure);
    void onReadyRead();
    void onFinished();
    void finishRunning(const Exchange& exchange);
    static void discardFile(Job& job);
    static void deliver(Job& job, const Exchange& exchange);

    QNetworkAccessManager* m_manager = nullptr;
    std::deque<std::unique_ptr<Job>> m_queue;
    std::unique_ptr<Job> m_running;
    bool m_startScheduled = false;
};

} // namespace velmora::news
