#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace velmora::app {

// The program's own version: shown in the caption and the about box, and compared with
// the one the update server announces.
inline constexpr QByteArrayView AppVersion = "2.0";

// The update server's base URL built into this copy of the program.
inline QByteArray BuiltInUpdateBaseURL() {
    return QByteArray(VELMORA_UPDATE_BASE_URL);
}

// Settings and captions are bytes; widgets want text. This is the one place where the
// windows of this unit turn one into the other. Latin-1 maps every byte to one character
// and back, so nothing is lost on the way.
inline QString toWidgetText(QByteArrayView bytes) {
    return QString::fromLatin1(bytes);
}

} // namespace velmora::app
