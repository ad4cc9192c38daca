#include "brand/FileBytes.h"

#include "util/FileEncryption.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora::app {

QString FileErrorMessage(QLatin1StringView verb, const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot %1 file \"%2\". %3")
        .arg(verb, QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()), reason);
}

QByteArray ReadFileBytes(const QString& fileName, qint64 limit) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw util::FileOpenError(FileErrorMessage(QLatin1StringView("open"), fileName, file.errorString()));
    QByteArray bytes = limit < 0 ? file.readAll() : file.read(limit);
    if (file.error() != QFileDevice::NoError)
        throw util::FileError(FileErrorMessage(QLatin1StringView("read"), fileName, file.errorString()));
    return bytes;
}

} // namespace velmora::app
