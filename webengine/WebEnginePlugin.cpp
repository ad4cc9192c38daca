#include "webengine/WebEnginePlugin.h"

#include "webengine/DocumentSchemeHandler.h"
#include "webengine/OffscreenWebPage.h"
#include "webengine/WebHtmlView.h"

namespace velmora::webengine {

WebEnginePlugin::WebEnginePlugin() {
    // Made before anything of the engine: its schemes are fixed when it starts.
    DocumentSchemeHandler::registerScheme();
}

app::HtmlView* WebEnginePlugin::createHtmlView(QWidget* parent) {
    return new WebHtmlView(parent);
}

search::OffscreenPage* WebEnginePlugin::createOffscreenPage(QObject* parent) {
    return new OffscreenWebPage(parent);
}

search::OffscreenPage* WebEnginePlugin::createPhonePage(QObject* parent, const search::PhoneProfile& phone) {
    return new OffscreenWebPage(parent, &phone);
}

} // namespace velmora::webengine
