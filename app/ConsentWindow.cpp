#include "app/ConsentWindow.h"

#include "search/OffscreenPage.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
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
    // Room for the engine's dialog, small beside the main window.
    resize(640, 560);
    setFocusProxy(view);
}

void ConsentWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}

void ConsentWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes it as it closes a dialog; the page gets every key first.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace velmora::app
