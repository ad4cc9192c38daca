#include "webengine/WebEnginePlugin.h"

#include "webengine/WebHtmlView.h"

namespace velmora::webengine {

app::HtmlView* WebEnginePlugin::createHtmlView(QWidget* parent) {
    return new WebHtmlView(parent);
}

} // namespace velmora::webengine
