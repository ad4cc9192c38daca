// The three reply readings over arbitrary bodies. Each must agree with a plain reading of the
// rules written out step by step (trim, look for "OK", cut or decode), and a failure may
// only carry one of the service's messages.

#include "news/NewsProtocol.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

using namespace velmora::news;

QByteArray plainTrim(QByteArray text) {
    while (!text.isEmpty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove(0, 1);
    while (!text.isEmpty() && static_cast<unsigned char>(text.back()) <= 32)
        text.chop(1);
    return text;
}

QList<QByteArray> plainSplit(char separator, const QByteArray& text) {
    QList<QByteArray> pieces = text.split(separator);
    if (!pieces.isEmpty() && pieces.back().isEmpty())
        pieces.removeLast();
    return pieces;
}

QByteArray plainDecode(const QByteArray& text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != '$') {
            out += text[i++];
            continue;
        }
        const QByteArray digits = text.mid(i + 1, 2);
        bool ok = !digits.isEmpty();
        for (const char c : digits)
            ok = ok && QByteArray("0123456789abcdefABCDEF").contains(c);
        if (!ok)
            return {};
        out += char(digits.toInt(nullptr, 16));
        i += 1 + digits.size();
    }
    return out;
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool knownMessage(const QString& message) {
    return message.isEmpty() || message.startsWith(QStringLiteral("There is a trouble "));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray reply = plainTrim(body);
    const bool ok = reply.contains("OK");
    QByteArray rest = reply;
    rest.replace("\xaf"
                 "OK",
                 "");

    const NewsListResult list = JudgeNewsListReply(body);
    check(list.ok == ok && knownMessage(list.message) && (list.message.isEmpty() || !ok));
    if (ok) {
        QList<QByteArray> expected;
        for (const QByteArray& piece : plainSplit(char(0xAF), reply)) {
            if (!piece.isEmpty() && piece != "OK")
                expected.append(piece);
        }
        check(list.records == expected);
    } else {
        check(list.records.isEmpty());
    }

    const LatestNewsResult quiet = JudgeLatestNewsReply(body, true);
    const LatestNewsResult latest = JudgeLatestNewsReply(body, false);
    check(quiet.ok == ok && quiet.message.isEmpty() && latest.ok == ok && knownMessage(latest.message));
    check(quiet.NewsId == latest.NewsId && quiet.NewsTitle == latest.NewsTitle);
    if (ok && rest != "OK") {
        const QList<QByteArray> fields = plainSplit('^', rest);
        check(latest.NewsId == fields.value(0) && latest.NewsTitle == fields.value(1));
    } else {
        check(latest.NewsId.isEmpty() && latest.NewsTitle.isEmpty());
    }

    const NewsDetailsResult details = JudgeNewsDetailsReply(body);
    check(details.ok == ok && knownMessage(details.message));
    check(details.Html == (ok ? plainDecode(rest) : QByteArray()));
    // Only the details know "INVALIDNEWS".
    check(reply != "INVALIDNEWS" || (list.message.isEmpty() && !details.message.isEmpty()));
    return 0;
}
