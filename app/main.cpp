#include "app/AppGlobals.h"
#include "app/ErrorReporter.h"
#include "app/FMain.h"
#include "app/MessageBox.h"
#include "app/SaveDialog.h"
#include "app/Skin.h"
#include "search/SearchUrl.h"
#include "util/Platform.h"
#include "util/RandomSource.h"

int main(int argc, char** argv) {
    // The web engine behind the welcome page shares its GL contexts; this must be set
    // before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    velmora::app::DialogErrorReporter reporter;
    velmora::app::ReportingApplication application(argc, argv, reporter);
    velmora::app::applyStoredSkin(application);

    velmora::app::TfrmMain frmMain(
        velmora::app::BrandSettings{},
        {velmora::util::SystemPlatform(), reporter, QCoreApplication::applicationDirPath(),
         velmora::app::BuiltInUpdateBaseURL(), velmora::app::webHtmlViewFactory(),
         velmora::app::SystemMessageBox(), velmora::util::SystemRandom(),
         velmora::search::BuiltInSearchBaseURL(), velmora::app::SystemSaveDialog()});
    frmMain.show();
    return application.exec();
}
