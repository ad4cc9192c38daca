#include "webengine/WebHtmlView.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace velmora::webengine {

WebHtmlView::WebHtmlView(QWidget* parent) : HtmlView(parent), m_view(new QWebEngineView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);
}

void WebHtmlView::setHtmlSource(const QByteArray& html) {
    // As bytes, so the page's own charset declaration decides how they read; without one the
    // engine's default, ISO-8859-1, reads them as Windows-1252, as browsers do.
    m_view->setContent(html, QStringLiteral("text/html"), QUrl());
}

} // namespace velmora::webengine
