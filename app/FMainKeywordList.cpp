// The main window's side of keyword lists: the list button of the status bar and Ctrl+L
// open the list window, whose rows come into the results list as they are read. A single search
// goes on beside a list run, through its own client: one more request among a list's paced ones.

#include "app/FKeywordList.h"
#include "app/FMain.h"

#include "app/ElidedLabel.h"
#include "app/ErrorReporter.h"
#include "app/OpenDialog.h"
#include "search/ResultsModel.h"

#include <QPainter>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

namespace velmora::app {
namespace {

// Three lines, as a list looks: the status bar has room for a picture, not for another word.
QIcon ListPicture(const QColor& color) {
    QPixmap picture(12, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (const int y : {2, 6, 10})
        painter.fillRect(1, y - 1, 10, 2, color);
    return QIcon(picture);
}

} // namespace

void TfrmMain::createKeywordListParts() {
    // In the status bar, after History and before the gauge: no control of the main page moves.
    btnKeywordList = new QToolButton(bsSkinStatusBar1);
    btnKeywordList->setObjectName(QStringLiteral("btnKeywordList"));
    btnKeywordList->setIcon(ListPicture(palette().color(QPalette::WindowText)));
    btnKeywordList->setIconSize(QSize(12, 12));
    btnKeywordList->setToolTip(QStringLiteral("Keyword lists (Ctrl+L)"));
    btnKeywordList->setAccessibleName(QStringLiteral("Keyword lists"));
    btnKeywordList->setFixedWidth(20);
    btnKeywordList->setAutoRaise(true);
    btnKeywordList->setFocusPolicy(Qt::NoFocus);
    btnKeywordList->setFixedHeight(17);
    // After the market and History buttons.
    bsSkinStatusBar1->insertPermanentWidget(3, btnKeywordList);
    connect(btnKeywordList, &QToolButton::clicked, this,
            guarded(m_services.reporter, [this] { btnKeywordListClick(); }));
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
            guarded(m_services.reporter, [this] { btnKeywordListClick(); }));
}

void TfrmMain::btnKeywordListClick() {
    if (!m_keywordListWindow) {
        KeywordListHost host{
            .store = [this] { return openedHistory(); },
            .rowsArrived = [this](const QList<search::AdRow>& rows) { appendListRows(rows); },
            .rowsMarked = [this](const QList<history::AdMark>& marks) { markListRows(marks); },
            .progressChanged = [this](const QString& line) { keywordListProgress(line); },
            .searchUrlPrefix = m_searchUrlPrefix,
            .downloadDir = util::PlaceOr(m_services.places.downloadDir, m_services.applicationDir),
            .enginePages = m_services.enginePages,
            .phonePages = m_services.phonePages,
            .random = m_services.random,
            .openDialog = m_services.openDialog ? *m_services.openDialog : SystemOpenDialog(),
            .reporter = m_services.reporter,
        };
        m_keywordListWindow = new TfrmKeywordList(std::move(host), this);
    }
    m_keywordListWindow->show();
    m_keywordListWindow->raise();
    m_keywordListWindow->activateWindow();
}

void TfrmMain::keywordListProgress(const QString& line) {
    // A run goes on with its window closed: the button says how far it is.
    const QString hint = QStringLiteral("Keyword lists (Ctrl+L)");
    btnKeywordList->setToolTip(line.isEmpty() ? hint : hint + QStringLiteral("\n") + line);
    // Once a list runs, the offer made at start is out of date.
    if (!line.isEmpty() && !m_listOffer.isEmpty() && MainStatusPanel->text() == m_listOffer)
        MainStatusPanel->clear();
    m_listOffer.clear();
}

void TfrmMain::offerUnfinishedLists() {
    const QList<ListOffer> offers = UnfinishedListOffers([this] { return openedHistory(); });
    if (offers.isEmpty())
        return;
    m_listOffer = offers.first().text + QStringLiteral(" (Ctrl+L)");
    MainStatusPanel->setText(m_listOffer);
}

} // namespace velmora::app
