// The application-wide error reporter: guarded handlers, the notify() net, the dialog.

#include "AppFakes.h"
#include "app/ErrorReporter.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

using velmora::app::DialogErrorReporter;
using velmora::app::guarded;
using velmora::testing::RecordingReporter;

namespace {

// Filled by main(): the reporter behind the application object of this test program.
RecordingReporter* applicationReporter = nullptr;

// Throws from its own event handler on every user event.
class ThrowingReceiver final : public QObject {
public:
    int handled = 0;
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            ++handled;
            throw std::runtime_error("Event handler failed.");
        }
        return QObject::event(event);
    }
};

// Captures what is written to stderr while it lives.
class StderrCapture {
public:
    StderrCapture() {
        m_file.open();
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QByteArray text() {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

class TestErrorReporter : public QObject {
    Q_OBJECT

private slots:
    void init() { applicationReporter->messages.clear(); }
    void guardedHandler_data();
    void guardedHandler();
    void handlerRunsAgainAfterAFailure();
    void notifyCatchesWhatAHandlerLetsOut();
    void dialogShowsMessageAndWritesStderr();
};

void TestErrorReporter::guardedHandler_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("runtime_error") << 0 << QStringLiteral("Cannot open file \"dbsettings.sim\".");
    QTest::newRow("logic_error") << 1 << QStringLiteral("List index out of bounds (1)");
    QTest::newRow("not a std::exception") << 2 << QStringLiteral("An unknown error occurred.");
    QTest::newRow("no error") << 3 << QString();
}

void TestErrorReporter::guardedHandler() {
    QFETCH(int, kind);
    QFETCH(QString, message);
    RecordingReporter reporter;
    QPushButton button;
    bool restRan = false;
    auto work = [&] {
        if (kind == 0)
            throw std::runtime_error(message.toStdString());
        if (kind == 1)
            throw std::out_of_range(message.toStdString());
        if (kind == 2)
            throw 42;
    };
    connect(&button, &QPushButton::clicked, &button, guarded(reporter, [&] {
        work();
        restRan = true;
    }));
    button.click();
    QCOMPARE(reporter.messages, message.isNull() ? QStringList() : QStringList{message});
    QCOMPARE(restRan, message.isNull());
    QVERIFY(applicationReporter->messages.isEmpty());
}

void TestErrorReporter::handlerRunsAgainAfterAFailure() {
    RecordingReporter reporter;
    QTimer timer;
    int calls = 0;
    connect(&timer, &QTimer::timeout, &timer, guarded(reporter, [&] {
        if (++calls == 1)
            throw std::runtime_error("first call fails");
    }));
    timer.start(1);
    QTRY_VERIFY(calls >= 3);
    timer.stop();
    QCOMPARE(reporter.messages, QStringList{QStringLiteral("first call fails")});
}

void TestErrorReporter::notifyCatchesWhatAHandlerLetsOut() {
    ThrowingReceiver receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(receiver.handled, 2);
    QCOMPARE(applicationReporter->messages,
             (QStringList{QStringLiteral("Event handler failed."), QStringLiteral("Event handler failed.")}));

    // A slot without a guard, run by a timer: the net catches it, and the program goes on.
    bool after = false;
    QTimer::singleShot(0, this, [] { throw std::runtime_error("Unguarded slot failed."); });
    QTimer::singleShot(1, this, [&after] { after = true; });
    QTRY_VERIFY(after);
    QCOMPARE(applicationReporter->messages.size(), 3);
    QCOMPARE(applicationReporter->messages.last(), QStringLiteral("Unguarded slot failed."));
}

void TestErrorReporter::dialogShowsMessageAndWritesStderr() {
    DialogErrorReporter reporter;
    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    int dialogs = 0;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        ++dialogs;
        shownText = box->text();
        shownIcon = box->icon();
        // A second error while the first is on screen goes to stderr only.
        reporter.report(QStringLiteral("Second error."));
        box->button(QMessageBox::Ok)->click();
    });
    StderrCapture capture;
    reporter.report(QStringLiteral("Download file cannot be created."));
    const QByteArray written = capture.text();
    QCOMPARE(dialogs, 1);
    QCOMPARE(shownText, QStringLiteral("Download file cannot be created."));
    QCOMPARE(shownIcon, QMessageBox::Critical);
    QCOMPARE(written, QByteArray("Download file cannot be created.\nSecond error.\n"));
}

int main(int argc, char** argv) {
    RecordingReporter reporter;
    applicationReporter = &reporter;
    velmora::app::ReportingApplication application(argc, argv, reporter);
    TestErrorReporter test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ErrorReporter.moc"
