#pragma once

#include "app/HtmlView.h"

class QWebEngineView;

namespace velmora::webengine {

// The HTML view of the welcome page (and of any window that shows an HTML text): a web view
// that displays a document given as bytes.
class WebHtmlView final : public app::HtmlView {
public:
    explicit WebHtmlView(QWidget* parent);

    void setHtmlSource(const QByteArray& html) override;

private:
    QWebEngineView* m_view;
};

} // namespace velmora::webengine
