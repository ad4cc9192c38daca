#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QWidget>

class QPainterPath;

namespace velmora::app {

// Where a balloon goes: its body below and to the left of the point it points at, moved to
// the other side of the point, vertically or horizontally, where it would not fit on the
// screen that way, and then pulled in sideways so that it stays on the screen.
struct BalloonPlacement {
    QRect body;    // the text's rounded box, in screen coordinates
    bool below;    // the body hangs below the point (the tail points up)
    bool leftward; // the body extends to the left of the point
};

// Distance of the tail's tip from the body, and of the tip from the body's near side.
inline constexpr int BalloonTailLength = 12;
inline constexpr int BalloonTailInset = 18;
inline constexpr int BalloonShadowDepth = 4;

BalloonPlacement PlaceBalloon(QPoint anchor, QSize bodySize, const QRect& screen);

// A balloon that points at a screen point and shows a few lines of text. It stays until the
// next mouse-button press or wheel turn, key press, or change of the active window or of the
// application's activity, anywhere in the program; it has no time-out. The event that
// removes it still goes where it was meant to go. Showing a new message removes the old one.
class MessageHint final : public QWidget {
    Q_OBJECT

public:
    explicit MessageHint(QWidget* parent = nullptr);
    ~MessageHint() override;

    // Shows text (lines separated by CR LF, CR or LF) pointing at anchor, a point on the
    // screen, on the screen that holds it.
    void showMessage(QPoint anchor, const QString& text);
    void hideMessage();

    bool isShowing() const { return isVisible(); }
    const QStringList& lines() const { return m_lines; }
    QPoint anchor() const { return m_anchor; }
    const BalloonPlacement& placement() const { return m_placement; }

signals:
    void hidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QFont textFont() const;
    QPainterPath outline() const;
    void watchApplication(bool on);

    QStringList m_lines;
    QPoint m_anchor;
    BalloonPlacement m_placement{};
    bool m_watching = false;
};

} // namespace velmora::app
