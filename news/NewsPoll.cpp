#include "news/NewsPoll.h"

#include <charconv>

namespace velmora::news {

qint32 NewsIdNumber(QByteArrayView id) {
    // from_chars takes a minus sign but no plus sign; a plus sign must still lead a digit.
    if (id.startsWith('+') && !id.sliced(1).startsWith('-'))
        id = id.sliced(1);
    qint32 value = 0;
    const char* end = id.data() + id.size();
    const auto [stop, error] = std::from_chars(id.data(), end, value, 10);
    if (id.isEmpty() || error != std::errc() || stop != end)
        return 0;
    return value;
}

bool IsNewerNews(QByteArrayView newestId, QByteArrayView lastId) {
    return NewsIdNumber(newestId) > NewsIdNumber(lastId);
}

QString NewsHintText(const QString& title) {
    return QStringLiteral("You've Got A Message!\r\n") + title;
}

QString NoNewsMessage() {
    return QStringLiteral("There's no news for this application!");
}

} // namespace velmora::news
