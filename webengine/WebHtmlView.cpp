#include "webengine/WebHtmlView.h"

#include "webengine/DocumentCharset.h"

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
    // As bytes: the page's own charset declaration decides how they read, and without one they
    // are Windows-1252. Left to itself the engine would guess the set of an undeclared page.
    m_view->setContent(html, HtmlMimeType(html), QUrl());
}

} // namespace velmora::webengine
