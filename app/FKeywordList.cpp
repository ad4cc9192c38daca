#include "app/FKeywordList.h"

#include "app/ConsentWindow.h"
#include "app/ErrorReporter.h"
#include "app/OpenDialog.h"
#include "history/ListStore.h"
#include "search/DownloadFetcher.h"
#include "search/EngineFetch.h"
#include "search/EnginePageFetcher.h"
#include "search/PageDownload.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora::app {
namespace {

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A sentence under a field, shown only while it says something.
QLabel* errorLine(QWidget* parent, const char* name) {
    auto* label = named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00020;"));
    label->hide();
    return label;
}

void say(QLabel* label, const QString& sentence) {
    label->setText(sentence);
    label->setVisible(!sentence.isEmpty());
}

QSpinBox* secondsBox(QWidget* parent, const char* name, int value) {
    auto* box = named(new QSpinBox(parent), name);
    box->setRange(0, search::PauseRange::MostSeconds);
    box->setSuffix(QStringLiteral(" s"));
    box->setValue(value);
    return box;
}

// The keywords failed for good, named, the first few of them.
QString FailedSentence(const QList<QByteArray>& failed) {
    constexpr int Named = 5;
    QStringList names;
    for (int i = 0; i < failed.size() && i < Named; ++i)
        names << QString::fromUtf8(failed.at(i));
    QString list = names.join(QStringLiteral(", "));
    if (failed.size() > Named)
        list += QStringLiteral(" and %1 more").arg(failed.size() - Named);
    return QStringLiteral("The list is done; %1 failed: %2.")
        .arg(failed.size() == 1 ? QStringLiteral("1 keyword")
                                : QStringLiteral("%1 keywords").arg(failed.size()),
             list);
}

// The device box lists the devices in this order.
constexpr int DeviceDesktop = 0;
constexpr int DevicePhone = 1;

} // namespace

TfrmKeywordList::TfrmKeywordList(KeywordListHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), m_host(std::move(host)),
      m_download(new search::PageDownload(m_host.downloadDir, m_host.random, this)) {
    setObjectName(QStringLiteral("frmKeywordList"));
    setWindowTitle(QStringLiteral("Velmora - keyword list"));
    m_download->setObjectName(QStringLiteral("listDownload"));
    new QVBoxLayout(this);
    createFields();
    createRunControls();
    connectHandlers();
    setState(ListRunState::Idle);
    memKeywordsChanged();
    resize(560, 600);
}

TfrmKeywordList::~TfrmKeywordList() {
    // The runner goes before the download it listens to.
    delete m_runner;
}

void TfrmKeywordList::createFields() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    lblResumeOffer = named(new QLabel(this), "lblResumeOffer");
    btnResumeList = named(new QPushButton(QStringLiteral("Resum&e list"), this), "btnResumeList");
    auto* offer = new QHBoxLayout;
    offer->addWidget(lblResumeOffer, 1);
    offer->addWidget(btnResumeList);
    layout->addLayout(offer);
    lblResumeOffer->hide();
    btnResumeList->hide();

    auto* keywordsLabel = new QLabel(QStringLiteral("&Keywords, one a line:"), this);
    memKeywords = named(new QPlainTextEdit(this), "memKeywords");
    memKeywords->setTabChangesFocus(true);
    keywordsLabel->setBuddy(memKeywords);
    btnLoad = named(new QPushButton(QStringLiteral("&Load\u2026"), this), "btnLoad");
    auto* keywordsHead = new QHBoxLayout;
    keywordsHead->addWidget(keywordsLabel, 1);
    keywordsHead->addWidget(btnLoad);
    layout->addLayout(keywordsHead);
    layout->addWidget(memKeywords, 1);
    lblKeywordSummary = named(new QLabel(this), "lblKeywordSummary");
    lblKeywordSummary->setWordWrap(true);
    lblKeywordSummary->setTextFormat(Qt::PlainText);
    layout->addWidget(lblKeywordSummary);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString& caption, QWidget* field, QLabel* error) {
        auto* label = new QLabel(caption, this);
        // A box of several fields passes its label's key on to its first one.
        label->setBuddy(field->focusProxy() ? field->focusProxy() : field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
        if (error)
            grid->addWidget(error, row++, 1);
    };
    edtListName = named(new QLineEdit(this), "edtListName");
    edtListName->setPlaceholderText(QStringLiteral("the file's name, or the first keyword"));
    addRow(QStringLiteral("List &name:"), edtListName, nullptr);
    edtCountry = named(new QLineEdit(this), "edtCountry");
    edtCountry->setPlaceholderText(QStringLiteral("two letters, such as de; empty: the engine's choice"));
    lblCountryError = errorLine(this, "lblCountryError");
    addRow(QStringLiteral("&Country:"), edtCountry, lblCountryError);
    edtLanguage = named(new QLineEdit(this), "edtLanguage");
    edtLanguage->setPlaceholderText(QStringLiteral("two letters, such as en; empty: the engine's choice"));
    lblLanguageError = errorLine(this, "lblLanguageError");
    addRow(QStringLiteral("L&anguage:"), edtLanguage, lblLanguageError);
    cmbDevice = named(new QComboBox(this), "cmbDevice");
    cmbDevice->addItem(QStringLiteral("Desktop"));
    cmbDevice->addItem(QStringLiteral("Phone"));
    lblDeviceError = errorLine(this, "lblDeviceError");
    addRow(QStringLiteral("&Device:"), cmbDevice, lblDeviceError);
    search::PauseRange pause;
    spnPauseMin = secondsBox(this, "spnPauseMin", pause.minSeconds);
    spnPauseMax = secondsBox(this, "spnPauseMax", pause.maxSeconds);
    auto* pauseBox = new QWidget(this);
    auto* pauseLayout = new QHBoxLayout(pauseBox);
    pauseLayout->setContentsMargins(0, 0, 0, 0);
    pauseLayout->addWidget(spnPauseMin);
    pauseLayout->addWidget(new QLabel(QStringLiteral("to"), pauseBox));
    pauseLayout->addWidget(spnPauseMax);
    pauseLayout->addStretch(1);
    pauseBox->setFocusProxy(spnPauseMin); // Alt+U goes to the shortest pause
    lblPauseError = errorLine(this, "lblPauseError");
    addRow(QStringLiteral("Pa&use between searches:"), pauseBox, lblPauseError);
    spnPauseMin->setToolTip(QStringLiteral("A random pause from the shortest to the longest, in seconds"));
    layout->addLayout(grid);
}

void TfrmKeywordList::createRunControls() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* buttons = new QHBoxLayout;
    btnStart = named(new QPushButton(QStringLiteral("&Start"), this), "btnStart");
    btnPause = named(new QPushButton(QStringLiteral("&Pause"), this), "btnPause");
    btnResume = named(new QPushButton(QStringLiteral("&Resume"), this), "btnResume");
    btnStop = named(new QPushButton(QStringLiteral("S&top"), this), "btnStop");
    for (QPushButton* button : {btnStart, btnPause, btnResume, btnStop})
        buttons->addWidget(button);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    prgList = named(new QProgressBar(this), "prgList");
    prgList->setRange(0, 1);
    prgList->setValue(0);
    layout->addWidget(prgList);
    lblProgress = named(new QLabel(this), "lblProgress");
    lblProgress->setTextFormat(Qt::PlainText);
    layout->addWidget(lblProgress);
    lblListStatus = named(new QLabel(this), "lblListStatus");
    lblListStatus->setTextFormat(Qt::PlainText);
    lblListStatus->setWordWrap(true);
    layout->addWidget(lblListStatus);
}

void TfrmKeywordList::connectHandlers() {
    ErrorReporter& reporter = m_host.reporter;
    const auto wire = [&](QPushButton* button, void (TfrmKeywordList::*slot)()) {
        connect(button, &QPushButton::clicked, this, guarded(reporter, [this, slot] { (this->*slot)(); }));
    };
    wire(btnLoad, &TfrmKeywordList::btnLoadClick);
    wire(btnStart, &TfrmKeywordList::btnStartClick);
    wire(btnPause, &TfrmKeywordList::btnPauseClick);
    wire(btnResume, &TfrmKeywordList::btnResumeClick);
    wire(btnStop, &TfrmKeywordList::btnStopClick);
    wire(btnResumeList, &TfrmKeywordList::btnResumeListClick);
    connect(memKeywords, &QPlainTextEdit::textChanged, this,
            guarded(reporter, [this] { memKeywordsChanged(); }));
    for (QLineEdit* edit : {edtCountry, edtLanguage})
        connect(edit, &QLineEdit::textEdited, this, guarded(reporter, [this] { fieldsEdited(); }));
    for (QSpinBox* box : {spnPauseMin, spnPauseMax})
        connect(box, &QSpinBox::valueChanged, this, guarded(reporter, [this] { fieldsEdited(); }));
    connect(cmbDevice, &QComboBox::currentIndexChanged, this, [this] { say(lblDeviceError, {}); });
}

void TfrmKeywordList::setState(ListRunState state) {
    const bool ended = m_state != ListRunState::Idle && state == ListRunState::Idle;
    m_state = state;
    // An offered list is out of date while a run goes on, and is looked for again when it ends.
    if (state == ListRunState::Running) {
        lblResumeOffer->hide();
        btnResumeList->hide();
    } else if (ended) {
        refreshOffers();
    }
    const ListButtons buttons =
        ButtonsFor(state, !search::ReadKeywordList(memKeywords->toPlainText().toUtf8()).keywords.isEmpty());
    btnStart->setEnabled(buttons.start);
    btnPause->setEnabled(buttons.pause);
    btnResume->setEnabled(buttons.resume);
    btnStop->setEnabled(buttons.stop);
    for (QWidget* field : std::initializer_list<QWidget*>{memKeywords, btnLoad, edtListName, edtCountry,
                                                          edtLanguage, cmbDevice, spnPauseMin, spnPauseMax})
        field->setEnabled(buttons.fields);
    btnResumeList->setEnabled(buttons.fields);
}

void TfrmKeywordList::showKeywordList(const search::KeywordList& list) {
    say(lblKeywordSummary, search::KeywordListSummary(list));
}

void TfrmKeywordList::memKeywordsChanged() {
    if (m_settingText)
        return;
    // Typed or pasted: the list is the box's, no longer the file's.
    m_loadedFile.clear();
    const search::KeywordList list = search::ReadKeywordList(memKeywords->toPlainText().toUtf8());
    showKeywordList(list);
    if (m_state == ListRunState::Idle)
        btnStart->setEnabled(!list.keywords.isEmpty());
}

void TfrmKeywordList::fieldsEdited() {
    const ListFormCheck check =
        CheckListForm({edtCountry->text(), edtLanguage->text(), spnPauseMin->value(), spnPauseMax->value()});
    say(lblCountryError, check.countryError);
    say(lblLanguageError, check.languageError);
    say(lblPauseError, check.pauseError);
}

void TfrmKeywordList::btnLoadClick() {
    const QString fileName =
        m_host.openDialog.askFileName(this, QStringLiteral("Load a keyword list"),
                                      QStringLiteral("Keyword lists (*.txt *.csv);;All files (*)"));
    if (fileName.isEmpty())
        return;
    const search::KeywordList list = ReadKeywordListFile(fileName);
    if (!list.refusal.isEmpty()) {
        say(lblKeywordSummary, list.refusal); // the box keeps what it had
        return;
    }
    m_settingText = true;
    memKeywords->setPlainText(QString::fromUtf8(list.keywords.join('\n')));
    m_settingText = false;
    m_loadedFile = fileName;
    showKeywordList(list);
    // A name the user typed stays; one taken from an earlier file follows the new one.
    if (!edtListName->isModified())
        edtListName->setText(ListName(fileName, list.keywords));
    setState(m_state);
}

void TfrmKeywordList::btnStartClick() {
    if (m_state != ListRunState::Idle)
        return;
    fieldsEdited();
    const search::KeywordList list = search::ReadKeywordList(memKeywords->toPlainText().toUtf8());
    const ListFormCheck check =
        CheckListForm({edtCountry->text(), edtLanguage->text(), spnPauseMin->value(), spnPauseMax->value()});
    if (list.keywords.isEmpty() || !check.ok())
        return;
    QString name = edtListName->text().trimmed();
    if (name.isEmpty())
        name = ListName(m_loadedFile, list.keywords);
    QString why;
    if (!makeRunner(check, cmbDevice->currentIndex(), &why)) {
        say(lblDeviceError, why);
        return;
    }
    resetProgress(int(list.keywords.size()));
    setState(ListRunState::Running);
    if (!m_runner->start(name, list.keywords))
        setState(ListRunState::Idle);
}

std::unique_ptr<search::SearchFetcher> TfrmKeywordList::makeFetcher(search::Device device, QString* why) {
    if (device == search::Device::Phone) {
        if (!m_host.phonePages) {
            *why = QStringLiteral("A phone's search needs the web engine, which this copy of Velmora could "
                                  "not load; choose Desktop.");
            return nullptr;
        }
        search::EngineFetchSettings phone = m_host.enginePages;
        phone.pages = m_host.phonePages;
        return std::make_unique<search::EnginePageFetcher>(std::move(phone));
    }
    // As a single search does: the plain download, and the web engine when the page asks for it.
    if (m_host.enginePages.pages)
        return std::make_unique<search::EnginePageFetcher>(m_host.enginePages, m_download);
    return std::make_unique<search::DownloadFetcher>(*m_download);
}

bool TfrmKeywordList::makeRunner(const ListFormCheck& check, int device, QString* why) {
    using Runner = history::KeywordRunner;
    const search::Device asked = device == DevicePhone ? search::Device::Phone : search::Device::Desktop;
    std::unique_ptr<search::SearchFetcher> fetcher = makeFetcher(asked, why);
    if (!fetcher)
        return false;
    delete m_runner;
    m_runner = nullptr;
    m_fetcher = std::move(fetcher);
    m_runner = new Runner({m_host.searchUrlPrefix, check.market, asked, check.pause}, *m_fetcher,
                          m_host.random, m_host.store(), {}, this);
    connect(m_runner, &Runner::userNeeded, this, handler(&TfrmKeywordList::runnerUserNeeded));
    connect(m_runner, &Runner::rowsMarked, this, [this](const QList<history::AdMark>& marks) {
        if (m_host.rowsMarked)
            runGuarded(m_host.reporter, [&] { m_host.rowsMarked(marks); });
    });
    connect(m_runner, &Runner::keywordStarted, this, handler(&TfrmKeywordList::runnerKeywordStarted));
    connect(m_runner, &Runner::rowsRead, this, handler(&TfrmKeywordList::runnerRowsRead));
    connect(m_runner, &Runner::keywordFinished, this, handler(&TfrmKeywordList::runnerKeywordFinished));
    connect(m_runner, &Runner::historyNotWritten, this,
            [this](const QString& sentence) { say(lblListStatus, sentence); });
    connect(m_runner, &Runner::finished, this, handler(&TfrmKeywordList::runnerFinished));
    return true;
}

void TfrmKeywordList::resetProgress(int count) {
    m_done = 0;
    m_keyword.clear();
    prgList->setRange(0, count);
    prgList->setValue(0);
    say(lblListStatus, {});
}

void TfrmKeywordList::btnPauseClick() {
    if (m_state == ListRunState::Running && m_runner)
        m_runner->pause(); // the search under way ends first; finished(Paused) follows
}

void TfrmKeywordList::btnResumeClick() {
    if (m_state != ListRunState::Paused || !m_runner)
        return;
    say(lblListStatus, {});
    setState(ListRunState::Running);
    if (!m_runner->resume())
        setState(ListRunState::Paused);
}

void TfrmKeywordList::btnStopClick() {
    stopRun();
}

void TfrmKeywordList::btnResumeListClick() {
    if (m_offers.isEmpty() || m_state != ListRunState::Idle)
        return;
    resumeStoredList(m_offers.first().name);
}

void TfrmKeywordList::stopRun() {
    if (m_state == ListRunState::Idle || !m_runner)
        return;
    closeConsentWindow();
    if (m_runner->isRunning()) {
        m_runner->stop(); // finished(Stopped) comes before it returns
    } else {
        setState(ListRunState::Idle);
        say(lblListStatus,
            QStringLiteral("The list is stopped at %1 of %2.").arg(m_done).arg(m_runner->keywordCount()));
        showProgress();
    }
}

void TfrmKeywordList::storeChanging() {
    if (m_state == ListRunState::Idle)
        return;
    stopRun();
    // The runner holds the old store: it goes with it.
    delete m_runner;
    m_runner = nullptr;
    say(lblListStatus, QStringLiteral("The list is stopped: the history it is written to was changed."));
}

void TfrmKeywordList::refreshOffers() {
    m_offers = UnfinishedListOffers(m_host.store);
    const bool offered = !m_offers.isEmpty();
    lblResumeOffer->setText(offered ? m_offers.first().text : QString());
    lblResumeOffer->setVisible(offered);
    btnResumeList->setVisible(offered);
}

void TfrmKeywordList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_state == ListRunState::Idle)
        runGuarded(m_host.reporter, [this] { refreshOffers(); });
}

void TfrmKeywordList::keyPressEvent(QKeyEvent* event) {
    // Escape hides the window as its close button does; a run goes on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmKeywordList::runnerKeywordStarted(int index, int count, const QByteArray& keyword) {
    m_done = index;
    m_keyword = keyword;
    prgList->setRange(0, count);
    showProgress();
}

void TfrmKeywordList::runnerRowsRead(const QList<search::AdRow>& rows) {
    if (m_host.rowsArrived)
        m_host.rowsArrived(rows);
}

void TfrmKeywordList::runnerKeywordFinished(int, bool ok, const QString& why) {
    closeConsentWindow();
    m_done = m_runner->doneCount();
    if (!ok)
        say(lblListStatus, QStringLiteral("%1: %2").arg(QString::fromUtf8(m_keyword), why));
    showProgress();
}

void TfrmKeywordList::runnerFinished(history::KeywordRunner::End end) {
    using End = history::KeywordRunner::End;
    closeConsentWindow();
    m_done = m_runner->doneCount();
    const bool pausedByUser = m_pausing;
    m_pausing = false;
    switch (end) {
    case End::AllDone:
        setState(ListRunState::Idle);
        say(lblListStatus, QStringLiteral("The list is done."));
        break;
    case End::SomeFailed:
        setState(ListRunState::Idle);
        say(lblListStatus, FailedSentence(m_runner->failedKeywords()));
        break;
    case End::PausedAfterFailures:
        setState(ListRunState::Paused);
        say(lblListStatus, m_runner->sentence());
        break;
    case End::StoppedAtVerdict:
        setState(ListRunState::Paused);
        say(lblListStatus, m_runner->sentence() + QStringLiteral(" The list is paused; Resume asks again."));
        break;
    case End::Paused:
        setState(ListRunState::Paused);
        say(lblListStatus, QStringLiteral("The list is paused."));
        break;
    case End::Stopped:
        setState(pausedByUser ? ListRunState::Paused : ListRunState::Idle);
        say(lblListStatus, pausedByUser ? QStringLiteral("The list is paused.")
                                        : QStringLiteral("The list is stopped at %1 of %2.")
                                              .arg(m_done)
                                              .arg(m_runner->keywordCount()));
        break;
    }
    m_keyword.clear();
    showProgress();
}

void TfrmKeywordList::runnerUserNeeded(search::PageVerdict verdict, search::OffscreenPage* page) {
    closeConsentWindow();
    const QString sentence = search::UserCheckSentence(verdict);
    say(lblListStatus, QStringLiteral("The list waits: %1").arg(sentence));
    m_consentWindow = new ConsentWindow(*page, sentence, this);
    connect(m_consentWindow, &ConsentWindow::closedByUser, this,
            guarded(m_host.reporter, [this] { consentWindowClosed(); }));
    m_consentWindow->show();
    m_consentWindow->activateWindow();
}

void TfrmKeywordList::consentWindowClosed() {
    // Not answered: the run pauses at that keyword, and Resume asks again.
    m_consentWindow->disconnect(this);
    m_consentWindow->deleteLater(); // this runs inside its own close event
    m_consentWindow = nullptr;
    pauseRunner();
    say(lblListStatus, QStringLiteral("The list is paused: the search engine's question was not answered. "
                                      "Resume asks again."));
}

void TfrmKeywordList::closeConsentWindow() {
    if (!m_consentWindow)
        return;
    m_consentWindow->disconnect(this);
    m_consentWindow->hide();
    m_consentWindow->deleteLater();
    m_consentWindow = nullptr;
}

void TfrmKeywordList::showProgress() {
    const int total = m_runner ? m_runner->keywordCount() : 0;
    prgList->setValue(std::min(m_done, prgList->maximum()));
    const bool searching = m_state == ListRunState::Running && !m_keyword.isEmpty();
    const std::optional<qint64> left =
        m_runner && m_state == ListRunState::Running ? m_runner->msLeft() : std::nullopt;
    lblProgress->setText(history::ProgressLine(searching ? m_done + 1 : m_done, total, m_keyword,
                                               m_runner ? m_runner->adsSoFar() : 0, left));
    if (m_host.progressChanged)
        m_host.progressChanged(m_state == ListRunState::Idle ? QString() : lblProgress->text());
}

void TfrmKeywordList::pauseRunner() {
    // The question left unanswered: the fetch that waits for the user would never end, so the
    // run stops at that keyword (it goes back to the list) and Resume asks again.
    if (!m_runner || !m_runner->isRunning())
        return;
    m_pausing = true;
    m_runner->stop();
}

void TfrmKeywordList::resumeStoredList(const QString& name) {
    // Market and pause come from the stored list; its device decides the page fetcher.
    QString why;
    history::HistoryStore* store = m_host.store();
    const std::optional<history::StoredList> stored =
        store ? history::ListStore(*store).find(name, &why) : std::nullopt;
    const int device = stored && stored->device == search::Device::Phone ? DevicePhone : DeviceDesktop;
    if (!makeRunner(CheckListForm({}), device, &why)) {
        say(lblListStatus, why);
        return;
    }
    resetProgress(0);
    setState(ListRunState::Running);
    if (!m_runner->resumeList(name)) {
        setState(ListRunState::Idle);
        say(lblListStatus,
            QStringLiteral("The list '%1' could not be resumed: %2").arg(name, m_runner->sentence()));
        return;
    }
    prgList->setRange(0, m_runner->keywordCount());
    showProgress();
}

} // namespace velmora::app
