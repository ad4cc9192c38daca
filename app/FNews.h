#pragma once

#include "news/NewsProtocol.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QFrame;
class QItemSelectionModel;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora::news {

class NewsClient;

// What the news window needs from the program around it.
class NewsWindowHost {
public:
    virtual ~NewsWindowHost() = default;
    // Makes the view that shows an item's HTML, as a child of parent.
    virtual QWidget* createHtmlView(QWidget* parent) = 0;
    // Replaces the whole document of a view that createHtmlView made.
    virtual void setHtmlSource(QWidget* view, const QByteArray& html) = 0;
    // A failed request's message, as a warning over parent.
    virtual void showWarning(QWidget* parent, const QString& text) = 0;
    // Remembers id as the last news item read. Throws when the settings cannot be rewritten.
    virtual void WriteLastNewsId(const QByteArray& id) = 0;
    // Runs an event handler; what escapes it is reported and the program goes on.
    virtual void runGuarded(const std::function<void()>& handler) = 0;
    // Settings and reply bytes as text for a widget.
    virtual QString widgetText(QByteArrayView bytes) = 0;
};

// The news window: the list the news button fetched, and the text of the item selected in
// it, fetched on selection. Showing an item stores its id as the last one read. Made for one
// viewing and shown modally.
class TfrmNews final : public QDialog {
    Q_OBJECT

public:
    // NewsList: records "id^title^published" as the service sent them. account: the tier
    // that asks for the details; without one nothing is fetched.
    TfrmNews(QList<QByteArray> NewsList, std::optional<NewsAccount> account, NewsClient& IdHTTP1,
             NewsWindowHost& host, QWidget* parent = nullptr);
    ~TfrmNews() override;

    // True while an item's text is being fetched: the selection then stays where it is.
    bool loadingDetails() const { return bLoadingDetails; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void lvwItemsChange();
    bool lvwItemsChanging() const;
    void btnExitClick();
    // The end of lvwItemsChange: the item's text shown and its id stored, or the failure.
    void GetNewsDetailsDone(const QByteArray& NewsId, const NewsDetailsResult& result);
    void setLoading(bool loading);
    void retryFailedItem(QTreeWidgetItem* item);

    QList<QByteArray> m_newsList;
    std::optional<NewsAccount> m_account;
    NewsClient& m_client;
    NewsWindowHost& m_host;
    bool bLoadingDetails = false;
    bool m_shown = false;
    // The id whose text the view shows; a click on the selected row fetches it again when
    // its last fetch failed.
    std::optional<QByteArray> m_shownId;

    QFrame* bsSkinPanel1 = nullptr;
    QTreeWidget* lvwItems = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QSplitter* bsSkinSplitter1 = nullptr;
    QWidget* prfEditorNews = nullptr;
    QFrame* bsSkinPanel3 = nullptr;
    QPushButton* btnExit = nullptr;
};

} // namespace velmora::news
