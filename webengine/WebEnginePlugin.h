#pragma once

#include "app/WebEngineModule.h"

#include <QObject>

namespace velmora::webengine {

// The module's one object, which the program's WebEngineLoader gets from the plugin loader.
class WebEnginePlugin final : public QObject, public app::WebEngineModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VELMORA_WEBENGINE_MODULE_IID)
    Q_INTERFACES(velmora::app::WebEngineModule)

public:
    WebEnginePlugin();

    app::HtmlView* createHtmlView(QWidget* parent) override;
    search::OffscreenPage* createOffscreenPage(QObject* parent) override;
    search::OffscreenPage* createPhonePage(QObject* parent, const search::PhoneProfile& phone) override;
};

} // namespace velmora::webengine
