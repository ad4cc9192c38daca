#pragma once

// The keyword-list window: a list of keywords pasted or loaded from a file, searched one after
// the other for a market and device with a random pause between searches, with Start, Pause,
// Resume and Stop, a progress bar and line, and a sentence when the run pauses by itself. The
// rows go to the main window's list as they come. Closing the window hides it and the run goes
// on; the main window stops the run when the program quits.

#include "app/ErrorReporter.h"
#include "app/KeywordListForm.h"
#include "history/KeywordRunner.h"
#include "search/AdRow.h"
#include "search/EngineFetch.h"
#include "search/KeywordList.h"
#include "search/SearchFetcher.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace velmora::util {
class RandomSource;
}
namespace velmora::search {
class OffscreenPage;
class PageDownload;
enum class PageVerdict;
} // namespace velmora::search

namespace velmora::app {

class ConsentWindow;
class OpenDialog;

// What the list window is given by the main window.
struct KeywordListHost {
    // The history, opened; nothing when history is off or cannot be opened.
    std::function<history::HistoryStore*()> store;
    // Where the rows of each search go, as they come, and then what the history knows of them.
    std::function<void(const QList<search::AdRow>&)> rowsArrived;
    std::function<void(const QList<history::AdMark>&)> rowsMarked;
    // The progress line of a run going on, for a window that is hidden; empty when none runs.
    std::function<void(const QString&)> progressChanged;
    QByteArray searchUrlPrefix;
    // The folder of the downloads' temporary files.
    QString downloadDir;
    // Pages through the web engine: a desktop's when a downloaded page asks for scripts, consent
    // or a captcha (no factory: such a page pauses the run), and a phone's for every search.
    search::EngineFetchSettings enginePages;
    search::OffscreenPageFactory phonePages;
    util::RandomSource& random;
    OpenDialog& openDialog;
    ErrorReporter& reporter;
};

class TfrmKeywordList final : public QWidget {
    Q_OBJECT

public:
    TfrmKeywordList(KeywordListHost host, QWidget* parent);
    ~TfrmKeywordList() override;

    ListRunState state() const { return m_state; }
    // Ends a run, as when the program quits: what was searched stays in the history.
    void stopRun();
    // The history is about to be replaced: a run writing to it stops first.
    void storeChanging();
    // Looks for unfinished lists in the history again, and offers the newest.
    void refreshOffers();
    // The engine asks the user (its consent page, its captcha) during a run: the run waits while
    // the page is shown in the consent window, and goes on when the results come.
    void runnerUserNeeded(search::PageVerdict verdict, search::OffscreenPage* page);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createFields();
    void createRunControls();
    void connectHandlers();
    void setState(ListRunState state);
    void showKeywordList(const search::KeywordList& list);
    void fieldsEdited();
    void memKeywordsChanged();
    void btnLoadClick();
    void btnStartClick();
    void btnPauseClick();
    void btnResumeClick();
    void btnStopClick();
    void btnResumeListClick();
    void runnerKeywordStarted(int index, int count, const QByteArray& keyword);
    void runnerRowsRead(const QList<search::AdRow>& rows);
    void runnerKeywordFinished(int index, bool ok, const QString& why);
    void runnerFinished(history::KeywordRunner::End end);
    void consentWindowClosed();
    void closeConsentWindow();
    void showProgress();
    // A runner for the form's market, device and pause, its signals wired to the handlers
    // below; false, with *why, for a device this build cannot search as.
    bool makeRunner(const ListFormCheck& check, int device, QString* why);
    // How the runner gets its pages for a device; nothing, with *why, when it cannot.
    std::unique_ptr<search::SearchFetcher> makeFetcher(search::Device device, QString* why);
    void resetProgress(int count);
    // A handler wrapped for connect(): the signal's arguments are forwarded to it, and what
    // escapes it goes to the error reporter.
    template <class... Args> auto handler(void (TfrmKeywordList::*slot)(Args...)) {
        return [this, slot](Args... args) { runGuarded(m_host.reporter, [&] { (this->*slot)(args...); }); };
    }
    // Pauses at once, cutting the search under way short (it is searched again on Resume).
    void pauseRunner();
    void resumeStoredList(const QString& name);

    KeywordListHost m_host;
    search::PageDownload* m_download;
    std::unique_ptr<search::SearchFetcher> m_fetcher; // the runner's: it goes after the runner
    history::KeywordRunner* m_runner = nullptr;
    ListRunState m_state = ListRunState::Idle;
    QString m_loadedFile;       // the file the keywords came from, for the list's name
    bool m_settingText = false; // the box is filled from a file, not edited
    bool m_pausing = false;     // the run ends because the user paused it
    int m_done = 0;
    QByteArray m_keyword;
    QList<ListOffer> m_offers;
    ConsentWindow* m_consentWindow = nullptr;

    QPlainTextEdit* memKeywords = nullptr;
    QPushButton* btnLoad = nullptr;
    QLabel* lblKeywordSummary = nullptr;
    QLineEdit* edtListName = nullptr;
    QLineEdit* edtCountry = nullptr;
    QLabel* lblCountryError = nullptr;
    QLineEdit* edtLanguage = nullptr;
    QLabel* lblLanguageError = nullptr;
    QComboBox* cmbDevice = nullptr;
    QLabel* lblDeviceError = nullptr;
    QSpinBox* spnPauseMin = nullptr;
    QSpinBox* spnPauseMax = nullptr;
    QLabel* lblPauseError = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnPause = nullptr;
    QPushButton* btnResume = nullptr;
    QPushButton* btnStop = nullptr;
    QProgressBar* prgList = nullptr;
    QLabel* lblProgress = nullptr;
    QLabel* lblListStatus = nullptr;
    QLabel* lblResumeOffer = nullptr;
    QPushButton* btnResumeList = nullptr;
};

} // namespace velmora::app
