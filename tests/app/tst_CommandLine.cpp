// The program's command line, answered before any window system opens.

#include "app/CommandLine.h"

#include <QTest>

using namespace velmora::app;

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void TestCommandLine::answers_data() {
    QTest::addColumn<QStringList>("arguments"); // after the program's name
    QTest::addColumn<int>("exitStatus");        // -1: the program starts
    QTest::addColumn<QString>("outputStart");
    QTest::addColumn<QString>("errorStart");

    const QString usage = QStringLiteral("usage: velmora [--help] [--version]\n");
    QTest::newRow("none: starts") << QStringList() << -1 << QString() << QString();
    QTest::newRow("Qt's window-system options pass")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse")}
        << -1 << QString() << QString();
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0
                               << QStringLiteral("velmora 2.0\n") << QString();
    QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << 0 << QStringLiteral("velmora 2.0\n")
                        << QString();
    QTest::newRow("--help wins over --version")
        << QStringList{QStringLiteral("--version"), QStringLiteral("--help")} << 0
        << QStringLiteral("Usage: velmora [OPTIONS]\n") << QString();
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0
                        << QStringLiteral("Usage: velmora [OPTIONS]\n") << QString();
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << 2 << QString()
                                    << QStringLiteral("velmora: Unknown option 'bogus'.\n") + usage;
    QTest::newRow("an argument") << QStringList{QStringLiteral("keyword")} << 2 << QString()
                                 << QStringLiteral("velmora: unexpected argument \"keyword\"\n") + usage;
    QTest::newRow("option without its value")
        << QStringList{QStringLiteral("-platform")} << 2 << QString()
        << QStringLiteral("velmora: Missing value after '-platform'.\n") + usage;
}

void TestCommandLine::answers() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitStatus);
    QFETCH(QString, outputStart);
    QFETCH(QString, errorStart);

    const CommandLineAnswer answer = AnswerCommandLine(QStringList{QStringLiteral("velmora")} + arguments);
    QCOMPARE(answer.exitStatus.value_or(-1), exitStatus);
    QVERIFY2(answer.output.startsWith(outputStart) && answer.output.isEmpty() == outputStart.isEmpty(),
             qPrintable(answer.output));
    QCOMPARE(answer.error, errorStart);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
