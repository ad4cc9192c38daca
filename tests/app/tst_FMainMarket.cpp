// The market and device of single searches in the main window: chosen in the Market popup
// (Ctrl+M), they reach the search address (gl, hl), take a phone's search into the web engine
// as the phone, are stored with the search in the history, and are there again after a restart.

#include "SearchWindowFixture.h"
#include "StandInEnginePage.h"

#include "history/HistoryStore.h"

#include <QComboBox>
#include <QSettings>
#include <QSqlQuery>
#include <QToolButton>

using namespace velmora;
using namespace velmora::testing;

namespace {

struct MarketWindow {
    SearchWindow w;
    QList<QUrl> phoneAsked;

    explicit MarketWindow(QSettings& settings) {
        app::MainWindowServices services =
            w.f.services(w.dir.path(), w.server.url(), {}, "http://127.0.0.1:9/liveupdate/velmora/");
        services.phonePages = StandInResultsPages(QStringLiteral("Phone ad"), &phoneAsked);
        services.userSettings = &settings;
        w.f.window = std::make_unique<app::TfrmMain>(app::BrandSettings{}, std::move(services));
    }
    template <class W> W* find(const char* name) const { return w.f.find<W>(name); }
};

} // namespace

class TestFMainMarket : public QObject {
    Q_OBJECT

private slots:
    void choiceReachesAddressAndHistory_data();
    void choiceReachesAddressAndHistory();
};

void TestFMainMarket::choiceReachesAddressAndHistory_data() {
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("device"); // the popup's row: 0 desktop, 1 phone
    QTest::addColumn<QByteArray>("target");
    // market|device|load method|the ad's place: the engine's page holds its ad below the results,
    // the stand-in phone page is of the classic layout, which does not say
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("button");

    QTest::newRow("none: the address as ever")
        << ""
        << "" << 0 << QByteArray("/search?q=red+shoes") << "|desktop|download|bottom"
        << "";
    QTest::newRow("country and language, any case")
        << "DE"
        << "en" << 0 << QByteArray("/search?q=red+shoes&gl=de&hl=en") << "de/en|desktop|download|bottom"
        << "de/en";
    QTest::newRow("country alone") << "fr"
                                   << "" << 0 << QByteArray("/search?q=red+shoes&gl=fr")
                                   << "fr/|desktop|download|bottom"
                                   << "fr/";
    QTest::newRow("no third letter") << "deu"
                                     << "en" << 0 << QByteArray("/search?q=red+shoes&gl=de&hl=en")
                                     << "de/en|desktop|download|bottom"
                                     << "de/en";
    QTest::newRow("one letter is no code yet")
        << "d"
        << "en" << 0 << QByteArray("/search?q=red+shoes&hl=en") << "/en|desktop|download|bottom"
        << "/en";
    QTest::newRow("phone, through the engine")
        << "de"
        << "en" << 1 << QByteArray("/search?q=red+shoes&gl=de&hl=en") << "de/en|phone|scripts|"
        << "de/en \u00B7 phone";
}

void TestFMainMarket::choiceReachesAddressAndHistory() {
    QFETCH(QString, country);
    QFETCH(QString, language);
    QFETCH(int, device);
    QFETCH(QByteArray, target);
    QFETCH(QString, stored);
    QFETCH(QString, button);

    QTemporaryDir home;
    const QString settingsFile = home.filePath(QStringLiteral("velmora.conf"));
    const QString historyFile = home.filePath(QStringLiteral("history.sqlite"));
    {
        QSettings settings(settingsFile, QSettings::IniFormat);
        MarketWindow m(settings);
        m.w.f.window->setHistoryStore(
            std::make_unique<history::HistoryStore>(history::ParseHistoryLocation(historyFile)));
        m.w.server.setReply("/search", [] {
            CannedReply reply;
            reply.body =
                "<div id=bottomads><div data-text-ad><span>Ad</span><a data-rw=/aclk?1><h3>Desk ad</h3>"
                "</a><cite>shop.example</cite><div>Click</div></div></div>";
            return reply;
        }());
        QVERIFY(m.w.show());
        auto* popup = m.find<QWidget>("frmMarket");
        QVERIFY(!popup->isVisible());
        QTest::keyClick(m.w.f.window.get(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(popup->isVisible());
        QTest::keyClicks(m.find<QLineEdit>("edtCountry"), country);
        QTest::keyClicks(m.find<QLineEdit>("edtLanguage"), language);
        m.find<QComboBox>("cmbDevice")->setCurrentIndex(device);
        QCOMPARE(m.find<QWidget>("lblMarketError")->isVisibleTo(popup), country.size() == 1);
        popup->hide();
        QCOMPARE(m.find<QToolButton>("btnMarket")->text(), button);

        m.w.search(QStringLiteral("red shoes"));
        QTRY_COMPARE(m.w.results().rowCount(), 1);
        if (device == 1) {
            QCOMPARE(m.phoneAsked.size(), 1);
            QCOMPARE(m.phoneAsked.first().toEncoded(), m.w.server.url() + target);
            QCOMPARE(m.w.server.requestCount(), 0);
        } else {
            QCOMPARE(m.phoneAsked.size(), 0);
            QCOMPARE(m.w.server.requests().first().target, target);
        }
        QSqlQuery query(m.w.f.window->openedHistory()->database());
        QVERIFY(
            query.exec(QStringLiteral("SELECT market || '|' || device || '|' || load_method || '|' || block"
                                      " FROM searches JOIN sightings ON search_id = searches.id")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), stored);
    }
    // The program started again on the same settings file chooses the same.
    QSettings settings(settingsFile, QSettings::IniFormat);
    MarketWindow again(settings);
    QCOMPARE(again.find<QToolButton>("btnMarket")->text(), button);
    QCOMPARE(again.find<QComboBox>("cmbDevice")->currentIndex(), device);
    QCOMPARE(again.w.f.window->device(), device == 1 ? search::Device::Phone : search::Device::Desktop);
}

QTEST_MAIN(TestFMainMarket)
#include "tst_FMainMarket.moc"
