#include "app/WebEngineLoader.h"

#include "app/ErrorReporter.h"
#include "app/WebEngineModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QVBoxLayout>

// Qt's own setter of the shared context, exported but not in its public headers; the
// application object calls it when Qt::AA_ShareOpenGLContexts is set at its creation.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace velmora::app {
namespace {

// The engine composes its pages with OpenGL contexts shared with the application's, and
// crashes on its first page without them. A start that shows a page at once has the
// application object create the shared context (main.cpp); any other start gets it here,
// just before the engine loads, made the same way. It lives as long as the process: Qt
// offers no moment to delete it before the window system's connection is gone.
void shareOpenGLContexts() {
    if (QOpenGLContext::globalShareContext() != nullptr)
        return;
    auto* context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create(); // without OpenGL the engine draws in software and only needs the object
    qt_gl_set_global_share_context(context);
}

// Stands in for a page when the module is missing: the page's place says why it is empty.
class UnavailableHtmlView final : public HtmlView {
public:
    UnavailableHtmlView(QWidget* parent, const QString& message) : HtmlView(parent) {
        auto* label = new QLabel(message, this);
        label->setObjectName(QStringLiteral("unavailableMessage"));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
    }
    void setHtmlSource(const QByteArray&) override {}
};

} // namespace

WebEngineLoader::WebEngineLoader(QString directory) : m_directories{std::move(directory)} {}

WebEngineLoader::WebEngineLoader(QStringList directories) : m_directories(std::move(directories)) {}

WebEngineLoader::~WebEngineLoader() = default;

QString WebEngineLoader::modulePath() const {
    const QString file = QStringLiteral(VELMORA_WEBENGINE_MODULE_FILE);
    for (const QString& directory : m_directories) {
        const QString path = QDir(directory).absoluteFilePath(file);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QDir(m_directories.value(0)).absoluteFilePath(file);
}

WebEngineModule* WebEngineLoader::module() {
    if (m_tried)
        return m_module;
    m_tried = true;

    const QString path = modulePath();
    const auto failed = [&](const QString& reason) {
        m_error = QStringLiteral("The web engine module %1 could not be loaded: %2")
                      .arg(QDir::toNativeSeparators(path), reason);
        return nullptr;
    };
    if (!QFileInfo(path).isFile())
        return failed(QStringLiteral("the file does not exist."));

    shareOpenGLContexts();
    m_plugin = std::make_unique<QPluginLoader>(path);
    QObject* instance = m_plugin->instance();
    if (instance == nullptr)
        return failed(m_plugin->errorString());
    m_module = qobject_cast<WebEngineModule*>(instance);
    if (m_module == nullptr)
        return failed(QStringLiteral("it is not the web engine module of this version of Velmora."));
    return m_module;
}

HtmlViewFactory moduleHtmlViewFactory(WebEngineLoader& loader, ErrorReporter& reporter) {
    auto reported = std::make_shared<bool>(false);
    return [&loader, &reporter, reported](QWidget* parent) -> HtmlView* {
        if (WebEngineModule* module = loader.module())
            return module->createHtmlView(parent);
        const QString message = QStringLiteral("This page cannot be shown. ") + loader.errorString();
        if (!std::exchange(*reported, true))
            reporter.report(message);
        return new UnavailableHtmlView(parent, message);
    };
}

search::OffscreenPageFactory moduleOffscreenPageFactory(WebEngineLoader& loader) {
    return [&loader](QObject* parent, QString& whyNot) -> std::unique_ptr<search::OffscreenPage> {
        if (WebEngineModule* module = loader.module())
            return std::unique_ptr<search::OffscreenPage>(module->createOffscreenPage(parent));
        whyNot = loader.errorString();
        return nullptr;
    };
}

search::OffscreenPageFactory modulePhonePageFactory(WebEngineLoader& loader, search::PhoneProfile phone) {
    return [&loader, phone = std::move(phone)](QObject* parent,
                                               QString& whyNot) -> std::unique_ptr<search::OffscreenPage> {
        if (WebEngineModule* module = loader.module())
            return std::unique_ptr<search::OffscreenPage>(module->createPhonePage(parent, phone));
        whyNot = loader.errorString();
        return nullptr;
    };
}

} // namespace velmora::app
