#include "webengine/WebEnginePlugin.h"

#include "webengine/OffscreenWebPage.h"
#include "webengine/WebHtmlView.h"

namespace velmora::webengine {

app::HtmlView* WebEnginePlugin::createHtmlView(QWidget* parent) {
    return new WebHtmlView(parent);
}

search::OffscreenPage* WebEnginePlugin::createOffscreenPage(QObject* parent) {
    return new OffscreenWebPage(parent);
}

} // namespace velmora::webengine
