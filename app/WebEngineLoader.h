#pragma once

#include "app/HtmlView.h"
#include "search/OffscreenPage.h"

#include <QString>
#include <QStringList>

#include <memory>

class QPluginLoader;

namespace velmora::app {

class ErrorReporter;
class WebEngineModule;

// Finds the web engine module in a directory and loads it on first use. Once loaded it stays
// for the rest of the run: views it made may live anywhere in the program.
class WebEngineLoader {
public:
    // The program passes the directory of its executable, where the build and the install put
    // the module.
    explicit WebEngineLoader(QString directory);
    // The first of directories that holds the module; a missing module is named in the first.
    explicit WebEngineLoader(QStringList directories);
    ~WebEngineLoader();
    WebEngineLoader(const WebEngineLoader&) = delete;
    WebEngineLoader& operator=(const WebEngineLoader&) = delete;

    // The module, loaded on the first call; nullptr when it cannot be loaded. errorString()
    // then says why, and later calls do not try again.
    WebEngineModule* module();
    // Why the module could not be loaded, as a sentence for the user; empty otherwise.
    const QString& errorString() const { return m_error; }
    // The module's file, whether it exists or not (then in the first directory).
    QString modulePath() const;

private:
    QStringList m_directories;
    std::unique_ptr<QPluginLoader> m_plugin;
    WebEngineModule* m_module = nullptr;
    bool m_tried = false;
    QString m_error;
};

// HTML views made by the module. When the module cannot be loaded, a view shows instead why
// the page cannot be shown, the reason goes to the reporter (once per factory), and the
// program goes on without the page.
HtmlViewFactory moduleHtmlViewFactory(WebEngineLoader& loader, ErrorReporter& reporter);

// Off-screen pages made by the module, which is loaded for the first one. When the module
// cannot be loaded the factory makes none and says why.
search::OffscreenPageFactory moduleOffscreenPageFactory(WebEngineLoader& loader);
// The same, pages that present themselves as the phone.
search::OffscreenPageFactory modulePhonePageFactory(WebEngineLoader& loader, search::PhoneProfile phone);

} // namespace velmora::app
