#include "app/MessageBox.h"

#include <QMessageBox>
#include <QWidget>

namespace velmora::app {
namespace {

class QtMessageBox final : public MessageBox {
public:
    Answer show(QWidget* parent, Kind kind, const QString& text, Buttons buttons) override {
        const QMessageBox::Icon icon =
            kind == Kind::Warning ? QMessageBox::Warning : QMessageBox::Information;
        const QMessageBox::StandardButtons standard =
            buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel;
        const QString caption = parent ? parent->window()->windowTitle() : QString();
        QMessageBox box(icon, caption, DisplayedMessageText(text), standard, parent);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
        const int result = box.exec();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return result == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    }
};

} // namespace

QString DisplayedMessageText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            shown += u'\n';
            const QChar partner = c == u'\r' ? u'\n' : u'\r';
            if (i + 1 < text.size() && text[i + 1] == partner)
                ++i;
            continue;
        }
        shown += c;
    }
    return shown;
}

MessageBox& SystemMessageBox() {
    static QtMessageBox box;
    return box;
}

} // namespace velmora::app
