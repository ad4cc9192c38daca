#include "app/HtmlView.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace velmora::app {
namespace {

class WebHtmlView final : public HtmlView {
public:
    explicit WebHtmlView(QWidget* parent) : HtmlView(parent), m_view(new QWebEngineView(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        setFocusProxy(m_view);
    }

    void setHtmlSource(const QByteArray& html) override {
        // As bytes, so the page's own charset declaration decides how they read.
        m_view->setContent(html, QStringLiteral("text/html"), QUrl());
    }

private:
    QWebEngineView* m_view;
};

} // namespace

HtmlViewFactory webHtmlViewFactory() {
    return [](QWidget* parent) -> HtmlView* { return new WebHtmlView(parent); };
}

} // namespace velmora::app
