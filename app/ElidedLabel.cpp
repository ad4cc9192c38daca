#include "app/ElidedLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace velmora::app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    // The width is the layout's to give: the text's own width is never asked for.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setText(const QString& text) {
    QLabel::setText(text);
    updateToolTip();
}

QRect ElidedLabel::textArea() const {
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

bool ElidedLabel::fits() const {
    return fontMetrics().horizontalAdvance(text()) <= textArea().width();
}

void ElidedLabel::updateToolTip() {
    setToolTip(fits() ? QString() : text());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    if (fits()) {
        QLabel::paintEvent(event);
        return;
    }
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = textArea();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    QStyleOption option;
    option.initFrom(this);
    style()->drawItemText(&painter, area, int(QStyle::visualAlignment(layoutDirection(), alignment())),
                          option.palette, isEnabled(), shown, foregroundRole());
}

} // namespace velmora::app
