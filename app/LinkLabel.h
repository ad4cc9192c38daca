#pragma once

#include <QByteArray>
#include <QLabel>

namespace velmora::app {

// A caption that works like a web link: underlined Arial 12 px, a hand cursor, blue while
// the mouse is over it (or while it has the keyboard focus). A click, or Enter or Space
// when focused, emits clicked(); what to do with url() is the owner's business.
class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(QWidget* parent = nullptr);

    // Sets caption and URL and sizes the label to its caption. A right-aligned label keeps
    // its right edge, so it grows to the left.
    void setLink(const QByteArray& caption, const QByteArray& url);

    QByteArray url() const { return m_url; }
    bool isHot() const { return m_hot; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setHot(bool hot);
    void updateStyle();

    QByteArray m_url;
    bool m_hot = false;
    bool m_pressed = false;
};

} // namespace velmora::app
