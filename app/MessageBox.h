#pragma once

#include <QString>

class QWidget;

namespace velmora::app {

// The program's message box: every message to the user that is not a status text goes
// through it. Tests substitute a recorder that answers as told.
class MessageBox {
public:
    enum class Kind { Warning, Information };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    virtual ~MessageBox() = default;
    // Shows text modally over parent and returns the user's answer. A box with only OK
    // answers Ok; closing it with the window's frame or Escape answers Cancel.
    virtual Answer show(QWidget* parent, Kind kind, const QString& text, Buttons buttons) = 0;

    void warning(QWidget* parent, const QString& text) { show(parent, Kind::Warning, text, Buttons::Ok); }
    void information(QWidget* parent, const QString& text) {
        show(parent, Kind::Information, text, Buttons::Ok);
    }
};

// The text as the real box shows it: a CR LF or LF CR pair is one line break, so a message
// written with either order does not show an empty line.
QString DisplayedMessageText(const QString& text);

// The real one, a QMessageBox captioned with the parent window's title.
MessageBox& SystemMessageBox();

} // namespace velmora::app
