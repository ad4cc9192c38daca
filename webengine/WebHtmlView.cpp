#include "webengine/WebHtmlView.h"

#include "webengine/DocumentSchemeHandler.h"

#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace velmora::webengine {

WebHtmlView::WebHtmlView(QWidget* parent) : HtmlView(parent), m_view(new QWebEngineView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);
}

WebHtmlView::~WebHtmlView() {
    if (m_documents)
        m_documents->withdraw(m_shown);
}

void WebHtmlView::setHtmlSource(const QByteArray& html) {
    // Served rather than given: the engine takes a document given directly only up to 2 MB. The
    // handler serves it as bytes whose own charset declaration decides how they read, and
    // without one they are Windows-1252.
    if (!m_documents)
        m_documents = &DocumentSchemeHandler::on(m_view->page()->profile());
    m_shown = m_documents->publish(html, m_shown);
    m_view->load(m_shown);
}

} // namespace velmora::webengine
