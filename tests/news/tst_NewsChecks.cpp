#include "news/NewsChecks.h"

#include <QTest>

using velmora::news::NewsChecks;
using velmora::news::UpdateOffer;

class tst_NewsChecks : public QObject {
    Q_OBJECT

    struct Run {
        QList<std::function<void(const UpdateOffer&)>> fetches;
        QList<bool> answers; // silent, one per answered check
        NewsChecks checks{[this](auto handler) { fetches.append(std::move(handler)); },
                          [this](const UpdateOffer&, bool silent) { answers.append(silent); }};
    };

private slots:
    void oneCheckAnswersEveryRequest_data() {
        QTest::addColumn<QList<bool>>("requests"); // silent, in order, all before the answer
        QTest::addColumn<bool>("answeredSilent");
        QTest::newRow("start-up check alone") << QList<bool>{true} << true;
        QTest::newRow("button alone") << QList<bool>{false} << false;
        QTest::newRow("click during the silent check gets its answer") << QList<bool>{true, false} << false;
        QTest::newRow("start-up check during a click stays heard") << QList<bool>{false, true} << false;
    }
    void oneCheckAnswersEveryRequest() {
        QFETCH(QList<bool>, requests);
        QFETCH(bool, answeredSilent);
        Run run;
        for (bool silent : requests) {
            run.checks.check(silent);
            QVERIFY(run.checks.updateCheckRunning());
        }
        QCOMPARE(run.fetches.size(), 1);
        QCOMPARE(run.checks.updateCheckAnnounced(), !answeredSilent);
        run.fetches.first()(UpdateOffer{});
        QCOMPARE(run.answers, QList<bool>{answeredSilent});
        QVERIFY(!run.checks.updateCheckRunning());
        QVERIFY(!run.checks.updateCheckAnnounced());

        // The next request starts a check of its own, with its own mode.
        run.checks.check(true);
        QCOMPARE(run.fetches.size(), 2);
        run.fetches.last()(UpdateOffer{});
        QCOMPARE(run.answers, (QList<bool>{answeredSilent, true}));
    }

    void oneNewsListAtATime() {
        Run run;
        QVERIFY(run.checks.startNewsList());
        QVERIFY(!run.checks.startNewsList());
        QVERIFY(run.checks.newsListRunning());
        // The update check goes its own way meanwhile.
        run.checks.check(false);
        QCOMPARE(run.fetches.size(), 1);
        run.checks.newsListFinished();
        QVERIFY(run.checks.startNewsList());
    }
};

QTEST_GUILESS_MAIN(tst_NewsChecks)
#include "tst_NewsChecks.moc"
