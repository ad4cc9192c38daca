#include "news/NewsClient.h"

#include "util/AtomicSave.h"
#include "util/NetworkAccess.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

namespace velmora::news {
namespace {

// Fifteen requests in all: the first and up to fourteen redirects.
constexpr int MaxRedirects = 14;

QNetworkRequest requestFor(const QUrl& url) {
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)");
    request.setRawHeader("Accept", "text/html, */*");
    // The body is wanted as the server has it; Qt would otherwise ask for compressed forms.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(0); // the client's own idle timer decides
    return request;
}

// Only plain web addresses with a host are fetched; anything else fails like an
// unreachable server, without the network being asked.
bool isFetchable(const QUrl& url) {
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}

} // namespace

struct NewsClient::Exchange {
    bool ok = false;
    bool aborted = false;
    bool timedOut = false;
    bool tooLarge = false;
    int httpStatus = 0;
    QByteArray body;
    QString error;
};

struct NewsClient::Job {
    QByteArray url;
    QByteArray postBody;
    QByteArray contentType; // set for a POST
    QString localFile;      // set for a download into a file
    std::unique_ptr<QSaveFile> file;
    qint64 written = 0;
    QPointer<const QObject> context;
    bool hasContext = false;
    std::function<void(const Exchange&)> done;

    std::unique_ptr<QNetworkReply, ReplyDeleter> reply;
    QByteArray received;
    qint64 limit = -1;
};

void NewsClient::ReplyDeleter::operator()(QNetworkReply* reply) const {
    // Cut off before stopping it (abort() reports finished at once), and delete it once
    // control is back in the event loop: it may be the sender of the signal being handled.
    reply->disconnect();
    reply->abort();
    reply->deleteLater();
}

NewsClient::NewsClient(QObject* parent) : QObject(parent) {
    for (int id = 0; id < LaneCount; ++id) {
        const auto lane = LaneId(id);
        m_lanes[lane].idle = new QTimer(this);
        m_lanes[lane].idle->setSingleShot(true);
        connect(m_lanes[lane].idle, &QTimer::timeout, this, [this, lane] { onIdle(lane); });
    }
}

QNetworkAccessManager& NewsClient::network() {
    if (!m_manager) {
        m_manager = util::NewDirectNetworkAccess(this);
        m_manager->setObjectName(QStringLiteral("IdHTTP1"));
    }
    return *m_manager;
}

NewsClient::~NewsClient() {
    for (Lane& lane : m_lanes) {
        lane.queue.clear();
        if (lane.running)
            discardFile(*lane.running);
    }
}

namespace {

// A judge of a response body for one kind of news request, turned into the job's ending.
template <typename Result, typename Judge, typename Handler>
auto newsEnding(Judge judge, Handler handler, bool silent = false) {
    return [judge, handler = std::move(handler), silent](const auto& exchange) {
        Result result;
        if (exchange.aborted) {
            result.aborted = true;
        } else if (exchange.timedOut) {
            result.timedOut = true;
            if (!silent)
                result.message = NewsNoAnswerMessage();
        } else // a failed exchange reads as an empty reply
            result = judge(exchange.ok ? QByteArrayView(exchange.body) : QByteArrayView());
        handler(result);
    };
}

} // namespace

std::unique_ptr<NewsClient::Job> NewsClient::newsJob(NewsRequestKind kind, const NewsAccount& account,
                                                     QByteArrayView newsId, const QObject* context) {
    auto job = std::make_unique<Job>();
    job->url = NewsRequestUrl(NewsBaseUrl(account.ProductType, account.baseUrls), kind);
    const QList<FormField> fields = NewsFormFields(kind, account, newsId);
    const QByteArray boundary = NewFormBoundary(fields);
    job->postBody = MultipartFormBody(fields, boundary);
    job->contentType = "multipart/form-data; boundary=" + boundary;
    job->limit = MaxReplyBytes;
    job->context = context;
    job->hasContext = context != nullptr;
    return job;
}

void NewsClient::GetNewsList(const NewsAccount& account, const QObject* context, ListHandler handler) {
    auto job = newsJob(NewsRequestKind::List, account, {}, context);
    job->done = newsEnding<NewsListResult>(JudgeNewsListReply, std::move(handler));
    enqueue(NewsLane, std::move(job));
}

void NewsClient::GetLastNews(const NewsAccount& account, bool Silent, const QObject* context,
                             LatestHandler handler) {
    auto job = newsJob(NewsRequestKind::Latest, account, {}, context);
    auto judge = [Silent](QByteArrayView body) { return JudgeLatestNewsReply(body, Silent); };
    job->done = newsEnding<LatestNewsResult>(judge, std::move(handler), Silent);
    enqueue(NewsLane, std::move(job));
}

void NewsClient::GetNewsDetails(const NewsAccount& account, const QByteArray& NewsId, const QObject* context,
                                DetailsHandler handler) {
    auto job = newsJob(NewsRequestKind::Details, account, NewsId, context);
    job->done = newsEnding<NewsDetailsResult>(JudgeNewsDetailsReply, std::move(handler));
    enqueue(NewsLane, std::move(job));
}

void NewsClient::DownloadToFile(const QByteArray& url, const QString& localFile, qint64 maxBytes,
                                const QObject* context, DownloadHandler handler) {
    auto job = std::make_unique<Job>();
    job->url = url;
    job->localFile = localFile;
    job->limit = maxBytes;
    job->context = context;
    job->hasContext = context != nullptr;
    job->done = [handler = std::move(handler)](const Exchange& x) {
        handler(DownloadResult{x.ok, x.aborted, x.error, x.timedOut, x.tooLarge, x.httpStatus});
    };
    enqueue(DownloadLane, std::move(job));
}

void NewsClient::enqueue(LaneId id, std::unique_ptr<Job> job) {
    Lane& lane = m_lanes[id];
    lane.queue.push_back(std::move(job));
    // Never start (or fail) inside the asking call: its handler would run before the caller
    // has finished setting up.
    if (!lane.startScheduled) {
        lane.startScheduled = true;
        QMetaObject::invokeMethod(
            this, [this, id] { startNext(id); }, Qt::QueuedConnection);
    }
}

bool NewsClient::busy() const {
    for (const Lane& lane : m_lanes) {
        if (lane.running || !lane.queue.empty())
            return true;
    }
    return false;
}

void NewsClient::startNext(LaneId id) {
    Lane& lane = m_lanes[id];
    lane.startScheduled = false;
    while (!lane.running && !lane.queue.empty()) {
        std::unique_ptr<Job> job = std::move(lane.queue.front());
        lane.queue.pop_front();
        if (job->hasContext && !job->context)
            continue; // whoever asked is gone
        QString failure;
        if (start(id, *job, failure)) {
            lane.running = std::move(job);
            lane.idle->start(m_idleTimeout);
        } else {
            Exchange failed;
            failed.error = failure;
            deliver(*job, failed);
        }
    }
}

bool NewsClient::start(LaneId lane, Job& job, QString& failure) {
    const QUrl url = QUrl::fromEncoded(job.url);
    if (!isFetchable(url)) {
        failure = QStringLiteral("Not a web address: ") + QString::fromLatin1(job.url);
        return false;
    }
    if (!job.localFile.isEmpty()) {
        // Written beside the file and put in its place once complete: a failed check keeps
        // the copy of the last one that succeeded.
        job.file = std::make_unique<QSaveFile>(job.localFile);
        if (!job.file->open(QIODevice::WriteOnly)) {
            failure = QStringLiteral("Cannot create %1: %2").arg(job.localFile, job.file->errorString());
            job.file.reset();
            return false;
        }
    }
    QNetworkRequest request = requestFor(url);
    QNetworkReply* reply = nullptr;
    if (job.contentType.isEmpty()) {
        reply = network().get(request);
    } else {
        request.setRawHeader("Content-Type", job.contentType);
        reply = network().post(request, job.postBody);
    }
    job.reply.reset(reply);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, lane] { onMetaData(lane); });
    connect(reply, &QNetworkReply::readyRead, this, [this, lane] { onReadyRead(lane); });
    connect(reply, &QNetworkReply::finished, this, [this, lane] { onFinished(lane); });
    return true;
}

void NewsClient::onMetaData(LaneId id) {
    Lane& lane = m_lanes[id];
    if (!lane.running)
        return;
    lane.idle->start(m_idleTimeout); // the headers are bytes too
}

void NewsClient::onReadyRead(LaneId id) {
    Lane& lane = m_lanes[id];
    if (!lane.running)
        return;
    Job& job = *lane.running;
    const QByteArray data = job.reply->readAll();
    if (!data.isEmpty())
        lane.idle->start(m_idleTimeout);
    if (job.file) {
        Exchange failed;
        if (job.limit >= 0 && job.written + data.size() > job.limit) {
            failed.tooLarge = true;
            failed.error = QStringLiteral("The file is larger than %1 bytes").arg(job.limit);
        } else if (job.file->write(data) != data.size()) {
            failed.error = QStringLiteral("Cannot write %1: %2").arg(job.localFile, job.file->errorString());
        } else {
            job.written += data.size();
            return;
        }
        finishRunning(id, failed);
        return;
    }
    job.received += data;
    if (job.limit >= 0 && job.received.size() > job.limit) {
        Exchange failed;
        failed.error = QStringLiteral("The reply is too long");
        finishRunning(id, failed);
    }
}

void NewsClient::onFinished(LaneId id) {
    Lane& lane = m_lanes[id];
    if (!lane.running)
        return;
    onReadyRead(id); // whatever arrived with the end
    if (!lane.running)
        return;
    Job& job = *lane.running;
    QNetworkReply& reply = *job.reply;
    Exchange exchange;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    exchange.httpStatus = status;
    if (status != 0 && (status < 200 || status > 299)) {
        exchange.error = QStringLiteral("HTTP status %1").arg(status);
    } else if (reply.error() != QNetworkReply::NoError) {
        exchange.error = reply.errorString();
    } else if (QString reason; job.file && !util::CommitSave(*job.file, &reason)) {
        exchange.error = QStringLiteral("Cannot write %1: %2").arg(job.localFile, reason);
    } else {
        exchange.ok = true;
        exchange.body = std::move(job.received);
    }
    finishRunning(id, exchange);
}

void NewsClient::onIdle(LaneId id) {
    if (!m_lanes[id].running)
        return;
    Exchange silent;
    silent.timedOut = true;
    silent.error = QStringLiteral("No answer for %1 ms").arg(m_idleTimeout.count());
    finishRunning(id, silent);
}

void NewsClient::finishRunning(LaneId id, const Exchange& exchange) {
    Lane& lane = m_lanes[id];
    lane.idle->stop();
    std::unique_ptr<Job> job = std::move(lane.running);
    job->reply.reset();
    if (exchange.ok)
        job->file.reset(); // committed already
    else
        discardFile(*job);
    // The next request goes out before this one's handler runs, which may show a dialog.
    startNext(id);
    deliver(*job, exchange);
}

void NewsClient::abort() {
    // Everything is taken off the lanes first: a handler may ask again, or abort again.
    std::deque<std::unique_ptr<Job>> dropped;
    for (Lane& lane : m_lanes) {
        lane.idle->stop();
        if (lane.running) {
            lane.running->reply.reset();
            discardFile(*lane.running);
            dropped.push_back(std::move(lane.running));
        }
        for (std::unique_ptr<Job>& job : lane.queue)
            dropped.push_back(std::move(job));
        lane.queue.clear();
    }
    Exchange aborted;
    aborted.aborted = true;
    aborted.error = QStringLiteral("Aborted");
    for (const std::unique_ptr<Job>& job : dropped)
        deliver(*job, aborted);
}

void NewsClient::discardFile(Job& job) {
    if (!job.file)
        return;
    job.file->cancelWriting(); // the file it was to replace stays as it was
    job.file.reset();
}

void NewsClient::deliver(Job& job, const Exchange& exchange) {
    if (job.hasContext && !job.context)
        return;
    job.done(exchange);
}

} // namespace velmora::news
