#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace velmora::search {

// The text of a downloaded page as the ad extraction reads it, made from the body's bytes
// without any character-set conversion. A line ends at CR, at LF or at a CR LF pair; the
// last line needs no line end. The text stops at the first NUL byte. Every line, the last
// one included, comes out followed by CR LF; an empty body gives an empty text.
QByteArray PageTextFromBytes(QByteArrayView body);

} // namespace velmora::search
