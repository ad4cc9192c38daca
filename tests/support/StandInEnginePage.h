#pragma once

#include "search/OffscreenPage.h"

#include <QList>
#include <QTimer>

namespace velmora::testing {

// The web engine's page, as a stand-in: each load succeeds on the event loop and shows markup,
// and the address asked for is kept in *asked (when given).
class StandInEnginePage final : public search::OffscreenPage {
public:
    StandInEnginePage(QString markup, QList<QUrl>* asked) : m_markup(std::move(markup)), m_asked(asked) {}
    void setEvents(Events events) override { m_events = std::move(events); }
    void load(const QUrl& url) override {
        if (m_asked)
            m_asked->append(url);
        m_url = url;
        m_loading = true;
        QTimer::singleShot(0, &m_context, [this] {
            m_events.loadStarted();
            m_loading = false;
            m_events.loadFinished(true, {});
        });
    }
    bool isLoading() const override { return m_loading; }
    QUrl url() const override { return m_url; }
    void countDocumentChanges(std::function<void(qint64)> done) override { done(1); }
    void markup(std::function<void(const QString&)> done) override { done(m_markup); }
    QWidget* createView(QWidget*) override { return nullptr; }

private:
    QObject m_context;
    QString m_markup;
    QList<QUrl>* m_asked;
    Events m_events;
    QUrl m_url;
    bool m_loading = false;
};

// Stand-in pages showing a results page with one ad, titled title.
inline search::OffscreenPageFactory StandInResultsPages(const QString& title, QList<QUrl>* asked = nullptr) {
    return [=](QObject*, QString&) -> std::unique_ptr<search::OffscreenPage> {
        return std::make_unique<StandInEnginePage>(
            QStringLiteral("<div id=tads><a id=an1 href=/x>%1</a> ad<cite>shop.example</cite></div>")
                .arg(title),
            asked);
    };
}

} // namespace velmora::testing
