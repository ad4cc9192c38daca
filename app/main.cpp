#include "app/AppIcon.h"
#include "app/CommandLine.h"
#include "app/ErrorReporter.h"
#include "app/FHistory.h"
#include "app/FMain.h"
#include "app/MessageBox.h"
#include "app/OpenDialog.h"
#include "app/SaveDialog.h"
#include "app/Skin.h"
#include "app/WebEngineLoader.h"
#include "brand/AppGlobals.h"
#include "brand/StartupSettings.h"
#include "history/HistoryStore.h"
#include "search/SearchUrl.h"
#include "util/Platform.h"
#include "util/ProgramPlaces.h"
#include "util/RandomSource.h"

#include <cstdio>

namespace {

// The web engine needs the application's OpenGL contexts shared, which is best decided before
// the application object exists; but setting that up costs every start. So only a start that
// shows a page at once asks for it. A page shown later works without it: WebEngineLoader sets
// up the shared context just before the engine's module loads.
void prepareForPages(bool pageShowsAtStart) {
    if (pageShowsAtStart)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version work without a display: no window system is opened for them.
    const velmora::app::CommandLineAnswer answer =
        velmora::app::AnswerCommandLine(velmora::app::ArgumentsOf(argc, argv));
    if (answer.exitStatus) {
        std::fputs(answer.output.toLocal8Bit().constData(), stdout);
        std::fputs(answer.error.toLocal8Bit().constData(), stderr);
        return *answer.exitStatus;
    }

    // The settings are read before the application object exists, to know whether the welcome
    // page shows at once. What goes wrong here is reported when the main window is created,
    // where the brand is loaded from what was read.
    const QString applicationDir = velmora::app::ExecutableDirBeforeApplication(argc > 0 ? argv[0] : nullptr);
    // A portable folder keeps its files beside the executable; an installed program writes
    // only to the user's folders and finds its brand and module in the installed tree.
    velmora::util::ProgramPlaces places = velmora::util::SystemProgramPlaces(
        applicationDir, QString::fromLatin1(velmora::app::SettingsFileName));
    velmora::app::StartupSettings startup = velmora::app::ReadStartupSettings(places.brandDir);
    prepareForPages(startup.hasWelcomePage);

    velmora::app::DialogErrorReporter reporter;
    velmora::app::ReportingApplication application(argc, argv, reporter);
    velmora::app::applyStoredSkin(application);
    QApplication::setWindowIcon(velmora::app::VelmoraIcon());
    // Lets the desktop match the window with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(velmora::util::AppId));

    // The engine's module loads when the first page is to be shown or loaded with scripts, from
    // beside the executable or from the installed library folder.
    velmora::app::WebEngineLoader webEngine(places.moduleDirs);
    velmora::app::TfrmMain frmMain(
        std::move(startup),
        {.platform = velmora::util::SystemPlatform(),
         .reporter = reporter,
         .applicationDir = applicationDir,
         .updateBaseURL = velmora::app::BuiltInUpdateBaseURL(),
         .htmlViewFactory = velmora::app::moduleHtmlViewFactory(webEngine, reporter),
         .messageBox = velmora::app::SystemMessageBox(),
         .random = velmora::util::SystemRandom(),
         .searchBaseURL = velmora::search::BuiltInSearchBaseURL(),
         .saveDialog = velmora::app::SystemSaveDialog(),
         .enginePages =
             velmora::search::EngineFetchSettings{velmora::app::moduleOffscreenPageFactory(webEngine)},
         .phonePages = velmora::app::modulePhonePageFactory(webEngine, velmora::search::CurrentPhone()),
         .userSettings = &velmora::history::UserSettings(),
         .places = std::move(places),
         .openDialog = &velmora::app::SystemOpenDialog()});
    frmMain.setHistoryStore(velmora::app::UserHistoryStore());
    frmMain.show();
    return application.exec();
}
