#include "app/KeywordListForm.h"

#include "history/ListStore.h"

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

QString ListName(const QString& fileName, const QList<QByteArray>& keywords) {
    const QString base = QFileInfo(fileName).completeBaseName();
    if (!base.isEmpty())
        return base;
    return keywords.isEmpty() ? QString() : QString::fromUtf8(keywords.first());
}

QList<ListOffer> UnfinishedListOffers(const std::function<history::HistoryStore*()>& store) {
    history::HistoryStore* opened = store ? store() : nullptr;
    if (!opened)
        return {};
    QString why;
    QList<ListOffer> offers;
    for (const history::StoredList& list : history::ListStore(*opened).unfinished(&why))
        offers.append({list.name, history::ResumeOffer(list)});
    return offers;
}

} // namespace velmora::app
