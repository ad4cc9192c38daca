#pragma once

// The start-up news poll's decisions and texts as plain functions.

#include <QByteArrayView>
#include <QString>

namespace velmora::news {

// A news id as the poll compares it: a signed 32-bit decimal integer, with an optional sign.
// Anything else (the empty text, blanks, other characters, a number out of range) counts 0.
qint32 NewsIdNumber(QByteArrayView id);

// Whether newestId names a later item than lastId, both read with NewsIdNumber.
bool IsNewerNews(QByteArrayView newestId, QByteArrayView lastId);

// The balloon's text: the greeting, a line break and the item's title.
QString NewsHintText(const QString& title);

// What the news button says when no news record came.
QString NoNewsMessage();

} // namespace velmora::news
