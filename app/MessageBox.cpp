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
        QMessageBox box(icon, caption, text, standard, parent);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
        const int result = box.exec();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return result == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    }
};

} // namespace

MessageBox& SystemMessageBox() {
    static QtMessageBox box;
    return box;
}

} // namespace velmora::app
