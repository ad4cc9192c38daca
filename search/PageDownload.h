#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

namespace velmora::util {
class RandomSource;
}

namespace velmora::search {

// How a page download ended, as plain values.
struct DownloadResult {
    enum class Outcome {
        Completed, // a 2xx reply, body read back completely
        Failed,    // no connection, a status outside 2xx after the redirects, a broken transfer, a file error
        Aborted,   // abort() was called while it ran
    };
    Outcome outcome = Outcome::Failed;
    QByteArray pageText; // the body as PageTextFromBytes makes it; empty unless Completed
    QUrl finalUrl;       // where the page came from after the redirects
    QString errorText;   // the client's own description of a failure, for diagnosis
    // Why the page could not be kept in its temporary file (a full disk, say), in the system's
    // words; empty unless that is why the download failed.
    QString writeError;
};

// The status-bar texts of a download.
QString GettingUrlStatus(const QByteArray& url);
// The text for how a download ended; while the window closes every failure counts as an abort.
// A page that could not be written to disk is not blamed on the connection.
QString DownloadEndStatus(const DownloadResult& result, bool closing);

// The results-page client: one GET at a time with the browser-like headers the engine
// expects, redirects followed (at most 15 requests), cookies kept in memory for the client's
// life, no proxy, no read time-out. The body goes into a temporary file "test<N>.html" in
// the given directory as it arrives, is read back as page text at the end, and the file is
// deleted on every path. Progress arrives as begin (expected total, 0 when unknown), running
// count and end; finished() comes exactly once per started download.
class PageDownload final : public QObject {
    Q_OBJECT

public:
    PageDownload(QString directory, util::RandomSource& random, QObject* parent = nullptr);
    ~PageDownload() override;

    // Starts the download. False, doing nothing, while another one runs. Throws, sending no
    // request, when the temporary file cannot be created.
    bool start(const QUrl& url);
    bool isRunning() const { return m_reply != nullptr; }
    // Stops a running download: finished() reports Aborted before this returns. Does nothing
    // when none runs, so calling it twice is harmless.
    void abort();

    // The temporary file of the running download; empty when none runs.
    QString temporaryFileName() const;

signals:
    void workBegin(qint64 expectedTotal);
    void work(qint64 count);
    void workEnd();
    void finished(const velmora::search::DownloadResult& result);

private:
    struct DeleteLater {
        void operator()(QObject* object) const;
    };

    std::unique_ptr<QFile> createTemporaryFile();
    // Appends what has arrived to the file; false when the file did not take all of it.
    bool storeArrivedBytes();
    DownloadResult fileWriteFailure() const;
    void onReadyRead();
    // Announces the transfer with its expected total, once; false when a listener aborted.
    bool beginOnce();
    void onFinished();
    // Ends the running download: frees the reply, deletes the file, emits finished().
    void finish(DownloadResult result);

    QString m_directory;
    util::RandomSource& m_random;
    // Made with the first download.
    QNetworkAccessManager* m_manager = nullptr;
    std::unique_ptr<QNetworkReply, DeleteLater> m_reply;
    std::unique_ptr<QFile> m_file;
    bool m_begun = false;
    qint64 m_received = 0;
};

} // namespace velmora::search
