#pragma once

// The reseller's picture files read the way the program shows them, so that the window and the
// reseller's lint judge a file alike.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace velmora::app {

// The reseller's icon, beside the executable.
inline constexpr char IconFileName[] = "main.ico";

struct BannerPictureRead {
    QImage picture;  // the first picture of the file; null when it could not be read
    QString problem; // empty when the picture was read
};

// The first picture of a banner file, read as the kind its Banner item names ("gif", "bmp",
// "ico", "jpeg"), never guessed from its bytes. The problem names the file, the kind and why:
// "The banner picture file "<path>" does not hold a readable GIF picture (<reason>)."
BannerPictureRead ReadBannerPicture(const QString& path, const QByteArray& format);

// Empty when the file holds an icon that reads whole; otherwise
// "The icon file "<path>" does not hold a readable icon (<reason>)."
QString IconFileProblem(const QString& path);

} // namespace velmora::app
