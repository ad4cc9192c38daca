#pragma once

#include <QByteArray>
#include <QWidget>

#include <functional>

namespace velmora::app {

// A read-only view that shows an HTML document given as bytes.
class HtmlView : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Replaces the whole document by html.
    virtual void setHtmlSource(const QByteArray& html) = 0;
};

// Makes an HTML view as a child of parent. The windows create a view only when they have
// a page to show: the web engine behind the real one is expensive to start.
using HtmlViewFactory = std::function<HtmlView*(QWidget* parent)>;

// The factory of the real view, backed by the web engine.
HtmlViewFactory webHtmlViewFactory();

} // namespace velmora::app
