#include "webengine/DocumentSchemeHandler.h"

#include "webengine/DocumentCharset.h"

#include <QBuffer>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace velmora::webengine {
namespace {

const QByteArray SchemeName = "velmora-document";

} // namespace

void DocumentSchemeHandler::registerScheme() {
    if (QWebEngineUrlScheme::schemeByName(SchemeName).name() == SchemeName)
        return;
    // Neither secure nor local: a document served here may show pictures from the web, as one
    // given directly could.
    QWebEngineUrlScheme scheme(SchemeName);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
}

DocumentSchemeHandler& DocumentSchemeHandler::on(QWebEngineProfile* profile) {
    // Nothing but this class installs a handler for the scheme.
    if (const QWebEngineUrlSchemeHandler* installed = profile->urlSchemeHandler(SchemeName))
        return *static_cast<DocumentSchemeHandler*>(const_cast<QWebEngineUrlSchemeHandler*>(installed));
    // The profile's child: it goes with the profile, after every view on it.
    auto* handler = new DocumentSchemeHandler(profile);
    profile->installUrlSchemeHandler(SchemeName, handler);
    return *handler;
}

QUrl DocumentSchemeHandler::publish(const QByteArray& html, const QUrl& previous) {
    withdraw(previous);
    const QString path = QStringLiteral("document-%1").arg(++m_next);
    m_documents.insert(path, html);
    QUrl url;
    url.setScheme(QString::fromLatin1(SchemeName));
    url.setPath(path);
    return url;
}

void DocumentSchemeHandler::withdraw(const QUrl& url) {
    if (url.scheme() == QLatin1String(SchemeName))
        m_documents.remove(url.path());
}

void DocumentSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const auto document = m_documents.constFind(job->requestUrl().path());
    if (document == m_documents.cend()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job owns the buffer, which shares the document's bytes.
    auto* body = new QBuffer(job);
    body->setData(*document);
    body->open(QIODevice::ReadOnly);
    job->reply(HtmlMimeType(*document).toLatin1(), body);
}

} // namespace velmora::webengine
