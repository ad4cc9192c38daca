#pragma once

// The shared text routines.

#include "util/FileEncryption.h"
#include "util/MarkedText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace velmora::util {

// Cuts text into fields at every separator byte. Empty fields between separators or
// before the first one are kept; an empty last field is dropped ("a^" gives "a").
void SplitAtChar(char separator, QByteArrayView text, QList<QByteArray>& list);

// Turns "$" followed by up to two hexadecimal digits back into the byte with that code.
// Any invalid escape makes the whole result empty.
QByteArray DecodeDollarEscapes(QByteArrayView text);

} // namespace velmora::util
