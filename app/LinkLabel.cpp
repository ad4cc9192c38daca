#include "app/LinkLabel.h"

#include "brand/AppGlobals.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace velmora::app {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
    updateStyle();
}

void LinkLabel::setLink(const QByteArray& caption, const QByteArray& url) {
    m_url = url;
    const int right = x() + width();
    setText(toWidgetText(caption));
    ensurePolished();
    resize(sizeHint());
    if (alignment() & Qt::AlignRight)
        move(right - width(), y());
}

void LinkLabel::setHot(bool hot) {
    if (hot == m_hot)
        return;
    m_hot = hot;
    updateStyle();
}

void LinkLabel::updateStyle() {
    // The label's own sheet, so that no skin can take the link look away.
    setStyleSheet(m_hot ? QStringLiteral("font-family: Arial; font-size: 12px; text-decoration: underline; "
                                         "color: blue;")
                        : QStringLiteral("font-family: Arial; font-size: 12px; text-decoration: underline;"));
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    setHot(true);
}

void LinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setHot(hasFocus());
}

void LinkLabel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    setHot(true);
}

void LinkLabel::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    setHot(underMouse());
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        // Like a button: letting go outside the label cancels the click.
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        emit clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

} // namespace velmora::app
