// The main window's news and update handlers: the start-up poll and its balloon, the news
// button and its window, the update check.

#include "app/ElidedLabel.h"
#include "app/ErrorReporter.h"
#include "app/FMain.h"
#include "app/FNews.h"
#include "app/MessageBox.h"
#include "app/MessageHint.h"
#include "brand/AppGlobals.h"
#include "brand/BrandTier.h"
#include "brand/LastNewsIdStore.h"
#include "brand/SettingsFile.h"
#include "news/InstalledUpdate.h"
#include "news/LiveUpdate.h"
#include "news/NewsClient.h"
#include "news/NewsPoll.h"
#include "util/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace velmora::app {
void TfrmMain::createNewsParts() {
    LMDMessageHint1 = new MessageHint(this);
    LMDMessageHint1->setObjectName(QStringLiteral("LMDMessageHint1"));
    showNewsPicture({});
}

void TfrmMain::Timer1Timer() {
    // Once per run: nothing starts the timer again.
    Timer1->stop();
    const std::optional<news::NewsAccount> account = NewsAccountFor(m_brand);
    if (!account) {
        CheckForUpdates(true);
        return;
    }
    IdHTTP1->GetLastNews(*account, true, this, handler(&TfrmMain::GetLastNewsDone));
}

void TfrmMain::GetLastNewsDone(const news::LatestNewsResult& result) {
    if (result.aborted)
        return;
    if (result.ok) {
        // A settings file that cannot be read ends the tick here, update check included.
        const QByteArray lastId = ReadLastNewsId();
        if (news::IsNewerNews(result.NewsId, lastId)) {
            m_newsChecks.setUnreadNewsId(result.NewsId);
            showNewsPicture(lastId);
            ShowNewsHint(news::NewsHintText(toWidgetText(result.NewsTitle)));
        }
    }
    CheckForUpdates(true);
}

void TfrmMain::ShowNewsHint(const QString& Text) {
    const QPoint centre(btnNews->width() / 2, btnNews->height() / 2);
    LMDMessageHint1->showMessage(btnNews->mapToGlobal(centre), Text);
}

void TfrmMain::showNewsPicture(const QByteArray& storedId) {
    const QByteArray& unreadId = m_newsChecks.unreadNewsId();
    const bool unread = !unreadId.isEmpty() && news::IsNewerNews(unreadId, storedId);
    btnNews->setIcon(toolPicture(unread ? "news" : "news-read"));
}

QByteArray TfrmMain::ReadLastNewsId() const {
    return LastNewsIdStore(SettingsFilePath(brandDir()), m_services.places.userSettingsFile).read();
}

void TfrmMain::WriteLastNewsId(const QByteArray& Value) {
    LastNewsIdStore(SettingsFilePath(brandDir()), m_services.places.userSettingsFile).write(Value);
    showNewsPicture(Value);
}

void TfrmMain::btnNewsClick() {
    // One list at a time; the window it opens is modal.
    if (m_newsChecks.newsListRunning())
        return;
    m_newsList.clear();
    const std::optional<news::NewsAccount> account = NewsAccountFor(m_brand);
    if (!account) {
        m_services.messageBox.information(this, news::NoNewsMessage());
        return;
    }
    m_newsChecks.startNewsList();
    showNewsStatus(news::CheckingForNewsStatus());
    IdHTTP1->GetNewsList(*account, this, handler(&TfrmMain::GetNewsListDone));
}

void TfrmMain::GetNewsListDone(const news::NewsListResult& result) {
    m_newsChecks.newsListFinished();
    clearNewsStatus(news::CheckingForNewsStatus());
    if (result.aborted)
        return;
    if (!result.message.isEmpty())
        m_services.messageBox.warning(this, result.message);
    if (result.timedOut)
        return; // the site said nothing, not that there is no news
    m_newsList.append(result.records);
    if (!result.ok || m_newsList.isEmpty()) {
        m_services.messageBox.information(this, news::NoNewsMessage());
        return;
    }
    TfrmNews frmNews(m_newsList, NewsAccountFor(m_brand), *IdHTTP1,
                     {.htmlViewFactory = m_services.htmlViewFactory,
                      .messageBox = m_services.messageBox,
                      .reporter = m_services.reporter,
                      .storeReadId = [this](const QByteArray& id) { WriteLastNewsId(id); }},
                     this);
    frmNews.exec();
}

void TfrmMain::showNewsStatus(const QString& text) {
    MainStatusPanel->setText(text);
}

void TfrmMain::clearNewsStatus(const QString& text) {
    // Only while the status bar still says so: a search may have written since. The other
    // request the user waits for may still run.
    if (MainStatusPanel->text() != text)
        return;
    if (m_newsChecks.newsListRunning())
        MainStatusPanel->setText(news::CheckingForNewsStatus());
    else if (m_newsChecks.updateCheckAnnounced())
        MainStatusPanel->setText(news::CheckingForUpdatesStatus());
    else
        MainStatusPanel->clear();
}

void TfrmMain::btnUpdateClick() {
    CheckForUpdates(false);
}

void TfrmMain::CheckForUpdates(bool Silent) {
    if (!Silent)
        showNewsStatus(news::CheckingForUpdatesStatus());
    // The check under way, if any, answers the click: it then also says when there is nothing new.
    m_newsChecks.check(Silent);
}

news::NewsChecks TfrmMain::makeNewsChecks() {
    return news::NewsChecks(
        [this](std::function<void(const news::UpdateOffer&)> handler) {
            // An installed program keeps the information file in the user's cache folder. A
            // folder that cannot be made fails the download, which the check then reports.
            const QString infoDir = util::PlaceOr(m_services.places.cacheDir, m_services.applicationDir);
            QDir().mkpath(infoDir);
            news::FetchUpdateOffer(*IdHTTP1, m_services.updateBaseURL, infoDir, AppVersion, this,
                                   std::move(handler));
        },
        handler(&TfrmMain::UpdateOfferArrived));
}

void TfrmMain::UpdateOfferArrived(const news::UpdateOffer& offer, bool Silent) {
    clearNewsStatus(news::CheckingForUpdatesStatus());
    if (offer.aborted)
        return;
    MessageBox& box = m_services.messageBox;
    // The start-up check keeps its failures to itself; one the user asked for says why.
    if (offer.failed) {
        if (!Silent)
            box.warning(this, news::UpdateCheckFailedMessage(offer));
        return;
    }
    if (!offer.newer) {
        if (!Silent)
            box.information(this, news::NoNewUpdatesMessage());
        return;
    }
    const news::DetachedCommand updater =
        news::UpdaterCommand(m_services.applicationDir, m_services.updateBaseURL, AppVersion);
    // An installed program without an updater of its own is updated by the system's packages.
    if (!m_services.places.portable && !QFileInfo::exists(updater.program)) {
        box.information(this, news::PackageManagerUpdateMessage(toWidgetText(offer.versionText)));
        return;
    }
    if (box.show(this, MessageBox::Kind::Information,
                 news::NewUpdateQuestion(toWidgetText(offer.versionText)),
                 MessageBox::Buttons::OkCancel) != MessageBox::Answer::Ok)
        return;
    if (!QFileInfo::exists(updater.program)) {
        box.warning(this, news::UpdaterMissingWarning());
        return;
    }
    if (box.show(this, MessageBox::Kind::Information, news::UpdateClosesQuestion(),
                 MessageBox::Buttons::OkCancel) == MessageBox::Answer::Cancel)
        return;
    QString reason;
    if (!m_services.platform.startDetached(updater.program, updater.arguments, &reason)) {
        // Closing now would leave the user with neither program.
        box.warning(this, news::UpdaterNotStartedWarning(reason));
        return;
    }
    close();
}

} // namespace velmora::app
