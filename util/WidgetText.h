#pragma once

#include <QByteArrayView>
#include <QString>

namespace velmora::util {

// Text for a widget from bytes that are not a results cell (settings values, news titles):
// UTF-8 when the bytes are valid UTF-8 as a whole, otherwise Windows-1252, where every byte
// is one character. The one place where such bytes become text.
QString toWidgetText(QByteArrayView bytes);

// The character a Windows-1252 byte stands for. The five bytes the set leaves unassigned
// stand for the control character of the same code, as browsers read them.
char16_t Windows1252Char(unsigned char byte);

} // namespace velmora::util
