#include "app/KeywordListForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora::app {

ListFormCheck CheckListForm(const ListFormFields& fields) {
    ListFormCheck check;
    search::ParseMarketCode(fields.country.trimmed().toUtf8(), "country", &check.market.country,
                            &check.countryError);
    search::ParseMarketCode(fields.language.trimmed().toUtf8(), "language", &check.market.language,
                            &check.languageError);
    if (fields.pauseMin < 0 || fields.pauseMax > search::PauseRange::MostSeconds)
        check.pauseError =
            QStringLiteral("The pause must be from 0 to %1 seconds.").arg(search::PauseRange::MostSeconds);
    else if (fields.pauseMin > fields.pauseMax)
        check.pauseError = QStringLiteral("The shortest pause (%1 s) is longer than the longest (%2 s).")
                               .arg(fields.pauseMin)
                               .arg(fields.pauseMax);
    else
        check.pause = {fields.pauseMin, fields.pauseMax};
    return check;
}

search::KeywordList ReadKeywordListFile(const QString& fileName) {
    const QString shown = QDir::toNativeSeparators(fileName);
    search::KeywordList refused;
    QFile file(fileName);
    if (file.size() > MostListBytes) {
        refused.refusal = QStringLiteral("%1 is larger than %2 MiB, too large for a keyword list.")
                              .arg(shown)
                              .arg(MostListBytes >> 20);
        return refused;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        refused.refusal = QStringLiteral("%1 could not be read: %2").arg(shown, file.errorString());
        return refused;
    }
    search::KeywordList list = search::ReadKeywordList(file.readAll());
    if (!list.refusal.isEmpty())
        list.refusal = QStringLiteral("%1: %2").arg(shown, list.refusal);
    return list;
}

ListButtons ButtonsFor(ListRunState state, bool haveKeywords) {
    switch (state) {
    case ListRunState::Idle:
        return {.start = haveKeywords, .fields = true};
    case ListRunState::Running:
        return {.pause = true, .stop = true};
    case ListRunState::Paused:
        return {.resume = true, .stop = true};
    }
    return {};
}

std::optional<qint64> EstimatedMsLeft(qint64 searchesMs, int searches, int left,
                                      const search::PauseRange& pause) {
    if (searches <= 0 || left < 0)
        return std::nullopt;
    const qint64 meanPauseMs = (qint64(pause.minSeconds) + pause.maxSeconds) * 1000 / 2;
    return left * (searchesMs / searches + meanPauseMs);
}

QString ListProgressLine(int done, int total, const QByteArray& keyword, qint64 ads,
                         std::optional<qint64> msLeft) {
    QStringList parts{QStringLiteral("%1 of %2").arg(done).arg(total)};
    if (!keyword.isEmpty())
        parts << QString::fromUtf8(keyword);
    parts << (ads == 1 ? QStringLiteral("1 ad so far") : QStringLiteral("%1 ads so far").arg(ads));
    if (msLeft && done < total) {
        // Whole minutes, rounded up: "about 0 min" would read as done.
        const qint64 minutes = std::max<qint64>(1, (*msLeft + 59999) / 60000);
        parts << (minutes >= 60 ? QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60)
                                : QStringLiteral("about %1 min left").arg(minutes));
    }
    return parts.join(QStringLiteral(" \u00B7 "));
}

QString ListName(const QString& fileName, const QList<QByteArray>& keywords) {
    const QString base = QFileInfo(fileName).completeBaseName();
    if (!base.isEmpty())
        return base;
    return keywords.isEmpty() ? QString() : QString::fromUtf8(keywords.first());
}

QList<ListOffer> UnfinishedListOffers(const std::function<history::HistoryStore*()>& store) {
    // To become, with the list store in the history:
    //   history::HistoryStore* opened = store ? store() : nullptr; if (!opened) return {};
    //   history::ListStore lists(*opened); QString why;
    //   for (const history::StoredList& list : lists.unfinished(&why))
    //       offers.append({list.name, history::ResumeOffer(list)});
    Q_UNUSED(store);
    return {};
}

} // namespace velmora::app
