#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

class QUrl;
class QWebEngineProfile;

namespace velmora::webengine {

// Serves the documents that the HTML views show, from memory, under a scheme of the module's
// own. The engine takes a document given directly (setContent) only up to 2 MB and shows a blank
// page beyond; served this way a document may have any size. Each is served with the type that
// its own charset declaration, or else Windows-1252, calls for (DocumentCharset).
class DocumentSchemeHandler final : public QWebEngineUrlSchemeHandler {
public:
    // Makes the scheme known to the engine; a no-op after the first call. Must run before the
    // engine starts, that is before the module makes its first view or page.
    static void registerScheme();

    // The handler installed on profile, made and installed with the first call.
    static DocumentSchemeHandler& on(QWebEngineProfile* profile);

    // Keeps html under a new address and returns it; the document that `previous` named (if
    // any) is let go.
    QUrl publish(const QByteArray& html, const QUrl& previous);
    // Lets the document at url go.
    void withdraw(const QUrl& url);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    explicit DocumentSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}

    QHash<QString, QByteArray> m_documents; // by the address's path
    quint64 m_next = 0;
};

} // namespace velmora::webengine
