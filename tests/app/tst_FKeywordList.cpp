// The keyword-list window against a loopback engine: Ctrl+L opens it, a list's rows come into the
// main window's list in order, Pause, Resume and Stop are offered when they mean something, the run
// pauses by itself after three failures or at a captcha, bad market codes and a reversed pause are
// refused under their fields, keyword files are read in either encoding or refused, and the main
// page's controls stay where they were.

#include "SearchWindowFixture.h"
#include "TestSupport.h"

#include "app/FKeywordList.h"
#include "history/HistoryLocation.h"
#include "history/HistoryStore.h"
#include "history/ListStore.h"
#include "search/OffscreenPage.h"
#include "search/PageVerdict.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

using namespace velmora;
using namespace velmora::testing;

namespace {

// A classic results page with two ads naming the keyword.
QByteArray ResultsPage(const QByteArray& keyword) {
    return "<html><div><a id=an1 href=\"/x\">" + keyword + " deals</a> Cheap<cite>a.example</cite>" +
           "<a id=an2 href=\"/y\">" + keyword + " sale</a> Now<cite>b.example</cite></div></html>";
}

// A page that shows an empty view and loads nothing.
class BlankPage final : public search::OffscreenPage {
public:
    void setEvents(Events) override {}
    void load(const QUrl&) override {}
    bool isLoading() const override { return true; }
    QUrl url() const override { return {}; }
    void countDocumentChanges(std::function<void(qint64)> done) override { done(-1); }
    void markup(std::function<void(const QString&)> done) override { done({}); }
    QWidget* createView(QWidget* parent) override { return new QWidget(parent); }
};

QByteArray QueryOf(const RecordedRequest& request) {
    return request.target.mid(request.target.indexOf("q=") + 2);
}

// The main window with its list window, opened by Ctrl+L.
struct ListWindow {
    SearchWindow w;
    app::TfrmKeywordList* list = nullptr;

    bool open() {
        if (!w.show())
            return false;
        QTest::keyClick(w.f.window.get(), Qt::Key_L, Qt::ControlModifier);
        list = w.f.window->findChild<app::TfrmKeywordList*>();
        return list && list->isVisible();
    }
    template <class W = QWidget> W* find(const char* name) const {
        return list->findChild<W*>(QString::fromLatin1(name));
    }
    QString text(const char* label) const { return find<QLabel>(label)->text(); }
    void setList(const QString& keywords, int pauseMin, int pauseMax) {
        find<QPlainTextEdit>("memKeywords")->setPlainText(keywords);
        find<QSpinBox>("spnPauseMax")->setValue(pauseMax);
        find<QSpinBox>("spnPauseMin")->setValue(pauseMin);
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    // Start, Pause, Resume, Stop as "SPRT", a "-" for each one disabled.
    QString buttons() const {
        QString said;
        for (const auto& [name, letter] :
             {std::pair{"btnStart", u'S'}, {"btnPause", u'P'}, {"btnResume", u'R'}, {"btnStop", u'T'}})
            said += find<QPushButton>(name)->isEnabled() ? letter : u'-';
        return said;
    }
    int searches() const {
        int count = 0;
        for (const RecordedRequest& request : w.server.requests())
            count += request.path == "/search" ? 1 : 0;
        return count;
    }
};

} // namespace

class TestFKeywordList : public QObject {
    Q_OBJECT

private slots:
    void runsListIntoMainList();
    void buttonStates_data();
    void buttonStates();
    void pausesByItself_data();
    void pausesByItself();
    void consentWindowNotAnswered();
    void refusedFields_data();
    void refusedFields();
    void loadsFile_data();
    void loadsFile();
    void mainControlsKeepTheirPlaces();
    void resumesStoredList();
};

void TestFKeywordList::runsListIntoMainList() {
    ListWindow l;
    l.w.server.setResponder("/search", [](const RecordedRequest& r) {
        CannedReply reply;
        reply.body = ResultsPage(QByteArray::fromPercentEncoding(QueryOf(r).replace('+', ' ')));
        return reply;
    });
    QVERIFY(l.open());
    // Every field has its key: the pause's goes to its first box.
    QApplication::setActiveWindow(l.list);
    QVERIFY(QTest::qWaitForWindowActive(l.list));
    QTest::keyClick(l.list, Qt::Key_U, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), l.find("spnPauseMin"));
    l.setList(QStringLiteral("red shoes\n\nboots\nred shoes\nca\tp\n"), 0, 0);
    QCOMPARE(
        l.text("lblKeywordSummary"),
        QStringLiteral("3 keywords; 1 blank line and 1 repeat skipped; control characters removed from 1."));
    QCOMPARE(l.buttons(), QStringLiteral("S---"));
    l.click("btnStart");
    QTRY_COMPARE(l.text("lblListStatus"), QStringLiteral("The list is done."));

    QCOMPARE(l.w.column(3), (QList<QByteArray>{"red shoes", "red shoes", "boots", "boots", "cap", "cap"}));
    QCOMPARE(l.w.column(4), (QList<QByteArray>{"1", "2", "1", "2", "1", "2"}));
    QCOMPARE(l.w.column(0), (QList<QByteArray>{"red shoes deals", "red shoes sale", "boots deals",
                                               "boots sale", "cap deals", "cap sale"}));
    QCOMPARE(l.searches(), 3);
    QCOMPARE(l.find<QProgressBar>("prgList")->value(), 3);
    QCOMPARE(l.find<QProgressBar>("prgList")->maximum(), 3);
    QCOMPARE(l.text("lblProgress"), QStringLiteral("3 of 3 \u00B7 6 ads so far"));
    QCOMPARE(l.buttons(), QStringLiteral("S---"));

    // The main window's own search still works and adds to the same list.
    l.w.search(QStringLiteral("hat"));
    QTRY_COMPARE(l.w.results().rowCount(), 8);
    QCOMPARE(l.w.column(3).last(), QByteArray("hat"));
}

void TestFKeywordList::buttonStates_data() {
    // Steps after Start (with the first keyword searched and the long pause before the next one
    // begun): p Pause, r Resume, t Stop, c closing the window, h the history replaced.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("searches");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("visible");

    QTest::newRow("running") << ""
                             << "-P-T" << 1 << "" << true;
    QTest::newRow("paused") << "p"
                            << "--RT" << 1 << "The list is paused." << true;
    QTest::newRow("resumed with the next keyword") << "pr"
                                                   << "-P-T" << 2 << "" << true;
    QTest::newRow("stopped while paused") << "pt"
                                          << "S---" << 1 << "The list is stopped at 1 of 3." << true;
    QTest::newRow("stopped") << "t"
                             << "S---" << 1 << "The list is stopped at 1 of 3." << true;
    QTest::newRow("history replaced")
        << "h"
        << "S---" << 1 << "The list is stopped: the history it is written to was changed." << true;
    QTest::newRow("closed window keeps running") << "c"
                                                 << "-P-T" << 1 << "" << false;
}

void TestFKeywordList::buttonStates() {
    QFETCH(QString, steps);
    QFETCH(QString, buttons);
    QFETCH(int, searches);
    QFETCH(QString, status);
    QFETCH(bool, visible);

    ListWindow l;
    l.w.server.setResponder("/search", [](const RecordedRequest& r) {
        CannedReply reply;
        reply.body = ResultsPage(QueryOf(r));
        return reply;
    });
    QVERIFY(l.open());
    l.setList(QStringLiteral("k0\nk1\nk2"), 600, 600);
    l.click("btnStart");
    QTRY_COMPARE(l.w.results().rowCount(), 2);
    for (const QChar step : steps) {
        if (step == u'p')
            l.click("btnPause");
        else if (step == u'r')
            l.click("btnResume");
        else if (step == u't')
            l.click("btnStop");
        else if (step == u'c')
            l.list->close();
        else if (step == u'h')
            l.w.f.window->setHistoryStore(nullptr);
    }
    QTRY_COMPARE(l.w.results().rowCount(), 2 * searches);
    QCOMPARE(l.buttons(), buttons);
    QCOMPARE(l.searches(), searches);
    QCOMPARE(l.w.column(3).last(), QByteArray("k") + QByteArray::number(searches - 1));
    QCOMPARE(l.text("lblListStatus"), status);
    QCOMPARE(l.list->isVisible(), visible);
    // The list button tells how far a run is, also with the window closed.
    QCOMPARE(l.w.f.find("btnKeywordList")->toolTip().contains(QStringLiteral("%1 of 3").arg(searches)),
             buttons != QLatin1String("S---"));
    // The fields can be changed only while no list runs.
    QCOMPARE(l.find<QPlainTextEdit>("memKeywords")->isEnabled(), buttons.startsWith(u'S'));

    // Quitting the program ends a run that goes on.
    l.w.f.window->close();
    QCOMPARE(l.list->state() == app::ListRunState::Running, false);
}

void TestFKeywordList::pausesByItself_data() {
    // What the engine answers to each keyword, in list order: 'a' results, 'f' a server error,
    // 'c' a redirect to its captcha page.
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("searches");

    QTest::newRow("three failures") << QByteArray("afffa")
                                    << "The list is paused: 3 searches in a row failed, the last with"
                                    << "--RT" << 4;
    QTest::newRow("captcha") << QByteArray("aca") << "The list is paused; Resume asks again."
                             << "--RT" << 2;
    QTest::newRow("one failure goes on") << QByteArray("faa") << "The list is done; 1 keyword failed: k0."
                                         << "S---" << 3;
}

void TestFKeywordList::pausesByItself() {
    QFETCH(QByteArray, answers);
    QFETCH(QString, status);
    QFETCH(QString, buttons);
    QFETCH(int, searches);

    ListWindow l;
    l.w.server.setResponder("/search", [answers](const RecordedRequest& r) {
        const QByteArray keyword = QueryOf(r);
        CannedReply reply;
        reply.body = ResultsPage(keyword);
        const char answer = answers.at(keyword.mid(1).toInt());
        if (answer == 'f') {
            reply.status = 500;
        } else if (answer == 'c') {
            reply.status = 302;
            reply.headers = {{"Location", "/sorry/index"}};
        }
        return reply;
    });
    CannedReply captcha;
    captcha.body = "<form id=captcha-form></form>";
    l.w.server.setReply("/sorry/index", captcha);
    QVERIFY(l.open());
    QStringList keywords;
    for (int i = 0; i < answers.size(); ++i)
        keywords << QStringLiteral("k%1").arg(i);
    l.setList(keywords.join(u'\n'), 0, 0);
    l.click("btnStart");
    QTRY_COMPARE(l.buttons(), buttons);
    QVERIFY2(l.text("lblListStatus").startsWith(status) || l.text("lblListStatus").endsWith(status),
             qPrintable(l.text("lblListStatus")));
    QCOMPARE(l.searches(), searches);
}

void TestFKeywordList::consentWindowNotAnswered() {
    ListWindow l;
    l.w.server.setResponder("/search", [](const RecordedRequest& r) {
        CannedReply reply;
        reply.body = ResultsPage(QueryOf(r));
        return reply;
    });
    QVERIFY(l.open());
    l.setList(QStringLiteral("k0\nk1\nk2"), 600, 600);
    l.click("btnStart");
    QTRY_COMPARE(l.w.results().rowCount(), 2);

    // The engine asks while the run goes on: the page is shown to the user, the run waits.
    BlankPage page;
    l.list->runnerUserNeeded(search::PageVerdict::CaptchaPage, &page);
    auto* consent = l.list->findChild<QWidget*>(QStringLiteral("consentWindow"));
    QVERIFY(consent && consent->isVisible());
    QCOMPARE(l.text("lblListStatus"),
             QStringLiteral(
                 "The list waits: The search engine asks you to solve a captcha before it shows results."));
    QCOMPARE(l.buttons(), QStringLiteral("-P-T"));

    // Closed without an answer: the run pauses, and goes on when resumed.
    consent->close();
    QCOMPARE(l.buttons(), QStringLiteral("--RT"));
    QVERIFY(l.text("lblListStatus")
                .startsWith(QStringLiteral("The list is paused: the search engine's question")));
    l.click("btnResume");
    QTRY_COMPARE(l.w.results().rowCount(), 4);
    QCOMPARE(l.buttons(), QStringLiteral("-P-T"));
}

void TestFKeywordList::refusedFields_data() {
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("pauseMin");
    QTest::addColumn<int>("pauseMax");
    QTest::addColumn<QString>("field"); // the label that says why; empty: the list runs
    QTest::addColumn<QString>("sentence");

    QTest::newRow("country of three letters") << "deu"
                                              << "en" << 0 << 0 << "lblCountryError"
                                              << "The country must be two letters, such as de: \"deu\".";
    QTest::newRow("language with a digit") << "de"
                                           << "e1" << 0 << 0 << "lblLanguageError"
                                           << "The language must be two letters, such as en: \"e1\".";
    QTest::newRow("reversed pause") << ""
                                    << "" << 40 << 20 << "lblPauseError"
                                    << "The shortest pause (40 s) is longer than the longest (20 s).";
    QTest::newRow("market in any case") << "DE"
                                        << "En" << 0 << 0 << ""
                                        << "";
}

void TestFKeywordList::refusedFields() {
    QFETCH(QString, country);
    QFETCH(QString, language);
    QFETCH(int, pauseMin);
    QFETCH(int, pauseMax);
    QFETCH(QString, field);
    QFETCH(QString, sentence);

    ListWindow l;
    l.w.server.setResponder("/search", [](const RecordedRequest& r) {
        CannedReply reply;
        reply.body = ResultsPage(QueryOf(r));
        return reply;
    });
    QVERIFY(l.open());
    l.setList(QStringLiteral("shoes"), pauseMin, pauseMax);
    QTest::keyClicks(l.find<QLineEdit>("edtCountry"), country);
    QTest::keyClicks(l.find<QLineEdit>("edtLanguage"), language);
    l.click("btnStart");
    for (const char* label : {"lblCountryError", "lblLanguageError", "lblPauseError"}) {
        const bool said = field == QLatin1String(label);
        QCOMPARE(l.find<QLabel>(label)->isVisible(), said);
        QCOMPARE(l.text(label), said ? sentence : QString());
    }
    if (field.isEmpty()) {
        QTRY_COMPARE(l.text("lblListStatus"), QStringLiteral("The list is done."));
        QCOMPARE(l.w.server.requests().at(0).target, QByteArray("/search?q=shoes&gl=de&hl=en"));
    } else {
        QCOMPARE(l.buttons(), QStringLiteral("S---"));
        QTest::qWait(50);
        QCOMPARE(l.searches(), 0);
    }
}

void TestFKeywordList::loadsFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("keywords"); // the box after loading; it had "old" before
    QTest::addColumn<QString>("summary");  // %1: the file's path

    QTest::newRow("UTF-8, CR LF") << QByteArray("red shoes\r\nboots\r\n\r\nboots\r\n") << "red shoes\nboots"
                                  << "2 keywords; 1 blank line and 1 repeat skipped.";
    QTest::newRow("Windows-1252") << QByteArray("caf\xe9\nna\xefve\n") << "caf\u00e9\nna\u00efve"
                                  << "2 keywords; read as Windows-1252, since it is not UTF-8.";
    QTest::newRow("UTF-16 refused") << QByteArray("\xff\xfer\0e\0d\0\n\0", 10) << "old"
                                    << "%1: The keyword list is UTF-16 text, which Velmora does not read; "
                                       "save it as UTF-8 and try again.";
    QTest::newRow("too large") << QByteArray((16 << 20) + 1, 'a') << "old"
                               << "%1 is larger than 16 MiB, too large for a keyword list.";
}

void TestFKeywordList::loadsFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, keywords);
    QFETCH(QString, summary);

    ListWindow l;
    QVERIFY(l.open());
    l.setList(QStringLiteral("old"), 0, 0);
    const QString file = l.w.dir.filePath(QStringLiteral("shoes.csv"));
    writeFileForTest(file, bytes);
    l.w.f.openDialog.answers = {file};
    l.click("btnLoad");
    QCOMPARE(l.find<QPlainTextEdit>("memKeywords")->toPlainText(), keywords);
    QCOMPARE(l.text("lblKeywordSummary"),
             summary.contains(QLatin1String("%1")) ? summary.arg(QDir::toNativeSeparators(file)) : summary);
    QCOMPARE(l.find<QLineEdit>("edtListName")->text(),
             keywords == "old" ? QString() : QStringLiteral("shoes"));
}

void TestFKeywordList::mainControlsKeepTheirPlaces() {
    ListWindow l;
    l.w.server.setResponder("/search", [](const RecordedRequest& r) {
        CannedReply reply;
        reply.body = ResultsPage(QueryOf(r));
        return reply;
    });
    QVERIFY(l.w.show());
    QWidget* page = l.w.f.find("stsMain");
    QMap<QString, QRect> before;
    // The design's controls; the list's scroll bars come and go with its rows.
    for (const QWidget* widget : page->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
            !name.startsWith(QLatin1String("bsSkinScrollBar")))
            before.insert(name, widget->geometry());
    }
    QVERIFY(before.contains(QStringLiteral("btnSearch")));

    QTest::mouseClick(l.w.f.find<QToolButton>("btnKeywordList"), Qt::LeftButton);
    l.list = l.w.f.window->findChild<app::TfrmKeywordList*>();
    QVERIFY(l.list && l.list->isVisible());
    l.setList(QStringLiteral("shoes"), 0, 0);
    l.click("btnStart");
    QTRY_COMPARE(l.w.results().rowCount(), 2);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(page->findChild<QWidget*>(it.key())->geometry(), it.value());

    // In the status bar: after History, before the gauge, which keeps the right end.
    const QRect history = l.w.f.find("btnHistory")->geometry();
    const QRect button = l.w.f.find("btnKeywordList")->geometry();
    const QRect gauge = l.w.f.find("MainGauge")->geometry();
    const QRect status = l.w.f.find("MainStatusPanel")->geometry();
    QVERIFY(status.right() < history.left());
    QVERIFY(history.right() < button.left());
    QVERIFY(button.right() < gauge.left());
    QCOMPARE(gauge.width(), 130);
}

// A list left behind by a program that went down in its first search: the main window offers it
// at start, the list window offers it too, and resuming searches every keyword once, with the
// list's own market, the one in flight included.
void TestFKeywordList::resumesStoredList() {
    ListWindow l;
    l.w.server.setResponder("/search", [](const RecordedRequest& r) {
        CannedReply reply;
        reply.body = ResultsPage(QueryOf(r).left(2));
        return reply;
    });
    const QString file = l.w.dir.filePath(QStringLiteral("history.sqlite"));
    {
        history::HistoryStore store(history::ParseHistoryLocation(file));
        history::ListStore lists(store);
        QString why;
        const std::optional<history::StoredList> list = lists.create(
            QStringLiteral("shoes"), {"k1", "k2", "k3"}, {"de", ""}, search::Device::Desktop, {0, 0}, &why);
        QVERIFY2(list, qPrintable(why));
        // Leased by a process of this machine that runs no more.
        const QString dead =
            history::ListStore::ThisWorker().section(u'/', 0, 0) + QStringLiteral("/4194302");
        QVERIFY(lists.take(*list, dead, 3'600'000, &why));
    }
    l.w.f.window->setHistoryStore(
        std::make_unique<history::HistoryStore>(history::ParseHistoryLocation(file)));
    QVERIFY(l.open());
    const QString offer = QStringLiteral("Resume the list 'shoes' (3 of 3 left)");
    QCOMPARE(l.w.status()->text(), offer + QStringLiteral(" (Ctrl+L)"));
    QCOMPARE(l.text("lblResumeOffer"), offer);
    QApplication::setActiveWindow(l.list);
    QVERIFY(QTest::qWaitForWindowActive(l.list));
    QTest::keyClick(l.list, Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(l.text("lblListStatus"), QStringLiteral("The list is done."));
    QVERIFY(l.w.status()->text().isEmpty()); // the offer is gone with the run
    QVERIFY(!l.find("lblResumeOffer")->isVisible());
    QCOMPARE(l.w.column(3), (QList<QByteArray>{"k1", "k1", "k2", "k2", "k3", "k3"}));
    // Each row carries the history's mark, as a single search's rows do.
    for (int row = 0; row < 6; ++row) {
        const QModelIndex index = l.w.results().index(row, 0);
        QVERIFY(index.data(search::ResultsModel::IsNewRole).toBool());
        QCOMPARE(index.data(Qt::ToolTipRole).toString(), QStringLiteral("First seen now"));
    }
    QStringList asked;
    for (const RecordedRequest& request : l.w.server.requests())
        asked << QString::fromLatin1(request.target);
    QCOMPARE(asked, (QStringList{"/search?q=k1&gl=de", "/search?q=k2&gl=de", "/search?q=k3&gl=de"}));
}

QTEST_MAIN(TestFKeywordList)
#include "tst_FKeywordList.moc"
