#include "BrandedFolder.h"

#include "TestSupport.h"
#include "util/FileEncryption.h"

#include <QBuffer>
#include <QDir>

#include <zlib.h>

namespace velmora::testing {
namespace {

void appendLittleEndian16(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// LZW-coded pixels of one colour index, as literal codes only: a clear code before the
// decoder's table would grow past the first code width keeps every code minCodeSize + 1 bits.
QByteArray LiteralLzw(int pixels, int colourIndex, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int width = minCodeSize + 1;
    const int literalsPerClear = clear - 2;
    QByteArray bytes;
    quint32 buffer = 0;
    int bits = 0;
    const auto put = [&](int code) {
        buffer |= quint32(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.append(char(buffer & 0xff));
            buffer >>= 8;
            bits -= 8;
        }
    };
    for (int i = 0; i < pixels; ++i) {
        if (i % literalsPerClear == 0)
            put(clear);
        put(colourIndex);
    }
    put(clear + 1); // end of information
    if (bits > 0)
        bytes.append(char(buffer & 0xff));
    // Data sub-blocks of at most 255 bytes, then the block terminator.
    QByteArray blocks;
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const QByteArray block = bytes.mid(at, 255);
        blocks.append(char(block.size()));
        blocks.append(block);
    }
    blocks.append('\0');
    return blocks;
}

} // namespace

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

QByteArray AnimatedGif(QSize size, int frames) {
    constexpr int MinCodeSize = 2; // four colours
    QByteArray gif("GIF89a");
    appendLittleEndian16(gif, size.width());
    appendLittleEndian16(gif, size.height());
    gif.append(char(0x91)); // global colour table of 4 entries, 2 bits of colour resolution
    gif.append('\0');       // background colour
    gif.append('\0');       // square pixels
    gif.append(QByteArray::fromHex("ff0000"
                                   "00a000"
                                   "0000ff"
                                   "ffff00"));
    // Loops for ever.
    gif.append(QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" +
               QByteArray::fromHex("03010000"
                                   "00"));
    for (int frame = 0; frame < frames; ++frame) {
        gif.append(QByteArray::fromHex("21f904"
                                       "04")); // graphic control: keep the frame
        appendLittleEndian16(gif, 10);         // 100 ms
        gif.append(QByteArray::fromHex("0000"));
        gif.append(char(0x2c));
        appendLittleEndian16(gif, 0);
        appendLittleEndian16(gif, 0);
        appendLittleEndian16(gif, size.width());
        appendLittleEndian16(gif, size.height());
        gif.append('\0'); // no local colour table, not interlaced
        gif.append(char(MinCodeSize));
        gif.append(LiteralLzw(size.width() * size.height(), frame % 4, MinCodeSize));
    }
    gif.append(char(0x3b));
    return gif;
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
