#pragma once

#include "search/OffscreenPage.h"

#include <QList>
#include <QPointer>

#include <memory>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace velmora::webengine {

// An off-screen page of the engine: a QWebEnginePage on the module's one off-the-record
// profile, told to behave as a shown page, whose documents count their own changes.
class OffscreenWebPage final : public search::OffscreenPage {
public:
    // A desktop page, or with phone the page as that phone: its profile, user agent and screen.
    explicit OffscreenWebPage(QObject* parent, const search::PhoneProfile* phone = nullptr);
    ~OffscreenWebPage() override;
    OffscreenWebPage(const OffscreenWebPage&) = delete;
    OffscreenWebPage& operator=(const OffscreenWebPage&) = delete;

    void setEvents(Events events) override;
    void load(const QUrl& url) override;
    bool isLoading() const override;
    QUrl url() const override;
    void countDocumentChanges(std::function<void(qint64 changes)> done) override;
    void markup(std::function<void(const QString& html)> done) override;
    QWidget* createView(QWidget* parent) override;

    // The profile every off-screen page uses: made on first use, deleted as the application
    // object goes, before the engine shuts down.
    static QWebEngineProfile* profile();
    // The profile of phone pages, the same but with the phone's user agent.
    static QWebEngineProfile* phoneProfile(const search::PhoneProfile& phone);

private:
    QPointer<QWebEnginePage> m_page;
    // Views of the page still alive: they go before the page does, as the engine's views
    // cannot outlive their page.
    QList<QPointer<QWebEngineView>> m_views;
    // A phone page is laid out in a view of the phone's size that is never on screen.
    QPointer<QWebEngineView> m_screen;
    Events m_events;
    // Cleared when this object goes: the engine may still call back later (or while the page
    // is destroyed), and then nobody is to hear of it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace velmora::webengine
