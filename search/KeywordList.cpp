#include "search/KeywordList.h"

#include "search/SearchUrl.h"
#include "util/WidgetText.h"

#include <QSet>

namespace velmora::search {
namespace {

// UTF-16 text of a keyword list is mostly ASCII, so every other byte is NUL. Looking at the
// start is enough: a file that is text in one half and UTF-16 in the other is not a list anyway.
bool looksLikeUtf16(QByteArrayView bytes) {
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff"))
        return true;
    const qsizetype examined = std::min<qsizetype>(bytes.size() & ~qsizetype(1), 512);
    if (examined < 4)
        return false;
    qsizetype nulsAtEven = 0;
    qsizetype nulsAtOdd = 0;
    for (qsizetype i = 0; i < examined; ++i) {
        if (bytes[i] == '\0')
            ++(i % 2 == 0 ? nulsAtEven : nulsAtOdd);
    }
    const qsizetype pairs = examined / 2;
    // Nearly all of one side NUL and nearly none of the other.
    return (nulsAtOdd * 10 >= pairs * 9 && nulsAtEven * 10 <= pairs) ||
           (nulsAtEven * 10 >= pairs * 9 && nulsAtOdd * 10 <= pairs);
}

QByteArray withoutCsvQuotes(const QByteArray& line) {
    if (line.size() < 2 || !line.startsWith('"') || !line.endsWith('"'))
        return line;
    QByteArray inner = line.mid(1, line.size() - 2);
    inner.replace("\"\"", "\"");
    return inner;
}

QString counted(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

KeywordList ReadKeywordList(QByteArrayView bytes) {
    KeywordList list;
    if (looksLikeUtf16(bytes)) {
        list.refusal = QStringLiteral(
            "The keyword list is UTF-16 text, which Velmora does not read; save it as UTF-8 and try again.");
        return list;
    }
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes = bytes.sliced(3);
    QByteArray text;
    if (bytes.isValidUtf8()) {
        text = bytes.toByteArray();
    } else {
        list.readAsWindows1252 = true;
        text = util::toWidgetText(bytes).toUtf8();
    }

    QSet<QByteArray> seen;
    const auto takeLine = [&](qsizetype from, qsizetype to) {
        const QByteArray line = QByteArrayView(text).sliced(from, to - from).toByteArray();
        QByteArray keyword = withoutCsvQuotes(line.trimmed());
        const QByteArray kept = KeywordWithoutControls(keyword).trimmed();
        // A line of control characters only was blank to the eye, and counts as one.
        if (kept.isEmpty()) {
            ++list.blankLines;
            return;
        }
        if (kept.size() != keyword.size())
            ++list.keywordsWithControls;
        if (seen.contains(kept)) {
            ++list.repeats;
            return;
        }
        seen.insert(kept);
        list.keywords.append(kept);
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        takeLine(start, i);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    // The last line needs no line end; an empty rest after the last line end is no line.
    if (start < text.size())
        takeLine(start, text.size());
    return list;
}

QString KeywordListSummary(const KeywordList& list) {
    if (!list.refusal.isEmpty())
        return list.refusal;
    QString sentence = counted(list.keywords.size(), "keyword", "keywords");
    QStringList skipped;
    if (list.blankLines > 0)
        skipped << counted(list.blankLines, "blank line", "blank lines");
    if (list.repeats > 0)
        skipped << counted(list.repeats, "repeat", "repeats");
    if (!skipped.isEmpty())
        sentence += QStringLiteral("; ") + skipped.join(QStringLiteral(" and ")) + QStringLiteral(" skipped");
    if (list.keywordsWithControls > 0)
        sentence += QStringLiteral("; control characters removed from %1").arg(list.keywordsWithControls);
    if (list.readAsWindows1252)
        sentence += QStringLiteral("; read as Windows-1252, since it is not UTF-8");
    return sentence + QLatin1Char('.');
}

} // namespace velmora::search
