#include "BrandedFolder.h"

#include "TestSupport.h"
#include "util/FileEncryption.h"

#include <QBuffer>
#include <QDir>

#include <zlib.h>

namespace velmora::testing {

QByteArray EncryptedSettings(const QByteArray& plain) {
    QByteArray source = plain;
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    QByteArray encrypted;
    QBuffer out(&encrypted);
    out.open(QIODevice::WriteOnly);
    if (!util::EncryptDevice(&in, &out))
        qFatal("encryption failed");
    return encrypted;
}

QByteArray Flipped(QByteArray bytes, qsizetype at) {
    bytes[at] = char(bytes[at] ^ 0x01);
    return bytes;
}

QByteArray Gzip(const QByteArray& data) {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        qFatal("deflateInit2");
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        qFatal("deflate");
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

void BrandedFolder::write(const QString& name, const QByteArray& bytes) const {
    writeFileForTest(filePath(name), bytes);
}

void BrandedFolder::writeSettings(const QByteArray& plain) const {
    write(QStringLiteral("dbsettings.dat"), EncryptedSettings(plain));
}

QMap<QString, QByteArray> BrandedFolder::contents() const {
    QMap<QString, QByteArray> files;
    const QDir dir(path());
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        files.insert(name, readFileOrMarker(dir.filePath(name)));
    return files;
}

} // namespace velmora::testing
