// The main window's side of the history: every search is stored, its rows are marked new or
// seen, and the History button and Ctrl+H open the history window.

#include "app/ElidedLabel.h"
#include "app/FHistory.h"
#include "app/FKeywordList.h"
#include "app/FMain.h"

#include "app/ErrorReporter.h"
#include "history/AdIdentity.h"
#include "history/HistoryStore.h"
#include "search/ResultsModel.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>

namespace velmora::app {
namespace {

// Shows the rows of ads never seen before for their keyword in bold.
class NewAdDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(search::ResultsModel::IsNewRole).toBool())
            option->font.setBold(true);
    }
};

QString MarkToolTip(const history::AdMark& mark) {
    if (mark.isNew)
        return QStringLiteral("First seen now");
    return QStringLiteral("First seen %1 \u00B7 seen %2 times")
        .arg(mark.firstSeen.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")))
        .arg(mark.timesSeen);
}

} // namespace

std::unique_ptr<history::HistoryStore> UserHistoryStore() {
    const history::HistorySettings settings = history::ReadHistorySettings();
    if (!settings.enabled)
        return nullptr;
    history::HistoryStore::Options options;
    options.keepPages = settings.keepPages;
    return std::make_unique<history::HistoryStore>(history::HistoryLocationInForce(settings), options);
}

void TfrmMain::createHistoryParts() {
    lvwItems->setItemDelegate(new NewAdDelegate(lvwItems));
    // In the status bar, beside the gauge: no control of the main page moves for it.
    btnHistory = new QToolButton(bsSkinStatusBar1);
    btnHistory->setObjectName(QStringLiteral("btnHistory"));
    btnHistory->setText(QStringLiteral("History"));
    btnHistory->setToolTip(QStringLiteral("Ad history (Ctrl+H)"));
    btnHistory->setAutoRaise(true);
    btnHistory->setFocusPolicy(Qt::NoFocus);
    btnHistory->setFixedHeight(17);
    // Index 1: after the status panel, before the gauge, which stays at the right end.
    bsSkinStatusBar1->insertPermanentWidget(1, btnHistory);
    connect(btnHistory, &QToolButton::clicked, this,
            guarded(m_services.reporter, [this] { btnHistoryClick(); }));
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this), &QShortcut::activated, this,
            guarded(m_services.reporter, [this] { btnHistoryClick(); }));
}

void TfrmMain::setHistoryStore(std::unique_ptr<history::HistoryStore> store) {
    if (m_historyWindow)
        m_historyWindow->storeChanging();
    if (m_keywordListWindow)
        m_keywordListWindow->storeChanging();
    m_history = std::move(store);
    if (m_historyWindow)
        m_historyWindow->refresh();
}

history::HistoryStore* TfrmMain::openedHistory() {
    if (!m_history)
        return nullptr;
    // A server that was down, or a file fixed meanwhile, is tried again.
    if (!m_history->isOpen() && !m_history->open())
        return nullptr;
    return m_history.get();
}

void TfrmMain::appendListRows(const QList<search::AdRow>& rows) {
    m_listRowsAt = m_results->rowCount();
    m_listRows = rows;
    m_results->appendRows(rows);
}

void TfrmMain::markListRows(const QList<history::AdMark>& marks) {
    // The user may have cleared the list, or a typed search added to it, since the rows came.
    for (int i = 0; i < marks.size() && i < m_listRows.size(); ++i) {
        const int row = m_listRowsAt + i;
        if (row >= m_results->rowCount() || m_results->rows().at(row).title != m_listRows.at(i).title ||
            m_results->rows().at(row).keyword != m_listRows.at(i).keyword)
            break;
        m_results->setRowMark(row, {marks.at(i).isNew, MarkToolTip(marks.at(i))});
    }
    m_listRows.clear();
    if (m_historyWindow)
        m_historyWindow->refresh();
}

QString TfrmMain::recordSearch(history::SearchOutcome outcome, const QString& outcomeText, int firstRow,
                               const QByteArray& pageText) {
    if (!m_history)
        return {};
    history::SearchRecord record;
    record.time = QDateTime::currentDateTimeUtc();
    record.keyword = edtKeyword->text().toUtf8();
    record.market = search::MarketName(m_searchMarket);
    record.device = m_searchDevice;
    record.loadMethod = m_pageWithScripts ? history::LoadMethod::Scripts : history::LoadMethod::Download;
    record.outcomeText = outcomeText;
    record.page = pageText;
    for (int row = firstRow; row < m_results->rowCount(); ++row) {
        const search::AdRow& ad = m_results->rows().at(row);
        record.keyword = ad.keyword;
        record.ads.append({ad.title, ad.text, ad.url, ad.position.toInt(), ad.block});
    }
    record.outcome = outcome == history::SearchOutcome::AdsRead && record.ads.isEmpty()
                         ? history::SearchOutcome::NoAds
                         : outcome;
    history::HistoryStore* store = openedHistory();
    if (!store)
        return m_history->sentence();
    const history::StoreResult result = store->storeSearch(record);
    if (!result.stored)
        return result.sentence;
    int newAds = 0;
    for (int i = 0; i < result.marks.size(); ++i) {
        const history::AdMark& mark = result.marks.at(i);
        newAds += mark.isNew ? 1 : 0;
        m_results->setRowMark(firstRow + i, {mark.isNew, MarkToolTip(mark)});
    }
    if (m_historyWindow)
        m_historyWindow->refresh();
    QStringList said;
    if (newAds > 0)
        said.append(newAds == 1 ? QStringLiteral("1 new ad.") : QStringLiteral("%1 new ads.").arg(newAds));
    if (result.cellsCut)
        said.append(QStringLiteral("Cells longer than %1 KiB are kept cut in the history.")
                        .arg(history::MaxCellBytes / 1024));
    return said.join(u' ');
}

void TfrmMain::recordFailedSearch(history::SearchOutcome outcome) {
    const QString sentence = recordSearch(outcome, MainStatusPanel->text(), m_results->rowCount(), {});
    if (!sentence.isEmpty())
        MainStatusPanel->setText(MainStatusPanel->text() + u' ' + sentence);
}

void TfrmMain::btnHistoryClick() {
    if (!m_historyWindow) {
        HistoryWindowHost host;
        host.store = [this] { return openedHistory(); };
        host.unavailable = [this] {
            return m_history ? m_history->sentence() : QStringLiteral("History is off.");
        };
        host.settingsChanged = [this] { setHistoryStore(UserHistoryStore()); };
        m_historyWindow =
            new TfrmHistory(std::move(host), m_services.messageBox, m_services.saveDialog, this);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

} // namespace velmora::app
