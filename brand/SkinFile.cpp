#include "brand/SkinFile.h"

#include "brand/FileBytes.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <zlib.h>

namespace velmora::app {
namespace {

std::optional<QString> Refuse(QString* problem, const QString& why) {
    if (problem)
        *problem = why;
    return std::nullopt;
}

// Inflates a gzip file (one member, or several one after the other as concatenated gzip files
// are), stopping as soon as the output would pass the limit. Empty when it fails; problem says why.
std::optional<QByteArray> Gunzip(QByteArrayView input, qsizetype limit, QString& problem) {
    z_stream stream{};
    // 16 + 15: gzip wrapper only, the largest window.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        problem = QStringLiteral("the decompressor could not start");
        return std::nullopt;
    }
    QByteArray output;
    char chunk[16384];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = uInt(input.size());
    int status = Z_OK;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = qsizetype(sizeof chunk - stream.avail_out);
        if (output.size() + produced > limit) {
            problem = QStringLiteral("it holds more than %1 bytes").arg(limit);
            break;
        }
        output.append(chunk, produced);
        if (status == Z_STREAM_END) {
            if (stream.avail_in == 0)
                break;
            // Another member follows, as with concatenated gzip files.
            if (inflateReset(&stream) != Z_OK) {
                problem = QStringLiteral("it is not a gzip file");
                break;
            }
            continue;
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            problem = QStringLiteral("it ends before its compressed data");
            break;
        }
        if (status != Z_OK) {
            problem = QStringLiteral("it is not a gzip file, or it is damaged");
            break;
        }
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || !problem.isEmpty())
        return std::nullopt;
    return output;
}

// Comments, strings and blocks must all be closed, or Qt would throw away the whole sheet.
bool BalancedStyleSheet(QStringView sheet) {
    int depth = 0;
    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet[i];
        if (c == QLatin1Char('/') && i + 1 < sheet.size() && sheet[i + 1] == QLatin1Char('*')) {
            const qsizetype close = sheet.indexOf(QLatin1StringView("*/"), i + 2);
            if (close < 0)
                return false;
            i = close + 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < sheet.size() && sheet[j] != c) {
                if (sheet[j] == QLatin1Char('\n'))
                    return false;
                j += sheet[j] == QLatin1Char('\\') ? 2 : 1;
            }
            if (j >= sheet.size())
                return false;
            i = j;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}')) {
            if (--depth < 0)
                return false;
        }
    }
    return depth == 0;
}

} // namespace

std::optional<QString> DecodeSkin(QByteArrayView fileBytes, QString* problem) {
    if (fileBytes.size() > MaxSkinSize)
        return Refuse(problem, QStringLiteral("the file is larger than %1 bytes").arg(MaxSkinSize));
    QString why;
    const std::optional<QByteArray> text = Gunzip(fileBytes, MaxSkinSize, why);
    if (!text)
        return Refuse(problem, why);
    if (text->trimmed().isEmpty())
        return Refuse(problem, QStringLiteral("the style sheet is empty"));
    if (text->contains('\0'))
        return Refuse(problem, QStringLiteral("the style sheet is not text"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString sheet = decoder.decode(*text);
    if (decoder.hasError())
        return Refuse(problem, QStringLiteral("the style sheet is not UTF-8 text"));
    if (!BalancedStyleSheet(sheet))
        return Refuse(problem, QStringLiteral("the style sheet leaves a comment, string or block open"));
    return sheet;
}

std::optional<QString> ReadSkinFile(const QString& path, QString* problem) {
    if (!QFileInfo::exists(path))
        return Refuse(problem, QStringLiteral("there is no such file"));
    // One byte past the limit is enough to know the file is too large.
    return DecodeSkin(ReadFileBytes(path, MaxSkinSize + 1), problem);
}

} // namespace velmora::app
