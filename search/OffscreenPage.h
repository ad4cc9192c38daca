#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace velmora::search {

// A web page that runs the page's scripts without being shown: the search loads a results page
// in one when the engine will not answer a client without scripts.
//
// The real page lives in the web engine module, which is loaded at run time and resolves nothing
// from the program: so this class stays header-only, without Q_OBJECT and without out-of-line
// members, and everything it reports comes back through the callbacks it is given.
class OffscreenPage {
public:
    // What the page reports while it works. Every callback runs on the thread of the page's
    // owner, never after the page has been destroyed, and may be left empty.
    struct Events {
        std::function<void()> loadStarted;
        std::function<void(int percent)> loadProgress;
        // ok is false when the document could not be loaded; errorText then says why.
        std::function<void(bool ok, const QString& errorText)> loadFinished;
    };

    virtual ~OffscreenPage() = default;

    virtual void setEvents(Events events) = 0;
    // Navigates to url, as a browser would, with the engine's own user agent.
    virtual void load(const QUrl& url) = 0;
    virtual bool isLoading() const = 0;
    // The address of the document now shown, after redirects and script navigations.
    virtual QUrl url() const = 0;
    // How many changes the current document has seen since it was created; -1 when the page
    // cannot tell (no document yet, or one the engine made itself, like an error page).
    virtual void countDocumentChanges(std::function<void(qint64 changes)> done) = 0;
    // The current document serialized as markup.
    virtual void markup(std::function<void(const QString& html)> done) = 0;
    // A view of this very page (its document, cookies and all) as a child of parent, for the
    // user to act on it. The view belongs to parent, but goes at the latest with the page.
    virtual QWidget* createView(QWidget* parent) = 0;
};

// How a page presents itself as a phone: the user agent it sends and its scripts see, the size
// of its screen in CSS pixels (the page is laid out at that width), and what its scripts are
// told of the screen's density and of touch.
struct PhoneProfile {
    QByteArray userAgent;
    QSize viewport;
    double devicePixelRatio = 1;
    int maxTouchPoints = 0;
};

// A phone as the engine sees many of them today: a current mobile browser on a 412 x 915 screen.
inline PhoneProfile CurrentPhone() {
    return {"Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) "
            "Chrome/143.0.0.0 Mobile Safari/537.36",
            QSize(412, 915), 2.625, 5};
}

// Makes one page for one fetch, with parent as the QObject parent of the engine's objects. Gives
// nullptr, with the reason as a sentence in whyNot, when no page can be made.
using OffscreenPageFactory = std::function<std::unique_ptr<OffscreenPage>(QObject* parent, QString& whyNot)>;

} // namespace velmora::search
