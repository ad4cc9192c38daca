#include "app/ConsentWindow.h"

#include "search/OffscreenPage.h"

#include <QCloseEvent>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace velmora::app {

ConsentWindow::ConsentWindow(search::OffscreenPage& page, const QString& sentence, QWidget* parent)
    : QWidget(parent, Qt::Window), m_reason(new QLabel(sentence, this)) {
    setObjectName(QStringLiteral("consentWindow"));
    setWindowTitle(QStringLiteral("Velmora - the search engine asks"));
    setWindowModality(Qt::NonModal);
    m_reason->setObjectName(QStringLiteral("consentReason"));
    m_reason->setTextFormat(Qt::PlainText);
    m_reason->setWordWrap(true);
    QWidget* view = page.createView(this);
    view->setObjectName(QStringLiteral("consentPage"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_reason);
    layout->addWidget(view, 1);
    // Room for the engine's dialog, small beside the main window, and over its middle.
    resize(640, 560);
    if (parent != nullptr)
        move(parent->window()->frameGeometry().center() - rect().center());
    setFocusProxy(view);
    // Escape closes it as it closes a dialog, wherever the focus is in it: the page passes no
    // key on to its window.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void ConsentWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

} // namespace velmora::app
