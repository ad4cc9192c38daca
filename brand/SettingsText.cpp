#include "brand/SettingsText.h"

#include "util/MarkedText.h"

namespace velmora::app {

QList<QByteArrayView> SettingsLines(QByteArrayView text) {
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text = text.first(nul);
    QList<QByteArrayView> lines;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        while (i < text.size() && text[i] != '\r' && text[i] != '\n')
            ++i;
        lines.append(text.sliced(start, i - start));
        if (i < text.size() && text[i] == '\r')
            ++i;
        if (i < text.size() && text[i] == '\n')
            ++i;
    }
    return lines;
}

namespace {

QByteArray Joined(const QList<QByteArrayView>& lines) {
    qsizetype size = 0;
    for (QByteArrayView line : lines)
        size += line.size() + 2;
    QByteArray text;
    text.reserve(size);
    for (QByteArrayView line : lines) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

} // namespace

QByteArray JoinedSettingsText(QByteArrayView text) {
    return Joined(SettingsLines(text));
}

QByteArray LastNewsIdOf(QByteArrayView settingsText) {
    const QByteArray text = JoinedSettingsText(settingsText);
    util::MarkedTextCursor cursor(text);
    return util::ExtractMarked(LastNewsIdStart, LastNewsIdEnd, 0, cursor);
}

QByteArray WithLastNewsId(QByteArrayView settingsText, QByteArrayView value) {
    QByteArray item = LastNewsIdStart.toByteArray();
    item.append(value).append(LastNewsIdEnd);
    QList<QByteArrayView> lines = SettingsLines(settingsText);
    bool replaced = false;
    for (QByteArrayView& line : lines) {
        if (line.contains(LastNewsIdStart)) {
            line = item;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines.append(item);
    return Joined(lines);
}

} // namespace velmora::app
