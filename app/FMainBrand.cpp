// TfrmMain: the reseller's brand on the window, from the settings read at start-up and the
// branding files beside the executable, and the handlers of the branded controls.

#include "app/BrandPictures.h"
#include "app/ElidedLabel.h"
#include "app/ErrorReporter.h"
#include "app/FMain.h"
#include "app/LinkLabel.h"
#include "app/Skin.h"
#include "brand/AppGlobals.h"
#include "brand/BrandLoader.h"
#include "brand/SkinFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>

#include <functional>
#include <stdexcept>

namespace velmora::app {
namespace {

// The banner panel is this much higher than its picture.
constexpr int BannerPanelMargin = 10;

// Turns a left click on a widget that has no click of its own (the banner pictures) into a call.
class ClickFilter final : public QObject {
public:
    ClickFilter(QWidget* target, std::function<void()> onClick)
        : QObject(target), m_onClick(std::move(onClick)) {
        target->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const auto* widget = static_cast<QWidget*>(watched);
            if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
                m_onClick();
        }
        return false;
    }

private:
    std::function<void()> m_onClick;
};

} // namespace

void TfrmMain::connectBrandHandlers() {
    new ClickFilter(imgBanner, guarded(m_services.reporter, [this] { imgBannerClick(); }));
    new ClickFilter(gifBanner, guarded(m_services.reporter, [this] { gifBannerClick(); }));
    connect(btnMakeMoney, &QPushButton::clicked, this,
            guarded(m_services.reporter, [this] { btnMakeMoneyClick(); }));
}

void TfrmMain::LoadBrandSettings() {
    if (!m_startup)
        return;
    const StartupSettings startup = *std::exchange(m_startup, std::nullopt);
    // What reading the file threw before the application object existed is reported now.
    startup.rethrowError();
    // No settings file: the window keeps its design, skin and icon included.
    if (startup.settings.state == SettingsState::Absent)
        return;
    // A refused file brands the window as an empty one would; the status bar says why, once.
    if (startup.settings.state == SettingsState::Refused)
        MainStatusPanel->setText(RefusedSettingsStatus(startup.settings.refusal));

    // A refused file reads as an empty text: every field empty, the skin and icon still applied.
    const BrandLoad load =
        app::LoadBrandSettings(startup.settings.text, m_services.random, FilesIn(brandDir()));
    m_brand = load.settings;
    // Each part on its own: a bad one is left out and reported, the others are applied all the
    // same. Every bad part is told once, together, in one message.
    QStringList problems;
    applyBrandTexts(load);
    if (!load.bannerItemBroken)
        problems.append(applyBanner(load));
    if (!load.bannerError.isEmpty())
        problems.append(load.bannerError);
    if (load.linksError.isEmpty())
        applyLinks(load);
    else
        problems.append(load.linksError);
    problems.append(applySkinAndIcon());
    problems.removeAll(QString());
    if (!problems.isEmpty())
        throw std::runtime_error(problems.join(u'\n').toStdString());
}

void TfrmMain::applyBrandTexts(const BrandLoad& load) {
    setWindowTitle(toWidgetText(load.caption));
    btnNews->setVisible(load.newsButtonVisible);
    btnMakeMoney->setText(toWidgetText(load.makeMoneyCaption));
}

QString TfrmMain::applyBanner(const BrandLoad& load) {
    if (load.bannerHandCursor) {
        imgBanner->setCursor(Qt::PointingHandCursor);
        gifBanner->setCursor(Qt::PointingHandCursor);
    }
    if (load.bannerPanelHidden()) {
        panBanner->hide();
        return {};
    }
    const bool animated = load.bannerPicture == BannerPicture::Animated;
    gifBanner->setVisible(animated);
    imgBanner->setVisible(!animated);
    // An unknown kind leaves the picture empty; the load reports it.
    if (load.bannerPicture == BannerPicture::Unknown)
        return {};

    // Read where it is stored: the file is never moved or renamed, its kind comes from the name
    // in the settings.
    const QString path = QDir(brandDir()).filePath(BannerFileName(load.bannerIndex));
    QLabel* const banner = animated ? gifBanner : imgBanner;
    const BannerPictureRead read = ReadBannerPicture(path, load.pictureFormat);
    if (!read.problem.isEmpty()) {
        panBanner->hide();
        return read.problem;
    }
    if (animated) {
        auto* movie = new QMovie(path, load.pictureFormat, gifBanner);
        gifBanner->setMovie(movie);
        gifBanner->resize(read.picture.size());
        movie->start();
    } else {
        imgBanner->setPixmap(QPixmap::fromImage(read.picture));
        imgBanner->resize(read.picture.size());
    }
    panBanner->setFixedHeight(banner->height() + BannerPanelMargin);
    FormResize();
    return {};
}

void TfrmMain::applyLinks(const BrandLoad& load) {
    panLinks->setVisible(load.linksVisible);
    lblLink1URL->setLink(load.settings.Link1Text, load.settings.Link1URL);
    lblLink2URL->setLink(load.settings.Link2Text, load.settings.Link2URL);
}

QString TfrmMain::applySkinAndIcon() {
    const QDir dir(brandDir());
    // The reseller's skin restyles every window; a file without a readable skin keeps the stored one.
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application && applySkinFile(*application, dir.filePath(QString::fromLatin1(SkinFileName)))) {
        // The one caption sized to its text when the window was made: its font may have changed.
        bsSkinStdLabel6->resize(bsSkinStdLabel6->sizeHint());
    }

    const QString iconPath = dir.filePath(QString::fromLatin1(IconFileName));
    if (!QFileInfo(iconPath).isFile())
        return {};
    if (QString problem = IconFileProblem(iconPath); !problem.isEmpty())
        return problem;
    // Every size the file holds.
    QApplication::setWindowIcon(QIcon(iconPath));
    return {};
}

void TfrmMain::imgBannerClick() {
    if (!m_brand.BannerURL.isEmpty())
        openInBrowser(m_brand.BannerURL);
}

void TfrmMain::gifBannerClick() {
    if (!m_brand.BannerURL.isEmpty())
        openInBrowser(m_brand.BannerURL);
}

void TfrmMain::btnMakeMoneyClick() {
    // Also without an affiliate link: the browser then opens on its own start page.
    openInBrowser(m_brand.AffiliateURL);
}

} // namespace velmora::app
