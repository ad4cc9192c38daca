#pragma once

#include "LoopbackServer.h"
#include "MainWindowFixture.h"
#include "app/Gauge.h"
#include "search/ResultsModel.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace velmora::testing {

// A window whose searches go to a loopback server and whose downloads use their own folder.
struct SearchWindow {
    QTemporaryDir dir;
    LoopbackServer server;
    MainWindowFixture f;

    explicit SearchWindow(const QString& applicationDir = {}, const QByteArray& searchBase = {},
                          search::EngineFetchSettings enginePages = {})
        : f({}, applicationDir.isEmpty() ? dir.path() : applicationDir,
            searchBase.isEmpty() ? server.url() : searchBase, {}, "http://127.0.0.1:9/liveupdate/velmora/",
            std::move(enginePages)) {}

    QLabel* status() const { return f.find<QLabel>("MainStatusPanel"); }
    velmora::app::Gauge* gauge() const { return f.find<velmora::app::Gauge>("MainGauge"); }
    QLineEdit* keyword() const { return f.find<QLineEdit>("edtKeyword"); }
    velmora::search::ResultsModel& results() const { return f.window->results(); }
    QStringList leftovers() const {
        return QDir(dir.path()).entryList({QStringLiteral("test*.html")}, QDir::Files);
    }
    bool show() { return f.showActive(); }
    // Types the keyword into the field and presses Enter there.
    void search(const QString& text) {
        keyword()->setFocus();
        keyword()->clear();
        for (const QChar c : text) {
            // Qt Test types ASCII only; other letters go in as key events with their text.
            if (c.unicode() < 128)
                QTest::keyClick(keyword(), char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, keyword(), Qt::Key(c.toUpper().unicode()), QString(c),
                                    Qt::NoModifier);
        }
        QTest::keyClick(keyword(), Qt::Key_Return);
    }
    QList<QByteArray> column(int c) const {
        QList<QByteArray> cells;
        for (int r = 0; r < results().rowCount(); ++r)
            cells.append(results().cell(r, c));
        return cells;
    }
};

} // namespace velmora::testing
