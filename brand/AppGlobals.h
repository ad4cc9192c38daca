#pragma once

#include "util/WidgetText.h"

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

// Settings and captions are bytes; widgets want text. The windows turn one into the other
// with this one helper (UTF-8 when valid, otherwise Windows-1252).
using util::toWidgetText;

} // namespace velmora::app
