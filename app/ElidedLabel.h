#pragma once

#include <QLabel>
#include <QString>

namespace velmora::app {

// A one-line label that never asks for the width of its text: what does not fit ends in "…",
// and then the whole text is its tooltip. So a long status sentence cannot widen the window.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // Hides QLabel::setText, which is not virtual: called through this class, the tooltip
    // follows the text.
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect textArea() const;
    bool fits() const;
    void updateToolTip();
};

} // namespace velmora::app
