#include "app/FMain.h"

#include "app/AppIcon.h"
#include "app/ConsentWindow.h"
#include "app/ElidedLabel.h"
#include "app/ErrorReporter.h"
#include "app/FAbout.h"
#include "app/FHistory.h"
#include "app/FKeywordList.h"
#include "app/Gauge.h"
#include "app/LayoutHelpers.h"
#include "app/LinkLabel.h"
#include "app/MessageBox.h"
#include "app/MessageHint.h"
#include "app/SaveDialog.h"
#include "app/Skin.h"
#include "brand/AppGlobals.h"
#include "history/HistoryStore.h"
#include "news/NewsClient.h"
#include "search/CsvWriter.h"
#include "search/PageDownload.h"
#include "search/PageVerdict.h"
#include "search/ReadAds.h"
#include "search/ResultsModel.h"
#include "search/SearchUrl.h"
#include "util/BrowserLaunch.h"
#include "util/Platform.h"
#include "util/UUtils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace velmora::app {
namespace {

// Client area of the window and, inside the page control's one-pixel frame, of its pages.
constexpr QSize WindowSize(834, 539);
constexpr QSize PageSize(832, 520);
constexpr int ToolbarHeight = 43;
constexpr int BannerHeight = 65;
constexpr int LinksHeight = 36;
constexpr int StatusBarHeight = 17;
constexpr int GaugeWidth = 130;
// The results list's column widths in pixels, in the order of search::AdColumns.
constexpr int ResultColumnWidths[] = {200, 200, 180, 100, 100};
static_assert(std::size(ResultColumnWidths) == search::AdColumns.size());
constexpr int WelcomeButtonPanelHeight = 39;
constexpr QRect BannerPictureGeometry(364, 8, 105, 49);

// Said when a link, Help, the banner or Make Money could not start any browser, so that the
// click is not lost silently.
void warnNoBrowser(MessageBox& messageBox, QWidget* parent, const QByteArray& url) {
    messageBox.warning(
        parent, url.isEmpty()
                    ? QStringLiteral("No web browser could be started.")
                    : QStringLiteral("No web browser could be started to open %1.").arg(toWidgetText(url)));
}

QString fromLiteral(const char* latin1) {
    return QString::fromLatin1(latin1);
}

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(fromLiteral(name));
    return widget;
}

QWidget* fixedHeightPanel(QWidget* parent, const char* name, int height, bool framed) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(fromLiteral(name));
    panel->setFixedHeight(height);
    if (framed)
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return panel;
}

QPushButton* toolbarButton(QWidget* toolbar, const char* name, const char* caption, const QRect& geometry) {
    auto* button = named(new QPushButton(fromLiteral(caption), toolbar), name);
    button->setGeometry(geometry);
    // Tab reaches the buttons, a click leaves the focus where it was (in the keyword box).
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false);
    return button;
}

QToolButton* pictureButton(QWidget* toolbar, const char* name, const char* hint, const QIcon& picture,
                           int left) {
    auto* button = named(new QToolButton(toolbar), name);
    button->setToolTip(fromLiteral(hint));
    button->setAccessibleName(fromLiteral(hint));
    button->setIcon(picture);
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    placeAnchored(button, QRect(left, 1, 41, 34), AnchorTop | AnchorRight,
                  QSize(PageSize.width(), ToolbarHeight));
    return button;
}

// The keyword as it is searched for and written into the rows.
QByteArray keywordOf(const QLineEdit* edit) {
    return search::KeywordWithoutControls(edit->text().toUtf8());
}

int clampedToInt(qint64 value) {
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

QIcon TfrmMain::toolPicture(const char* name) {
    const QString path = QStringLiteral(":/velmora/icons/") + fromLiteral(name);
    QIcon icon;
    icon.addPixmap(ResourcePng(path + QStringLiteral(".png")));
    icon.addPixmap(ResourcePng(path + QStringLiteral("@2x.png")));
    return icon;
}

TfrmMain::TfrmMain(StartupSettings startupSettings, MainWindowServices services, QWidget* parent)
    : TfrmMain(BrandSettings{}, std::move(startupSettings), std::move(services), parent) {}

TfrmMain::TfrmMain(BrandSettings brandSettings, MainWindowServices services, QWidget* parent)
    : TfrmMain(std::move(brandSettings), std::nullopt, std::move(services), parent) {}

TfrmMain::TfrmMain(BrandSettings brandSettings, std::optional<StartupSettings> startupSettings,
                   MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), m_brand(std::move(brandSettings)), m_services(std::move(services)),
      m_startup(std::move(startupSettings)), m_results(new search::ResultsModel(this)),
      m_newsChecks(makeNewsChecks()), m_searchUrlPrefix(search::SearchUrlPrefix(m_services.searchBaseURL)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Velmora"));
    ensureResources();

    pgcPrinc = named(new QStackedWidget(this), "pgcPrinc");
    // A one-pixel sunken frame, so the pages are 832 x 520 inside the 834 x 522 control.
    pgcPrinc->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pgcPrinc->setLineWidth(1);
    setCentralWidget(pgcPrinc);
    createWelcomePage();
    createMainPage();
    createStatusBar();
    createNetworkClients();
    createHistoryParts();
    createMarketParts();
    createKeywordListParts();

    // The news poll's timer: started below or when the welcome page is left.
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(2000);
    createNewsParts();

    resize(WindowSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    connect(bsSkinButton1, &QPushButton::clicked, this, handler(&TfrmMain::bsSkinButton1Click));
    connect(btnHelp, &QToolButton::clicked, this, handler(&TfrmMain::btnHelpClick));
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            handler(&TfrmMain::btnHelpClick));
    connect(btnAbout, &QPushButton::clicked, this, handler(&TfrmMain::btnAboutClick));
    connect(btnSearch, &QPushButton::clicked, this, handler(&TfrmMain::btnSearchClick));
    connect(edtKeyword, &QLineEdit::returnPressed, this, handler(&TfrmMain::btnSearchClick));
    connect(btnClear, &QPushButton::clicked, this, handler(&TfrmMain::btnClearClick));
    connect(bsSkinButton4, &QPushButton::clicked, this, handler(&TfrmMain::bsSkinButton4Click));
    connect(IdHTTP2, &search::PageDownload::workBegin, this, handler(&TfrmMain::IdHTTP2WorkBegin));
    connect(IdHTTP2, &search::PageDownload::work, this, handler(&TfrmMain::IdHTTP2Work));
    connect(IdHTTP2, &search::PageDownload::workEnd, this, handler(&TfrmMain::IdHTTP2WorkEnd));
    connect(IdHTTP2, &search::PageDownload::finished, this, handler(&TfrmMain::IdHTTP2Finished));
    connect(m_engineFetch, &search::EngineFetch::progress, this, handler(&TfrmMain::EngineFetchProgress));
    connect(m_engineFetch, &search::EngineFetch::userNeeded, this, handler(&TfrmMain::EngineFetchUserNeeded));
    connect(m_engineFetch, &search::EngineFetch::finished, this, handler(&TfrmMain::EngineFetchFinished));
    connect(lblLink1URL, &LinkLabel::clicked, this, handler(&TfrmMain::lblLink1URLClick));
    connect(lblLink2URL, &LinkLabel::clicked, this, handler(&TfrmMain::lblLink2URLClick));
    connect(Timer1, &QTimer::timeout, this, handler(&TfrmMain::Timer1Timer));
    connect(btnNews, &QToolButton::clicked, this, handler(&TfrmMain::btnNewsClick));
    connect(btnUpdate, &QToolButton::clicked, this, handler(&TfrmMain::btnUpdateClick));
    connectBrandHandlers();

    runGuarded(m_services.reporter, [this] { FormCreate(); });
}

TfrmMain::~TfrmMain() {
    // The history and list windows read and write through the store's connection: they go first.
    delete m_keywordListWindow;
    delete m_historyWindow;
}

void TfrmMain::createWelcomePage() {
    stsWelcome = named(new QWidget(pgcPrinc), "stsWelcome");
    auto* layout = new QVBoxLayout(stsWelcome);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The HTML view goes above this panel, made only when there is a welcome page to show.
    layout->addStretch(1);
    bsSkinPanel14 = fixedHeightPanel(stsWelcome, "bsSkinPanel14", WelcomeButtonPanelHeight, false);
    layout->addWidget(bsSkinPanel14);
    bsSkinButton1 =
        named(new QPushButton(fromLiteral("Thanks, just show me the main application"), bsSkinPanel14),
              "bsSkinButton1");
    bsSkinButton1->setGeometry(256, 8, 265, 20);
    bsSkinButton1->setDefault(true);
    // A plain window has no default button of its own: Enter anywhere on the page presses it.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, stsWelcome);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, bsSkinButton1, [this] { bsSkinButton1->animateClick(); });
    }
    pgcPrinc->addWidget(stsWelcome);
}

void TfrmMain::createMainPage() {
    stsMain = named(new QWidget(pgcPrinc), "stsMain");
    auto* layout = new QVBoxLayout(stsMain);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bsSkinPanel1 = fixedHeightPanel(stsMain, "bsSkinPanel1", ToolbarHeight, false);
    layout->addWidget(bsSkinPanel1);
    createToolbar(bsSkinPanel1);

    panBanner = fixedHeightPanel(stsMain, "panBanner", BannerHeight, true);
    layout->addWidget(panBanner);
    imgBanner = named(new QLabel(panBanner), "imgBanner");
    imgBanner->setGeometry(BannerPictureGeometry);
    gifBanner = named(new QLabel(panBanner), "gifBanner");

    bsSkinPanel4 = named(new QWidget(stsMain), "bsSkinPanel4");
    layout->addWidget(bsSkinPanel4, 1);
    auto* listLayout = new QVBoxLayout(bsSkinPanel4);
    listLayout->setContentsMargins(0, 0, 0, 0);
    lvwItems = named(new QTableView(bsSkinPanel4), "lvwItems");
    listLayout->addWidget(lvwItems);
    lvwItems->setModel(m_results);
    lvwItems->setShowGrid(true);
    lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwItems->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    lvwItems->setSortingEnabled(false);
    lvwItems->setWordWrap(false);
    lvwItems->setTabKeyNavigation(false);
    lvwItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lvwItems->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lvwItems->verticalScrollBar()->setObjectName(QStringLiteral("bsSkinScrollBar1"));
    lvwItems->horizontalScrollBar()->setObjectName(QStringLiteral("bsSkinScrollBar2"));
    lvwItems->verticalHeader()->hide();
    // Fixed row heights keep long result lists cheap to lay out.
    lvwItems->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvwItems->verticalHeader()->setDefaultSectionSize(lvwItems->fontMetrics().height() + 6);
    QHeaderView* header = lvwItems->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < int(std::size(ResultColumnWidths)); ++column)
        header->resizeSection(column, ResultColumnWidths[column]);

    panLinks = fixedHeightPanel(stsMain, "panLinks", LinksHeight, true);
    layout->addWidget(panLinks);
    const QSize linksDesign(PageSize.width(), LinksHeight);
    const QByteArray homePage(VELMORA_SEARCH_BASE_URL);
    lblLink1URL = named(new LinkLabel(panLinks), "lblLink1URL");
    lblLink1URL->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblLink1URL->setLink("Google", homePage);
    lblLink1URL->move(13, 9);
    // The right link grows to the left when the branding gives it a longer caption.
    lblLink2URL = named(new LinkLabel(panLinks), "lblLink2URL");
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblLink2URL->setLink("Google", homePage);
    lblLink2URL->move(785, 9);
    placeAnchored(lblLink2URL, lblLink2URL->geometry(), AnchorTop | AnchorRight, linksDesign);

    pgcPrinc->addWidget(stsMain);
}

void TfrmMain::createToolbar(QWidget* toolbar) {
    bsSkinStdLabel6 = named(new QLabel(fromLiteral("Keyword:"), toolbar), "bsSkinStdLabel6");
    bsSkinStdLabel6->ensurePolished();
    bsSkinStdLabel6->setGeometry(QRect(QPoint(10, 12), bsSkinStdLabel6->sizeHint()));
    edtKeyword = named(new QLineEdit(toolbar), "edtKeyword");
    edtKeyword->setGeometry(70, 9, 147, 18);
    bsSkinStdLabel6->setBuddy(edtKeyword);

    btnSearch = toolbarButton(toolbar, "btnSearch", "Search", {222, 6, 74, 25});
    btnClear = toolbarButton(toolbar, "btnClear", "Clear results", {299, 6, 90, 25});
    bsSkinButton4 = toolbarButton(toolbar, "bsSkinButton4", "Export To CSV", {392, 6, 101, 25});
    btnMakeMoney = toolbarButton(toolbar, "btnMakeMoney", "Make Money", {496, 6, 98, 25});
    btnAbout = toolbarButton(toolbar, "btnAbout", "About", {597, 6, 91, 25});

    btnNews = pictureButton(toolbar, "btnNews", "Check News", toolPicture("news"), 695);
    btnUpdate = pictureButton(toolbar, "btnUpdate", "Check Updates", toolPicture("update"), 738);
    btnHelp = pictureButton(toolbar, "btnHelp", "Help", toolPicture("help"), 781);

    QWidget::setTabOrder(btnMakeMoney, btnAbout);
    QWidget::setTabOrder(btnAbout, edtKeyword);
    QWidget::setTabOrder(edtKeyword, btnClear);
    QWidget::setTabOrder(btnClear, bsSkinButton4);
    QWidget::setTabOrder(bsSkinButton4, btnSearch);
}

void TfrmMain::createStatusBar() {
    bsSkinStatusBar1 = named(new QStatusBar(this), "bsSkinStatusBar1");
    bsSkinStatusBar1->setSizeGripEnabled(false);
    bsSkinStatusBar1->setFixedHeight(StatusBarHeight);
    // A long sentence is cut short, never widening the window; its tooltip holds all of it.
    MainStatusPanel = named(new ElidedLabel(bsSkinStatusBar1), "MainStatusPanel");
    bsSkinStatusBar1->addWidget(MainStatusPanel, 1);
    MainGauge = named(new Gauge(bsSkinStatusBar1), "MainGauge");
    MainGauge->setFixedWidth(GaugeWidth);
    bsSkinStatusBar1->addPermanentWidget(MainGauge);
    setStatusBar(bsSkinStatusBar1);
}

void TfrmMain::createNetworkClients() {
    // The news and update requests' client, with its own in-memory cookies; direct
    // connections only.
    IdHTTP1 = named(new news::NewsClient(this), "IdHTTP1");
    // The results page's client; its temporary files go beside the executable, or for an
    // installed program into the user's temporary folder.
    IdHTTP2 = named(
        new search::PageDownload(util::PlaceOr(m_services.places.downloadDir, m_services.applicationDir),
                                 m_services.random, this),
        "IdHTTP2");
    // The same page through the web engine, when the engine asks for scripts.
    // As a phone, the phone's pages; the device is the running search's.
    search::EngineFetchSettings engine = m_services.enginePages;
    engine.pages = [this, desktop = engine.pages](QObject* parent,
                                                  QString& whyNot) -> std::unique_ptr<search::OffscreenPage> {
        const search::OffscreenPageFactory& pages =
            m_searchDevice == search::Device::Phone ? m_services.phonePages : desktop;
        if (!pages) {
            whyNot = QStringLiteral("No web engine is available.");
            return nullptr;
        }
        return pages(parent, whyNot);
    };
    m_engineFetch = named(new search::EngineFetch(std::move(engine), this), "engineFetch");
}

void TfrmMain::FormCreate() {
    gifBanner->setGeometry(imgBanner->geometry());
    // A load that fails part way is reported here and leaves what it read; the window goes on.
    runGuarded(m_services.reporter, [this] { LoadBrandSettings(); });
    // Without a welcome page the news poll starts with the window; otherwise when the
    // user leaves the welcome page.
    if (m_brand.WelcomeText.isEmpty())
        Timer1->start();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    runGuarded(m_services.reporter, [this] { FormShow(); });
}

void TfrmMain::FormShow() {
    // Give every page its turn, so each is polished and laid out before it is needed.
    for (int page = 0; page < pgcPrinc->count(); ++page) {
        pgcPrinc->setCurrentIndex(page);
        QCoreApplication::processEvents();
    }
    pgcPrinc->setCurrentIndex(0);

    if (!m_brand.WelcomeText.isEmpty()) {
        if (!prfWelcome) {
            prfWelcome = m_services.htmlViewFactory(stsWelcome);
            prfWelcome->setObjectName(QStringLiteral("prfWelcome"));
            auto* layout = static_cast<QVBoxLayout*>(stsWelcome->layout());
            delete layout->takeAt(0); // the stretch that kept the view's place
            layout->insertWidget(0, prfWelcome, 1);
        }
        pgcPrinc->setCurrentIndex(0);
        prfWelcome->setHtmlSource(m_brand.WelcomeText);
        bsSkinButton1->setFocus();
    } else if (stsWelcome) {
        pgcPrinc->removeWidget(stsWelcome);
        delete stsWelcome;
    }
    pgcPrinc->setCurrentIndex(0);
    if (pgcPrinc->currentWidget() == stsMain)
        edtKeyword->setFocus();
    offerUnfinishedLists();

    FormResize();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    runGuarded(m_services.reporter, [this] { FormResize(); });
}

void TfrmMain::FormResize() {
    // Hidden or not, both banner controls stay centred: the branding shows one of them.
    centreInParent(imgBanner);
    centreInParent(gifBanner);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    runGuarded(m_services.reporter, [this] { FormClose(); });
    event->accept();
}

void TfrmMain::FormClose() {
    // Closing is set before the download is stopped, so that its end already sees why and
    // is reported as stopped by the user.
    m_closing = true;
    LMDMessageHint1->hideMessage();
    IdHTTP1->abort();
    IdHTTP2->abort();
    m_engineFetch->abort();
    // A list run ends with the program; what it searched is in the history.
    if (m_keywordListWindow) {
        m_keywordListWindow->stopRun();
        m_keywordListWindow->hide();
    }
    QCoreApplication::processEvents();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
    // Escape cancels a running download and leaves the window open.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        (IdHTTP2->isRunning() || m_engineFetch->isRunning())) {
        runGuarded(m_services.reporter, [this] {
            IdHTTP2->abort();
            m_engineFetch->abort();
        });
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TfrmMain::bsSkinButton1Click() {
    pgcPrinc->setCurrentWidget(stsMain);
    edtKeyword->setFocus();
    if (!m_brand.WelcomeText.isEmpty())
        Timer1->start();
}

void TfrmMain::btnSearchClick() {
    SearchAds();
}

void TfrmMain::SearchAds() {
    // One search at a time: a second Search leaves the running one and its status alone.
    if (IdHTTP2->isRunning() || m_engineFetch->isRunning())
        return;
    // Nothing to search for: a keyword of blanks asks the engine for no results either.
    const QByteArray keyword = keywordOf(edtKeyword);
    if (keyword.trimmed().isEmpty())
        return;
    if (m_closing)
        return;
    m_searchMarket = m_market;
    m_searchDevice = m_device;
    const QByteArray url = search::SearchUrl(m_searchUrlPrefix, keyword, m_searchMarket);
    if (m_searchDevice == search::Device::Phone) {
        m_pageUrl = url;
        LoadPhonePage();
        return;
    }
    DownloadPage(url);
}

bool TfrmMain::DownloadPage(const QByteArray& url) {
    if (m_closing)
        return false;
    // Creates the temporary file first; when that fails the error leaves here, nothing sent.
    if (!IdHTTP2->start(QUrl::fromEncoded(url)))
        return false;
    m_pageUrl = url;
    m_pageWithScripts = false;
    MainStatusPanel->setText(search::GettingUrlStatus(url));
    MainGauge->setValue(0);
    return true;
}

void TfrmMain::IdHTTP2WorkBegin(qint64 expectedTotal) {
    MainGauge->setMaxValue(clampedToInt(expectedTotal));
    MainGauge->setValue(0);
}

void TfrmMain::IdHTTP2Work(qint64 count) {
    MainGauge->setValue(clampedToInt(count));
}

void TfrmMain::IdHTTP2WorkEnd() {
    MainGauge->setValue(MainGauge->maxValue());
}

void TfrmMain::IdHTTP2Finished(const search::DownloadResult& result) {
    MainStatusPanel->setText(search::DownloadEndStatus(result, m_closing));
    if (result.outcome == search::DownloadResult::Outcome::Failed && !m_closing)
        recordFailedSearch(history::SearchOutcome::Error);
    if (result.outcome != search::DownloadResult::Outcome::Completed || m_closing) {
        // No page came: the gauge does not stay full, or where the transfer stopped.
        MainGauge->setValue(0);
        return;
    }
    const search::PageVerdict verdict = search::JudgePage(result.finalUrl, result.pageText);
    if (verdict != search::PageVerdict::ResultsPage) {
        LoadPageWithScripts(verdict);
        return;
    }
    readAdsIntoList(result.pageText);
}

void TfrmMain::LoadPageWithScripts(search::PageVerdict verdict) {
    QString whyNot;
    if (!m_engineFetch->start(QUrl::fromEncoded(m_pageUrl), whyNot)) {
        MainStatusPanel->setText(search::EngineUnavailableStatus(verdict, whyNot));
        recordFailedSearch(history::SearchOutcome::Verdict);
        return;
    }
    m_pageWithScripts = true;
    MainStatusPanel->setText(search::EngineLoadingStatus());
    MainGauge->setMaxValue(100);
    MainGauge->setValue(0);
}

void TfrmMain::LoadPhonePage() {
    QString whyNot;
    m_pageWithScripts = true;
    if (!m_engineFetch->start(QUrl::fromEncoded(m_pageUrl), whyNot)) {
        MainStatusPanel->setText(QStringLiteral("A search as a phone needs the web engine: %1").arg(whyNot));
        MainGauge->setValue(0);
        recordFailedSearch(history::SearchOutcome::Error);
        return;
    }
    MainStatusPanel->setText(search::EngineLoadingStatus());
    MainGauge->setMaxValue(100);
    MainGauge->setValue(0);
}

void TfrmMain::EngineFetchProgress(int percent) {
    MainGauge->setValue(percent);
}

void TfrmMain::EngineFetchUserNeeded(search::PageVerdict verdict) {
    const QString sentence = search::UserCheckSentence(verdict);
    m_consentWindow = new ConsentWindow(*m_engineFetch->page(), sentence, this);
    connect(m_consentWindow, &ConsentWindow::closedByUser, this, handler(&TfrmMain::consentWindowClosed));
    MainStatusPanel->setText(sentence);
    m_consentWindow->show();
    m_consentWindow->activateWindow();
}

void TfrmMain::consentWindowClosed() {
    m_engineFetch->abort();
}

void TfrmMain::EngineFetchFinished(const search::EngineFetchResult& result) {
    // The window closes itself: its question is answered or no longer asked.
    if (m_consentWindow) {
        m_consentWindow->disconnect(this);
        m_consentWindow->hide();
        m_consentWindow->deleteLater(); // this may run inside its own close event
    }
    MainStatusPanel->setText(search::EngineFetchEndStatus(result, m_closing));
    if (result.outcome == search::EngineFetchResult::Outcome::NotResults && !m_closing)
        recordFailedSearch(history::SearchOutcome::Verdict);
    else if (result.outcome != search::EngineFetchResult::Outcome::Completed &&
             result.outcome != search::EngineFetchResult::Outcome::Aborted && !m_closing)
        recordFailedSearch(history::SearchOutcome::Error);
    if (result.outcome != search::EngineFetchResult::Outcome::Completed || m_closing) {
        MainGauge->setValue(0);
        return;
    }
    MainGauge->setValue(MainGauge->maxValue());
    readAdsIntoList(result.pageText);
}

void TfrmMain::readAdsIntoList(const QByteArray& pageText) {
    // The keyword as the field reads now, which the user may have edited meanwhile.
    const QByteArray keyword = keywordOf(edtKeyword);
    const QString completed = MainStatusPanel->text();
    const int firstRow = m_results->rowCount();
    search::AdsRead read = search::AdsRead::Whole;
    {
        search::ResultsModel::Batch batch(*m_results);
        // The classic rules where the page has their markers, the reader of today's layouts
        // otherwise.
        read = search::ReadAds(pageText, keyword, *m_results);
    }
    // "Download completed!", then what the history says (the new ads, or why it could not be
    // written), then what the page gave: none, only part of it read, or ads that could not be
    // read. The rows show whatever the history says.
    QStringList sentences{completed};
    sentences << recordSearch(history::SearchOutcome::AdsRead, {}, firstRow, pageText)
              << search::AdsReadSentence(read, m_results->rowCount() - firstRow);
    sentences.removeAll(QString());
    MainStatusPanel->setText(sentences.join(u' '));
}

void TfrmMain::btnClearClick() {
    m_results->clear();
}

void TfrmMain::bsSkinButton4Click() {
    const QString fileName =
        m_services.saveDialog.askFileName(this, QStringLiteral("Save results to csv"),
                                          QStringLiteral("Comma delimited (*.csv)"), QStringLiteral("csv"));
    if (fileName.isEmpty())
        return;
    SaveResultsToCsv(fileName);
}

void TfrmMain::SaveResultsToCsv(const QString& fileName) {
    QString reason;
    if (!search::SaveResultsCsvFile(fileName, m_results->rows(), &reason,
                                    search::ResultsModel::columnCaptions()))
        m_services.messageBox.warning(this, QStringLiteral("The results could not be saved to %1.\n%2")
                                                .arg(QDir::toNativeSeparators(fileName), reason));
}

void TfrmMain::openInBrowser(const QByteArray& url) {
    bool started = false;
    util::OpenUrlInBrowser(url, m_services.platform, &started);
    if (!started)
        warnNoBrowser(m_services.messageBox, this, url);
}

void TfrmMain::btnHelpClick() {
    // Also without a help link: the browser then opens on its own start page.
    openInBrowser(m_brand.AppHelpURL);
}

void TfrmMain::btnAboutClick() {
    TfrmAbout frmAbout(m_brand, m_services.reporter, this);
    frmAbout.exec();
}

void TfrmMain::lblLink1URLClick() {
    if (!m_services.platform.openWithShell(lblLink1URL->url()))
        warnNoBrowser(m_services.messageBox, this, lblLink1URL->url());
}

void TfrmMain::lblLink2URLClick() {
    if (!m_services.platform.openWithShell(lblLink2URL->url()))
        warnNoBrowser(m_services.messageBox, this, lblLink2URL->url());
}

} // namespace velmora::app
