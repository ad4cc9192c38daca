#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

namespace velmora::app {

// "Cannot <verb> file "<full path>". <reason>", the form of every file error of the program.
QString FileErrorMessage(QLatin1StringView verb, const QString& fileName, const QString& reason);

// The bytes of a file, at most limit of them when limit is not negative. Throws
// util::FileOpenError when it cannot be opened and util::FileError when a read fails.
QByteArray ReadFileBytes(const QString& fileName, qint64 limit = -1);

} // namespace velmora::app
