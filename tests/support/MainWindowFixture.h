#pragma once

#include "AppFakes.h"
#include "app/FMain.h"
#include "brand/BrandSettings.h"
#include "util/RandomSource.h"

#include <QDir>
#include <QTest>

#include <memory>

namespace velmora::testing {

// A main window with recording collaborators, not yet shown.
struct MainWindowFixture {
    RecordingPlatform platform;
    RecordingReporter reporter;
    RecordingMessageBox messageBox;
    RecordingSaveDialog saveDialog;
    RecordingOpenDialog openDialog;
    std::unique_ptr<util::RandomSource> random = util::SeededRandom(1);
    int viewsMade = 0;
    std::unique_ptr<app::TfrmMain> window;

    // applicationDir: where downloads put their temporary files; searchBaseURL: the search
    // engine, updateBaseURL: the update server (port 9 answers nothing); htmlViews: fake ones,
    // counted in viewsMade, unless given; enginePages: none unless given.
    explicit MainWindowFixture(const app::BrandSettings& brand = {},
                               const QString& applicationDir = QDir::tempPath(),
                               const QByteArray& searchBaseURL = "http://127.0.0.1:9",
                               app::HtmlViewFactory htmlViews = {},
                               const QByteArray& updateBaseURL = "http://127.0.0.1:9/liveupdate/velmora/",
                               search::EngineFetchSettings enginePages = {}) {
        window = std::make_unique<app::TfrmMain>(brand,
                                                 services(applicationDir, searchBaseURL, std::move(htmlViews),
                                                          updateBaseURL, std::move(enginePages)));
    }

    // Branded as the program is at start: from the settings and branding files in
    // applicationDir, read before the window is made, with the given random picks.
    MainWindowFixture(const QString& applicationDir, std::unique_ptr<util::RandomSource> picks,
                      app::HtmlViewFactory htmlViews = {})
        : random(std::move(picks)) {
        window = std::make_unique<app::TfrmMain>(app::ReadStartupSettings(applicationDir),
                                                 services(applicationDir, "http://127.0.0.1:9",
                                                          std::move(htmlViews),
                                                          "http://127.0.0.1:9/liveupdate/velmora/"));
    }

    bool show() {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    // Shows the window and makes it the active one, as keyboard tests need: the offscreen
    // platform activates a shown window by itself, a real X server only when asked.
    bool showActive() {
        if (!show())
            return false;
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    app::MainWindowServices services(const QString& applicationDir, const QByteArray& searchBaseURL,
                                     app::HtmlViewFactory htmlViews, const QByteArray& updateBaseURL,
                                     search::EngineFetchSettings enginePages = {}) {
        if (!htmlViews)
            htmlViews = FakeHtmlViewFactory{&viewsMade};
        return {.platform = platform,
                .reporter = reporter,
                .applicationDir = applicationDir,
                .updateBaseURL = updateBaseURL,
                .htmlViewFactory = std::move(htmlViews),
                .messageBox = messageBox,
                .random = *random,
                .searchBaseURL = searchBaseURL,
                .saveDialog = saveDialog,
                .enginePages = std::move(enginePages),
                .openDialog = &openDialog};
    }

    template <class W = QWidget> W* find(const char* name) const {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
};

} // namespace velmora::testing
