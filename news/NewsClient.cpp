#include "news/NewsClient.h"

#include "util/NetworkAccess.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
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
    request.setTransferTimeout(0);
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
    QByteArray body;
    QString error;
};

struct NewsClient::Job {
    QByteArray url;
    QByteArray postBody;
    QByteArray contentType; // set for a POST
    QString localFile;      // set for a download into a file
    std::unique_ptr<QFile> file;
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

NewsClient::NewsClient(QObject* parent) : QObject(parent) {}

QNetworkAccessManager& NewsClient::network() {
    if (!m_manager) {
        m_manager = util::NewDirectNetworkAccess(this);
        m_manager->setObjectName(QStringLiteral("IdHTTP1"));
    }
    return *m_manager;
}

NewsClient::~NewsClient() {
    m_queue.clear();
    if (m_running)
        discardFile(*m_running);
}

namespace {

// A judge of a response body for one kind of news request, turned into the job's ending.
template <typename Result, typename Judge, typename Handler> auto newsEnding(Judge judge, Handler handler) {
    return [judge, handler = std::move(handler)](const auto& exchange) {
        Result result;
        if (exchange.aborted)
            result.aborted = true;
        else // a failed exchange reads as an empty reply
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
    enqueue(std::move(job));
}

void NewsClient::GetLastNews(const NewsAccount& account, bool Silent, const QObject* context,
                             LatestHandler handler) {
    auto job = newsJob(NewsRequestKind::Latest, account, {}, context);
    auto judge = [Silent](QByteArrayView body) { return JudgeLatestNewsReply(body, Silent); };
    job->done = newsEnding<LatestNewsResult>(judge, std::move(handler));
    enqueue(std::move(job));
}

void NewsClient::GetNewsDetails(const NewsAccount& account, const QByteArray& NewsId, const QObject* context,
                                DetailsHandler handler) {
    auto job = newsJob(NewsRequestKind::Details, account, NewsId, context);
    job->done = newsEnding<NewsDetailsResult>(JudgeNewsDetailsReply, std::move(handler));
    enqueue(std::move(job));
}

void NewsClient::DownloadToFile(const QByteArray& url, const QString& localFile, const QObject* context,
                                DownloadHandler handler) {
    auto job = std::make_unique<Job>();
    job->url = url;
    job->localFile = localFile;
    job->context = context;
    job->hasContext = context != nullptr;
    job->done = [handler = std::move(handler)](const Exchange& x) {
        handler(DownloadResult{x.ok, x.aborted, x.error});
    };
    enqueue(std::move(job));
}

void NewsClient::enqueue(std::unique_ptr<Job> job) {
    m_queue.push_back(std::move(job));
    // Never start (or fail) inside the asking call: its handler would run before the caller
    // has finished setting up.
    if (!m_startScheduled) {
        m_startScheduled = true;
        QMetaObject::invokeMethod(this, &NewsClient::startNext, Qt::QueuedConnection);
    }
}

bool NewsClient::busy() const {
    return m_running || !m_queue.empty();
}

void NewsClient::startNext() {
    m_startScheduled = false;
    while (!m_running && !m_queue.empty()) {
        std::unique_ptr<Job> job = std::move(m_queue.front());
        m_queue.pop_front();
        if (job->hasContext && !job->context)
            continue; // whoever asked is gone
        QString failure;
        if (start(*job, failure)) {
            m_running = std::move(job);
        } else {
            Exchange failed;
            failed.error = failure;
            deliver(*job, failed);
        }
    }
}

bool NewsClient::start(Job& job, QString& failure) {
    const QUrl url = QUrl::fromEncoded(job.url);
    if (!isFetchable(url)) {
        failure = QStringLiteral("Not a web address: ") + QString::fromLatin1(job.url);
        return false;
    }
    if (!job.localFile.isEmpty()) {
        if (QFile::exists(job.localFile))
            QFile::remove(job.localFile);
        job.file = std::make_unique<QFile>(job.localFile);
        if (!job.file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
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
    connect(reply, &QNetworkReply::readyRead, this, &NewsClient::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &NewsClient::onFinished);
    return true;
}

void NewsClient::onReadyRead() {
    if (!m_running)
        return;
    Job& job = *m_running;
    const QByteArray data = job.reply->readAll();
    if (job.file) {
        if (job.file->write(data) != data.size()) {
            Exchange failed;
            failed.error = QStringLiteral("Cannot write %1: %2").arg(job.localFile, job.file->errorString());
            finishRunning(failed);
        }
        return;
    }
    job.received += data;
    if (job.limit >= 0 && job.received.size() > job.limit) {
        Exchange failed;
        failed.error = QStringLiteral("The reply is too long");
        finishRunning(failed);
    }
}

void NewsClient::onFinished() {
    if (!m_running)
        return;
    onReadyRead(); // whatever arrived with the end
    if (!m_running)
        return;
    Job& job = *m_running;
    QNetworkReply& reply = *job.reply;
    Exchange exchange;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply.error() != QNetworkReply::NoError) {
        exchange.error = reply.errorString();
    } else if (status < 200 || status > 299) {
        exchange.error = QStringLiteral("HTTP status %1").arg(status);
    } else if (job.file && !job.file->flush()) {
        exchange.error = QStringLiteral("Cannot write %1: %2").arg(job.localFile, job.file->errorString());
    } else {
        exchange.ok = true;
        exchange.body = std::move(job.received);
    }
    finishRunning(exchange);
}

void NewsClient::finishRunning(const Exchange& exchange) {
    std::unique_ptr<Job> job = std::move(m_running);
    job->reply.reset();
    if (exchange.ok)
        job->file.reset(); // closes it
    else
        discardFile(*job);
    // The next request goes out before this one's handler runs, which may show a dialog.
    startNext();
    deliver(*job, exchange);
}

void NewsClient::abort() {
    std::deque<std::unique_ptr<Job>> dropped;
    dropped.swap(m_queue);
    std::unique_ptr<Job> running = std::move(m_running);
    Exchange aborted;
    aborted.aborted = true;
    aborted.error = QStringLiteral("Aborted");
    if (running) {
        running->reply.reset();
        discardFile(*running);
        deliver(*running, aborted);
    }
    for (const std::unique_ptr<Job>& job : dropped)
        deliver(*job, aborted);
}

void NewsClient::discardFile(Job& job) {
    if (!job.file)
        return;
    job.file->close(); // an error in closing changes nothing: the file goes
    job.file->remove();
    job.file.reset();
}

void NewsClient::deliver(Job& job, const Exchange& exchange) {
    if (job.hasContext && !job.context)
        return;
    job.done(exchange);
}

} // namespace velmora::news
