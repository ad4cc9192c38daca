#include "app/BrandPictures.h"

#include <QDir>
#include <QImageReader>

namespace velmora::app {

BannerPictureRead ReadBannerPicture(const QString& path, const QByteArray& format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    BannerPictureRead read{reader.read(), {}};
    if (read.picture.isNull())
        read.problem =
            QStringLiteral("The banner picture file \"%1\" does not hold a readable %2 picture (%3).")
                .arg(QDir::toNativeSeparators(path), QString::fromLatin1(format.toUpper()),
                     reader.errorString());
    return read;
}

QString IconFileProblem(const QString& path) {
    QImageReader reader(path, "ico");
    reader.setAutoDetectImageFormat(false);
    // Read, not only its header looked at: a file cut short has a sound header.
    if (!reader.read().isNull())
        return {};
    return QStringLiteral("The icon file \"%1\" does not hold a readable icon (%2).")
        .arg(QDir::toNativeSeparators(path), reader.errorString());
}

} // namespace velmora::app
