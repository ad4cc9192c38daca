#pragma once

#include "app/HtmlView.h"
#include "search/OffscreenPage.h"

#include <QtPlugin>

namespace velmora::app {

// What the web engine module offers the program. Everything that touches Qt WebEngine lives in
// that module (webengine/), a Qt plugin that WebEngineLoader loads on first use: linked into the
// program, the engine's libraries and its shared GL contexts would cost every start, though
// most starts show no page.
//
// The boundary's rules, so that the module resolves nothing from the program and either side
// can grow:
// - what crosses it are Qt's own types and abstract classes like HtmlView that are header-only,
//   without Q_OBJECT and without out-of-line members; results come back through the classes'
//   own calls or std::function callbacks, not through signals of a shared meta-object;
// - the module owns nothing the program holds except through QObject parents it is given;
// - a new offer is a new pure virtual here, implemented in the module, with the interface id's
//   number raised, so a module left over from an older build is refused instead of misread.
class WebEngineModule {
public:
    virtual ~WebEngineModule() = default;

    // A read-only HTML view as a child of parent.
    virtual HtmlView* createHtmlView(QWidget* parent) = 0;
    // A new off-screen page, owned by the caller, whose engine objects are children of parent.
    // All such pages share one off-the-record profile made on first use and kept for the
    // program's run: cookies in memory only, no disk cache, so a consent given once holds for
    // later pages.
    virtual search::OffscreenPage* createOffscreenPage(QObject* parent) = 0;
    // The same as a phone: its own off-the-record profile, shared by all phone pages, sends the
    // phone's user agent, and the page is laid out on the phone's screen.
    virtual search::OffscreenPage* createPhonePage(QObject* parent, const search::PhoneProfile& phone) = 0;
};

} // namespace velmora::app

#define VELMORA_WEBENGINE_MODULE_IID "org.velmora.WebEngineModule/3"
Q_DECLARE_INTERFACE(velmora::app::WebEngineModule, VELMORA_WEBENGINE_MODULE_IID)
