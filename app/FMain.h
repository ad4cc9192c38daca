#pragma once

#include "app/ErrorReporter.h"
#include "app/HtmlView.h"
#include "brand/BrandSettings.h"
#include "brand/StartupSettings.h"
#include "news/NewsChecks.h"
#include "search/AdRow.h"
#include "search/EngineFetch.h"
#include "search/SearchUrl.h"
#include "util/ProgramPlaces.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QComboBox;
class QFrame;
class QSettings;
class QStatusBar;
class QTableView;
class QTimer;
class QToolButton;

namespace velmora::util {
class Platform;
class RandomSource;
} // namespace velmora::util
namespace velmora::news {
class NewsClient;
struct LatestNewsResult;
struct NewsListResult;
struct UpdateOffer;
} // namespace velmora::news
namespace velmora::history {
class HistoryStore;
struct AdMark;
enum class LoadMethod;
enum class SearchOutcome;
} // namespace velmora::history
namespace velmora::search {
class PageDownload;
class ResultsModel;
struct DownloadResult;
} // namespace velmora::search

namespace velmora::app {

struct BrandLoad;
class ConsentWindow;
class ElidedLabel;
class ErrorReporter;
class Gauge;
class LinkLabel;
class MessageBox;
class MessageHint;
class OpenDialog;
class SaveDialog;
class TfrmHistory;
class TfrmKeywordList;

// What the main window is given from outside instead of reaching for it itself.
struct MainWindowServices {
    util::Platform& platform;
    ErrorReporter& reporter;
    // The directory of the executable: branding files, downloads and the updater live there.
    QString applicationDir;
    // Base URL of the update server; the program's built-in one unless a test points it elsewhere.
    QByteArray updateBaseURL;
    // Makes the welcome page's HTML view, and only when there is a welcome page to show.
    HtmlViewFactory htmlViewFactory;
    // Every message to the user that is not a status text.
    MessageBox& messageBox;
    // Random picks: the branding's choices, the download's temporary file names.
    util::RandomSource& random;
    // Scheme and host of the search engine; the program's built-in one unless a test points
    // it elsewhere.
    QByteArray searchBaseURL;
    // Where the user names the file of an export.
    SaveDialog& saveDialog;
    // Where a search gets a page that runs scripts, when the engine will not give its results
    // without them, and how long it waits for one; without pages the search says so instead.
    search::EngineFetchSettings enginePages = {};
    // Pages that present themselves as a phone, for searches as a phone; without them such a
    // search says so instead.
    search::OffscreenPageFactory phonePages = {};
    // Where the window remembers the user's choices (the market and device of searches); none
    // remembers nothing.
    QSettings* userSettings = nullptr;
    // Where an installed program writes and finds its brand; a place left empty is
    // applicationDir, as in a portable folder.
    util::ProgramPlaces places = {};
    // Where the user picks a file to read (a keyword list); none: the system's dialog.
    OpenDialog* openDialog = nullptr;
};

// The main window: toolbar, banner, results list, links and status bar on the main page,
// and an optional welcome page shown first.
class TfrmMain final : public QMainWindow {
    Q_OBJECT

public:
    // Branded from the settings as read at start-up (ReadStartupSettings on the application
    // directory): the window's creation loads the brand from them, applies it with the banner,
    // skin and icon files of services.applicationDir, and reports what goes wrong on the way.
    TfrmMain(StartupSettings startupSettings, MainWindowServices services, QWidget* parent = nullptr);
    // With a brand taken as it stands: nothing is read and the widgets keep their design;
    // only the welcome page and the news poll follow the fields.
    TfrmMain(BrandSettings brandSettings, MainWindowServices services, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Set once the window closes, never reset: a running page download stops on it.
    bool Closing() const { return m_closing; }

    const BrandSettings& brandSettings() const { return m_brand; }
    const QByteArray& UpdateBaseURL() const { return m_services.updateBaseURL; }
    const QString& applicationDir() const { return m_services.applicationDir; }
    // The folder of the brand files in use.
    QString brandDir() const { return util::PlaceOr(m_services.places.brandDir, m_services.applicationDir); }
    QList<QByteArray>& NewsList() { return m_newsList; }
    search::ResultsModel& results() { return *m_results; }
    // The results-page address up to the keyword.
    const QByteArray& SearchUrlPrefix() const { return m_searchUrlPrefix; }

    // One search for the keyword in edtKeyword; the rows follow when the page has arrived.
    // Refused, changing nothing, while a download runs.
    void SearchAds();
    // Writes the list with its header line to a CSV file; a failure is shown as a warning.
    void SaveResultsToCsv(const QString& fileName);

    // The country, language and device every single search asks the engine for (FMainMarket.cpp):
    // the Market button of the status bar, or Ctrl+M. Remembered in the user's settings.
    const search::Market& market() const { return m_market; }
    search::Device device() const { return m_device; }
    void btnMarketClick();

    // Where every search is kept (FMainHistory.cpp); none keeps no history. Opened at the first
    // search or when the history window shows.
    void setHistoryStore(std::unique_ptr<history::HistoryStore> store);
    // The store, opened; nothing when history is off or cannot be opened.
    history::HistoryStore* openedHistory();
    // Shows the history window (Ctrl+H, or the History button of the status bar).
    void btnHistoryClick();
    // Shows the keyword-list window (Ctrl+L, or the list button of the status bar).
    void btnKeywordListClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TfrmMain(BrandSettings brandSettings, std::optional<StartupSettings> startupSettings,
             MainWindowServices services, QWidget* parent);

    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();

    void bsSkinButton1Click();
    void btnSearchClick();
    void btnClearClick();
    void bsSkinButton4Click();
    // Starts the page download; false when the window is closing or a download runs.
    bool DownloadPage(const QByteArray& url);
    void IdHTTP2WorkBegin(qint64 expectedTotal);
    void IdHTTP2Work(qint64 count);
    void IdHTTP2WorkEnd();
    // The end of DownloadPage and the rest of SearchAds: status text, verdict, rows.
    void IdHTTP2Finished(const search::DownloadResult& result);
    // Starts the browser with url (an empty one too); says so when no browser starts.
    void openInBrowser(const QByteArray& url);
    // The search's page once more, in the web engine, for a page the download judged to be
    // no results page.
    void LoadPageWithScripts(search::PageVerdict verdict);
    // A search as a phone: the page straight into the web engine as the phone.
    void LoadPhonePage();
    void EngineFetchProgress(int percent);
    void EngineFetchUserNeeded(search::PageVerdict verdict);
    void EngineFetchFinished(const search::EngineFetchResult& result);
    void consentWindowClosed();
    // Appends the ads of a results page, with the keyword as the field reads now.
    void readAdsIntoList(const QByteArray& pageText);
    // The history of the window (FMainHistory.cpp): marks and the History button, and a search's
    // record. recordSearch stores the rows from firstRow on and marks them; it returns what the
    // status bar adds: the count of new ads, or why the history could not be written.
    void createHistoryParts();
    void createMarketParts();
    // Takes the market and device as chosen, remembers them and shows them on the button.
    void setMarketChoice(const search::Market& market, search::Device device);
    void marketEdited();
    QString recordSearch(history::SearchOutcome outcome, const QString& outcomeText, int firstRow,
                         const QByteArray& pageText);
    // A search that ended without a results page, kept with its outcome.
    void recordFailedSearch(history::SearchOutcome outcome);
    // The keyword lists of the window (FMainKeywordList.cpp): the status bar's button and Ctrl+L.
    void createKeywordListParts();
    // At start: the newest unfinished list of the history is offered in the status bar.
    void offerUnfinishedLists();
    void keywordListProgress(const QString& line);
    // A list's rows in the results list, then their history marks (FMainHistory.cpp), which go
    // only to those very rows.
    void appendListRows(const QList<search::AdRow>& rows);
    void markListRows(const QList<history::AdMark>& marks);
    void btnHelpClick();
    void btnAboutClick();
    void imgBannerClick();
    void gifBannerClick();
    void btnMakeMoneyClick();
    void lblLink1URLClick();
    void lblLink2URLClick();

    void createWelcomePage();
    void createMainPage();
    void createToolbar(QWidget* page);
    void createStatusBar();
    void createNetworkClients();
    // A tool-button picture of the resources, at both densities.
    static QIcon toolPicture(const char* name);

    // News and updates.
    void createNewsParts();
    void Timer1Timer();
    void GetLastNewsDone(const news::LatestNewsResult& result);
    // Points the balloon at the news button with Text (lines separated by CR LF).
    void ShowNewsHint(const QString& Text);
    void btnNewsClick();
    void GetNewsListDone(const news::NewsListResult& result);
    void btnUpdateClick();
    // Fetches the update server's information file and offers a newer version. Silent
    // keeps quiet when there is nothing new; every other message shows in both modes.
    void CheckForUpdates(bool Silent);
    news::NewsChecks makeNewsChecks();
    void UpdateOfferArrived(const news::UpdateOffer& offer, bool Silent);
    // The status text of a news or update request the user waits for, and its removal when
    // the request ends (unless something else has been written there since); the other
    // request's text comes back while that one still runs.
    void showNewsStatus(const QString& text);
    void clearNewsStatus(const QString& text);
    // The last news item read, as stored in the settings file; throws when it cannot be read.
    QByteArray ReadLastNewsId() const;
    // Stores Value as the last news item read; throws when the settings cannot be rewritten.
    void WriteLastNewsId(const QByteArray& Value);
    // The news button's picture: with its dot while a newer item than storedId is known.
    void showNewsPicture(const QByteArray& storedId);
    // The brand's handlers (FMainBrand.cpp).
    void connectBrandHandlers();
    // Reads the brand from the start-up settings and applies each part that is sound; then
    // throws one error that names every bad part.
    void LoadBrandSettings();
    void applyBrandTexts(const BrandLoad& load);
    // The banner picture; says what is wrong with its file, empty when it shows.
    QString applyBanner(const BrandLoad& load);
    void applyLinks(const BrandLoad& load);
    // The skin and the icon; says what is wrong with the icon file, empty when there is nothing.
    QString applySkinAndIcon();
    // A handler wrapped for connect() or a client's callback: the signal's arguments are
    // forwarded to it, and what escapes it goes to the error reporter.
    template <class... Args> auto handler(void (TfrmMain::*slot)(Args...)) {
        return [this, slot](Args... args) {
            runGuarded(m_services.reporter, [&] { (this->*slot)(std::forward<Args>(args)...); });
        };
    }

    BrandSettings m_brand;
    MainWindowServices m_services;
    // Taken by LoadBrandSettings; empty for a window given its brand as it stands.
    std::optional<StartupSettings> m_startup;
    bool m_closing = false;
    bool m_shown = false;
    QList<QByteArray> m_newsList;
    search::ResultsModel* m_results;
    // The news list, the update check and the unread item.
    news::NewsChecks m_newsChecks;
    QByteArray m_searchUrlPrefix;
    QByteArray m_pageUrl;    // of the running search
    search::Market m_market; // chosen for the searches to come
    search::Device m_device = search::Device::Desktop;
    search::Market m_searchMarket; // of the running search
    search::Device m_searchDevice = search::Device::Desktop;
    bool m_pageWithScripts = false; // the running search's page is loaded in the web engine
    std::unique_ptr<history::HistoryStore> m_history;
    QPointer<TfrmHistory> m_historyWindow;
    QToolButton* btnHistory = nullptr;
    QPointer<TfrmKeywordList> m_keywordListWindow;
    QToolButton* btnKeywordList = nullptr;
    QString m_listOffer;             // the unfinished list offered in the status bar at start
    int m_listRowsAt = 0;            // where the list's last rows went in the results list
    QList<search::AdRow> m_listRows; // and what they were, until they are marked
    QToolButton* btnMarket = nullptr;
    QFrame* frmMarket = nullptr;
    QLineEdit* edtCountry = nullptr;
    QLineEdit* edtLanguage = nullptr;
    QComboBox* cmbDevice = nullptr;
    QLabel* lblMarketError = nullptr;

    QStackedWidget* pgcPrinc = nullptr;
    QPointer<QWidget> stsWelcome;
    QPointer<HtmlView> prfWelcome;
    QWidget* bsSkinPanel14 = nullptr;
    QPushButton* bsSkinButton1 = nullptr;
    QWidget* stsMain = nullptr;
    QWidget* bsSkinPanel1 = nullptr;
    QLabel* bsSkinStdLabel6 = nullptr;
    QLineEdit* edtKeyword = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnClear = nullptr;
    QPushButton* bsSkinButton4 = nullptr;
    QPushButton* btnMakeMoney = nullptr;
    QPushButton* btnAbout = nullptr;
    QToolButton* btnNews = nullptr;
    QToolButton* btnUpdate = nullptr;
    QToolButton* btnHelp = nullptr;
    QWidget* panBanner = nullptr;
    QLabel* imgBanner = nullptr;
    QLabel* gifBanner = nullptr;
    QWidget* bsSkinPanel4 = nullptr;
    QTableView* lvwItems = nullptr;
    QWidget* panLinks = nullptr;
    LinkLabel* lblLink1URL = nullptr;
    LinkLabel* lblLink2URL = nullptr;
    QStatusBar* bsSkinStatusBar1 = nullptr;
    ElidedLabel* MainStatusPanel = nullptr;
    Gauge* MainGauge = nullptr;
    news::NewsClient* IdHTTP1 = nullptr;
    search::PageDownload* IdHTTP2 = nullptr;
    search::EngineFetch* m_engineFetch = nullptr;
    QPointer<ConsentWindow> m_consentWindow;
    QTimer* Timer1 = nullptr;
    MessageHint* LMDMessageHint1 = nullptr;
};

} // namespace velmora::app
