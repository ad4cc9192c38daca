#pragma once

#include "app/HtmlView.h"
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
} // namespace velmora::news

namespace velmora::app {

class ErrorReporter;
class MessageBox;

// What the news window works with, handed in by the window that opens it.
struct NewsWindowServices {
    // Makes the view that shows an item's HTML.
    HtmlViewFactory htmlViewFactory;
    // A failed request's message, as a warning.
    MessageBox& messageBox;
    // Where what escapes the window's handlers goes.
    ErrorReporter& reporter;
    // Remembers an id as the last news item read. Throws when the settings cannot be rewritten.
    std::function<void(const QByteArray& id)> storeReadId;
};

// The news window: the list the news button fetched, and the text of the item selected in
// it, fetched on selection. Showing an item stores its id as the last one read. Made for one
// viewing and shown modally.
class TfrmNews final : public QDialog {
    Q_OBJECT

public:
    // NewsList: records "id^title^published" as the service sent them. account: the tier
    // that asks for the details; without one nothing is fetched.
    TfrmNews(QList<QByteArray> NewsList, std::optional<news::NewsAccount> account, news::NewsClient& IdHTTP1,
             NewsWindowServices services, QWidget* parent = nullptr);
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
    void GetNewsDetailsDone(const QByteArray& NewsId, const news::NewsDetailsResult& result);
    void setLoading(bool loading);
    void retryFailedItem(QTreeWidgetItem* item);

    QList<QByteArray> m_newsList;
    std::optional<news::NewsAccount> m_account;
    news::NewsClient& m_client;
    NewsWindowServices m_services;
    bool bLoadingDetails = false;
    bool m_shown = false;
    // The id whose text the view shows; a click on the selected row fetches it again when
    // its last fetch failed.
    std::optional<QByteArray> m_shownId;

    QFrame* bsSkinPanel1 = nullptr;
    QTreeWidget* lvwItems = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QSplitter* bsSkinSplitter1 = nullptr;
    HtmlView* prfEditorNews = nullptr;
    QFrame* bsSkinPanel3 = nullptr;
    QPushButton* btnExit = nullptr;
};

} // namespace velmora::app
