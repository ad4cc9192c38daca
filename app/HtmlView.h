#pragma once

#include <QByteArray>
#include <QWidget>

#include <functional>

namespace velmora::app {

// A read-only view that shows an HTML document given as bytes.
//
// The real view lives in the web engine module, which is loaded at run time and resolves
// nothing from the program: so this class stays header-only, without Q_OBJECT (it has no
// signals or slots) and without out-of-line members.
class HtmlView : public QWidget {
public:
    using QWidget::QWidget;

    // Replaces the whole document by html. The document's own charset declaration decides how
    // the bytes read; without one they read as Windows-1252, as a browser reads a legacy page.
    virtual void setHtmlSource(const QByteArray& html) = 0;
};

// Makes an HTML view as a child of parent. The windows create a view only when they have
// a page to show: the web engine behind the real one is expensive to start.
using HtmlViewFactory = std::function<HtmlView*(QWidget* parent)>;

} // namespace velmora::app
