#pragma once

#include "app/HtmlView.h"

#include <QPointer>
#include <QUrl>

class QWebEngineView;

namespace velmora::webengine {

class DocumentSchemeHandler;

// The HTML view of the welcome page (and of any window that shows an HTML text): a web view
// that displays a document given as bytes.
class WebHtmlView final : public app::HtmlView {
public:
    explicit WebHtmlView(QWidget* parent);
    ~WebHtmlView() override;

    void setHtmlSource(const QByteArray& html) override;

private:
    QWebEngineView* m_view;
    QPointer<DocumentSchemeHandler> m_documents;
    QUrl m_shown; // where the view's document is served
};

} // namespace velmora::webengine
