#include "search/PageDownload.h"

#include "search/PageText.h"
#include "util/NetworkAccess.h"
#include "util/RandomSource.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>
#include <stdexcept>

namespace velmora::search {
namespace {

// The engine serves its plain results page to these; Accept-Encoding asks for the body
// without content coding, where Qt would otherwise offer compressed forms of its own.
constexpr std::pair<const char*, const char*> RequestHeaders[] = {
    {"User-Agent", "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)"},
    {"Accept", "text/html, */*"},
    {"Content-Type", "text/html"},
    {"Pragma", "no-cache"},
    {"Cache-control", "no-cache"},
    {"Accept-Encoding", "identity"},
};

// 15 requests in all: the first one and 14 redirects.
constexpr int MaxRedirects = 14;
// Names drawn for the temporary file before giving up on a folder full of them.
constexpr int MaxNameDraws = 1000;

} // namespace

QString GettingUrlStatus(const QByteArray& url) {
    return QStringLiteral("Getting URL: ") + QString::fromLatin1(url) + QStringLiteral("...");
}

QString DownloadEndStatus(const DownloadResult& result, bool closing) {
    const DownloadResult::Outcome outcome = result.outcome;
    if (outcome == DownloadResult::Outcome::Aborted ||
        (closing && outcome == DownloadResult::Outcome::Failed))
        return QStringLiteral("Download aborted by user.");
    if (outcome == DownloadResult::Outcome::Failed && !result.writeError.isEmpty()) {
        QString reason = result.writeError;
        if (!reason.endsWith(u'.'))
            reason += u'.';
        return QStringLiteral("Could not write the downloaded page: ") + reason;
    }
    if (outcome == DownloadResult::Outcome::Failed)
        return QStringLiteral("Connection error, check if you are connected and url exists.");
    return QStringLiteral("Download completed!");
}

void PageDownload::DeleteLater::operator()(QObject* object) const {
    object->deleteLater();
}

PageDownload::PageDownload(QString directory, util::RandomSource& random, QObject* parent)
    : QObject(parent), m_directory(std::move(directory)), m_random(random) {}

PageDownload::~PageDownload() {
    // Quietly: whoever listened may be half destroyed already.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply.reset();
    }
    if (m_file)
        m_file->remove();
}

QString PageDownload::temporaryFileName() const {
    return m_file ? m_file->fileName() : QString();
}

std::unique_ptr<QFile> PageDownload::createTemporaryFile() {
    const QDir directory(m_directory);
    QString path;
    for (int draw = 0; draw < MaxNameDraws; ++draw) {
        path = directory.filePath(QStringLiteral("test%1.html").arg(m_random.pick(1000)));
        auto file = std::make_unique<QFile>(path);
        // Created, never opened if it exists: two running copies never share a file.
        if (file->open(QIODevice::ReadWrite | QIODevice::NewOnly))
            return file;
        if (!file->exists()) {
            throw std::runtime_error(QStringLiteral("The temporary file %1 cannot be created: %2")
                                         .arg(QDir::toNativeSeparators(path), file->errorString())
                                         .toLocal8Bit()
                                         .toStdString());
        }
    }
    throw std::runtime_error(QStringLiteral("No free name for a temporary file is left in %1.")
                                 .arg(QDir::toNativeSeparators(directory.absolutePath()))
                                 .toLocal8Bit()
                                 .toStdString());
}

bool PageDownload::start(const QUrl& url) {
    if (isRunning())
        return false;
    std::unique_ptr<QFile> file = createTemporaryFile();

    QNetworkRequest request(url);
    for (const auto& [name, value] : RequestHeaders)
        request.setRawHeader(name, value);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(0);

    m_file = std::move(file);
    m_begun = false;
    m_received = 0;
    if (!m_manager)
        m_manager = util::NewDirectNetworkAccess(this);
    m_reply.reset(m_manager->get(request));
    QNetworkReply* reply = m_reply.get();
    connect(reply, &QNetworkReply::readyRead, this, &PageDownload::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &PageDownload::onFinished);
    return true;
}

void PageDownload::abort() {
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply.get();
    reply->disconnect(this);
    reply->abort();
    DownloadResult result;
    result.outcome = DownloadResult::Outcome::Aborted;
    result.finalUrl = reply->url();
    finish(std::move(result));
}

bool PageDownload::storeArrivedBytes() {
    const QByteArray data = m_reply->readAll();
    m_received += data.size();
    return m_file->write(data) == data.size();
}

bool PageDownload::beginOnce() {
    if (m_begun)
        return true;
    m_begun = true;
    // The announced length; a reply without one (chunked, say) begins with 0.
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    emit workBegin(length.isValid() ? std::max<qint64>(0, length.toLongLong()) : 0);
    return m_reply != nullptr; // false when a listener aborted
}

DownloadResult PageDownload::fileWriteFailure() const {
    DownloadResult result;
    result.finalUrl = m_reply->url();
    result.writeError = m_file->errorString();
    result.errorText = QStringLiteral("The page could not be written to %1: %2")
                           .arg(QDir::toNativeSeparators(m_file->fileName()), result.writeError);
    return result;
}

void PageDownload::onReadyRead() {
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        return; // the body of a redirect is not the page
    if (!beginOnce())
        return;
    if (!storeArrivedBytes()) {
        // The disk is full, say: the page would be cut short, so the transfer stops here.
        DownloadResult result = fileWriteFailure();
        m_reply->disconnect(this);
        m_reply->abort();
        finish(std::move(result));
        return;
    }
    // Counted here rather than from Qt's progress signal, which it emits at most every 150 ms.
    emit work(m_received);
}

void PageDownload::onFinished() {
    QNetworkReply* reply = m_reply.get();
    DownloadResult result;
    result.finalUrl = reply->url();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError) {
        result.errorText = reply->errorString();
    } else if (status < 200 || status > 299) {
        result.errorText = QStringLiteral("The server answered with status %1.").arg(status);
    } else if (!storeArrivedBytes()) {
        result = fileWriteFailure();
    } else {
        if (!beginOnce())
            return; // a listener aborted
        emit workEnd();
        if (!m_reply)
            return;
        QByteArray body;
        // The last bytes reach the disk here: a full disk shows at this flush.
        const bool flushed = m_file->flush();
        if (flushed && m_file->seek(0))
            body = m_file->readAll();
        if (m_file->error() == QFileDevice::NoError) {
            result.outcome = DownloadResult::Outcome::Completed;
            result.pageText = PageTextFromBytes(body);
        } else {
            result.errorText = m_file->errorString();
            if (!flushed)
                result.writeError = result.errorText;
        }
    }
    finish(std::move(result));
}

void PageDownload::finish(DownloadResult result) {
    m_reply.reset();
    if (m_file) {
        m_file->close();
        m_file->remove();
        m_file.reset();
    }
    emit finished(result);
}

} // namespace velmora::search
