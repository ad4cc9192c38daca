#include "webengine/OffscreenWebPage.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace velmora::webengine {
namespace {

// Runs in a world of its own, where the page's scripts cannot see or disturb it, from the
// moment each document is created: it counts every change to the document's tree, its
// attributes and its text.
const char ChangeCounterScript[] = R"js(
(function () {
    var changes = 0;
    new MutationObserver(function (records) { changes += records.length; })
        .observe(document, {childList: true, subtree: true, attributes: true, characterData: true});
    window.velmoraDocumentChanges = function () { return changes; };
})();
)js";

const char ChangeCountQuery[] =
    "typeof velmoraDocumentChanges === 'function' ? velmoraDocumentChanges() : -1";

// Tells the page's own scripts (in their world, before any of them runs) what a phone's
// browser tells them of its screen and of touch, which the engine itself cannot be told.
const char PhoneScreenScript[] = R"js(
(function () {
    var ratio = %1, touchPoints = %2;
    Object.defineProperty(window, 'devicePixelRatio', {get: function () { return ratio; }, configurable: true});
    Object.defineProperty(Navigator.prototype, 'maxTouchPoints',
                          {get: function () { return touchPoints; }, configurable: true});
    if (!('ontouchstart' in window))
        window.ontouchstart = null;
})();
)js";

QWebEngineProfile* sharedProfile = nullptr;
QWebEngineProfile* sharedPhoneProfile = nullptr;

void deleteSharedProfiles() {
    delete sharedProfile;
    sharedProfile = nullptr;
    delete sharedPhoneProfile;
    sharedPhoneProfile = nullptr;
}

void registerProfileDeletion() {
    static bool registered = false;
    if (std::exchange(registered, true))
        return;
    // Routines registered later run earlier: this one runs before the one the engine registered
    // when the first profile started it, so the profiles go while the engine still runs.
    qAddPostRoutine(deleteSharedProfiles);
}

// Without a storage name a profile is off the record: cookies in memory, cache in memory.
QWebEngineProfile* newProfile() {
    auto* profile = new QWebEngineProfile;
    QWebEngineScript counter;
    counter.setName(QStringLiteral("velmora-change-counter"));
    counter.setSourceCode(QString::fromLatin1(ChangeCounterScript));
    counter.setInjectionPoint(QWebEngineScript::DocumentCreation);
    counter.setWorldId(QWebEngineScript::ApplicationWorld);
    counter.setRunsOnSubFrames(false);
    profile->scripts()->insert(counter);
    registerProfileDeletion();
    return profile;
}

// The page keeps what its scripts write to the console to itself.
class QuietPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
};

} // namespace

QWebEngineProfile* OffscreenWebPage::profile() {
    if (sharedProfile == nullptr)
        sharedProfile = newProfile();
    return sharedProfile;
}

QWebEngineProfile* OffscreenWebPage::phoneProfile(const search::PhoneProfile& phone) {
    if (sharedPhoneProfile == nullptr)
        sharedPhoneProfile = newProfile();
    // One fetch at a time: the phone asked for now is the one every phone page presents.
    sharedPhoneProfile->setHttpUserAgent(QString::fromLatin1(phone.userAgent));
    QWebEngineScriptCollection* scripts = sharedPhoneProfile->scripts();
    for (const QWebEngineScript& old : scripts->find(QStringLiteral("velmora-phone-screen")))
        scripts->remove(old);
    QWebEngineScript screen;
    screen.setName(QStringLiteral("velmora-phone-screen"));
    screen.setSourceCode(
        QString::fromLatin1(PhoneScreenScript).arg(phone.devicePixelRatio).arg(phone.maxTouchPoints));
    screen.setInjectionPoint(QWebEngineScript::DocumentCreation);
    screen.setWorldId(QWebEngineScript::MainWorld);
    screen.setRunsOnSubFrames(true);
    scripts->insert(screen);
    return sharedPhoneProfile;
}

OffscreenWebPage::OffscreenWebPage(QObject* parent, const search::PhoneProfile* phone)
    : m_page(new QuietPage(phone ? phoneProfile(*phone) : profile(), parent)) {
    m_page->setAudioMuted(true);
    if (phone) {
        m_screen = new QWebEngineView;
        m_screen->setAttribute(Qt::WA_DontShowOnScreen);
        // Its going is no window closing: a program whose last window it was goes on.
        m_screen->setAttribute(Qt::WA_QuitOnClose, false);
        m_screen->resize(phone->viewport);
        m_screen->setPage(m_page);
        m_screen->show();
    }

    // Each event is called through a copy: a listener may destroy this object while it runs.
    QObject::connect(m_page, &QWebEnginePage::loadProgress, m_page, [this](int percent) {
        if (const auto call = m_events.loadProgress)
            call(percent);
    });
    QObject::connect(m_page, &QWebEnginePage::loadingChanged, m_page,
                     [this](const QWebEngineLoadingInfo& info) {
                         switch (info.status()) {
                         case QWebEngineLoadingInfo::LoadStartedStatus:
                             if (const auto call = m_events.loadStarted)
                                 call();
                             break;
                         case QWebEngineLoadingInfo::LoadSucceededStatus:
                             if (const auto call = m_events.loadFinished)
                                 call(true, {});
                             break;
                         case QWebEngineLoadingInfo::LoadStoppedStatus:
                             if (const auto call = m_events.loadFinished)
                                 call(false, QStringLiteral("the load was stopped"));
                             break;
                         case QWebEngineLoadingInfo::LoadFailedStatus:
                             if (const auto call = m_events.loadFinished)
                                 call(false, info.errorString());
                             break;
                         }
                     });
}

OffscreenWebPage::~OffscreenWebPage() {
    *m_alive = false;
    for (const QPointer<QWebEngineView>& view : std::as_const(m_views))
        delete view;
    delete m_screen;
    if (m_page) {
        m_page->disconnect();
        m_page->triggerAction(QWebEnginePage::Stop);
        // Later: this may run inside one of the page's own signals. The page is a child of the
        // caller's object and goes at once when that one goes first.
        m_page->deleteLater();
    }
}

void OffscreenWebPage::setEvents(Events events) {
    m_events = std::move(events);
}

void OffscreenWebPage::load(const QUrl& url) {
    m_page->load(url);
    // A page no one sees has its timers slowed down and its frames held back, and many pages'
    // scripts wait until they are seen: so it is told it is shown, which takes only once the
    // engine has started on it.
    m_page->setVisible(true);
}

bool OffscreenWebPage::isLoading() const {
    return m_page->isLoading();
}

QUrl OffscreenWebPage::url() const {
    return m_page->url();
}

void OffscreenWebPage::countDocumentChanges(std::function<void(qint64 changes)> done) {
    m_page->runJavaScript(QString::fromLatin1(ChangeCountQuery), QWebEngineScript::ApplicationWorld,
                          [alive = m_alive, done = std::move(done)](const QVariant& result) {
                              if (!*alive)
                                  return;
                              bool ok = false;
                              const qint64 changes = result.toLongLong(&ok);
                              done(ok ? changes : -1);
                          });
}

void OffscreenWebPage::markup(std::function<void(const QString& html)> done) {
    m_page->toHtml([alive = m_alive, done = std::move(done)](const QString& html) {
        if (*alive)
            done(html);
    });
}

QWidget* OffscreenWebPage::createView(QWidget* parent) {
    auto* view = new QWebEngineView(parent);
    view->setPage(m_page);
    m_views.append(view);
    return view;
}

} // namespace velmora::webengine
