#include "app/MessageHint.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

#include <algorithm>

namespace velmora::app {
namespace {

constexpr int PaddingX = 8;
constexpr int PaddingY = 6;
constexpr int CornerRadius = 6;
constexpr int TailBase = 12;

} // namespace

BalloonPlacement PlaceBalloon(QPoint anchor, QSize bodySize, const QRect& screen) {
    const int width = bodySize.width();
    const int height = bodySize.height();
    const int belowTop = anchor.y() + BalloonTailLength;
    const int aboveTop = anchor.y() - BalloonTailLength - height;
    const int leftwardLeft = anchor.x() + BalloonTailInset - width;
    const int rightwardLeft = anchor.x() - BalloonTailInset;

    const bool fitsBelow = belowTop + height + BalloonShadowDepth <= screen.bottom() + 1;
    const bool fitsAbove = aboveTop >= screen.top();
    const bool fitsLeftward = leftwardLeft >= screen.left();
    const bool fitsRightward = rightwardLeft + width + BalloonShadowDepth <= screen.right() + 1;

    // The usual side wins whenever it fits, and also when neither side does.
    BalloonPlacement placement;
    placement.below = fitsBelow || !fitsAbove;
    placement.leftward = fitsLeftward || !fitsRightward;
    // Whatever still sticks out at the side is pulled in, as long as the screen is wide enough.
    const int left = std::max(screen.left(), std::min(placement.leftward ? leftwardLeft : rightwardLeft,
                                                      screen.right() + 1 - width - BalloonShadowDepth));
    placement.body = QRect(left, placement.below ? belowTop : aboveTop, width, height);
    return placement;
}

MessageHint::MessageHint(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
}

MessageHint::~MessageHint() {
    watchApplication(false);
}

QFont MessageHint::textFont() const {
    // The balloon's own small type, whatever the skin gives the windows.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

void MessageHint::showMessage(QPoint anchor, const QString& text) {
    hideMessage();
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_lines = normalised.split(QLatin1Char('\n'));
    m_anchor = anchor;

    const QFontMetrics metrics(textFont());
    int textWidth = 0;
    for (const QString& line : std::as_const(m_lines))
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    // Room for the tail beside the rounded corners, however short the text.
    const QSize body(std::max(textWidth + 2 * PaddingX, BalloonTailInset + TailBase + CornerRadius),
                     int(m_lines.size()) * metrics.lineSpacing() + 2 * PaddingY);
    const QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 15, 1 << 15));
    m_placement = PlaceBalloon(anchor, body, area);

    // The window covers the body, the tail's tip and the shadow.
    QRect frame = m_placement.body.adjusted(0, 0, BalloonShadowDepth, BalloonShadowDepth);
    frame = frame.united(QRect(anchor, QSize(1, 1)));
    setGeometry(frame);
    const QPainterPath shape = outline();
    setMask(QRegion(shape.toFillPolygon().toPolygon())
                .united(QRegion(
                    shape.translated(BalloonShadowDepth, BalloonShadowDepth).toFillPolygon().toPolygon())));
    watchApplication(true);
    show();
    raise();
    update();
}

void MessageHint::hideMessage() {
    watchApplication(false);
    if (!isVisible())
        return;
    hide();
    emit hidden();
}

void MessageHint::watchApplication(bool on) {
    if (on == m_watching || !QCoreApplication::instance())
        return;
    m_watching = on;
    if (on)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool MessageHint::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::ApplicationDeactivate:
        hideMessage();
        break;
    case QEvent::WindowDeactivate:
        // Another window takes over (a dialog, another program). A window of the program
        // becoming active is no reason: the user may just be coming back to read it.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            hideMessage();
        break;
    default:
        break;
    }
    // The event goes on where it was going: a click on a button still presses it.
    return false;
}

QPainterPath MessageHint::outline() const {
    // In the widget's own coordinates.
    const QRect body = m_placement.body.translated(-geometry().topLeft());
    const QPoint tip = m_anchor - geometry().topLeft();
    QPainterPath path;
    path.addRoundedRect(QRectF(body), CornerRadius, CornerRadius);
    const int edge = m_placement.below ? body.top() + 1 : body.bottom();
    const int far = m_placement.leftward ? tip.x() - TailBase : tip.x() + TailBase;
    QPainterPath tail;
    tail.moveTo(tip);
    tail.lineTo(tip.x(), edge);
    tail.lineTo(far, edge);
    tail.closeSubpath();
    return path.united(tail);
}

void MessageHint::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPainterPath shape = outline();
    painter.fillPath(shape.translated(BalloonShadowDepth, BalloonShadowDepth), QColor(96, 96, 96));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, palette().color(QPalette::ToolTipBase));
    painter.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
    painter.drawPath(shape);

    painter.setFont(textFont());
    const QFontMetrics metrics(textFont());
    const QRect body = m_placement.body.translated(-geometry().topLeft());
    int baseline = body.top() + PaddingY + metrics.ascent();
    for (const QString& line : std::as_const(m_lines)) {
        painter.drawText(body.left() + PaddingX, baseline, line);
        baseline += metrics.lineSpacing();
    }
}

} // namespace velmora::app
