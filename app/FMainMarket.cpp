// The main window's market and device: the country and language every single search asks the
// engine for, and whether it asks as a desktop or as a phone. A Market button in the status bar
// (or Ctrl+M) opens a small popup with the three; the choice holds for the searches to come and
// is remembered in the user's settings.

#include "app/FMain.h"

#include "app/ErrorReporter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace velmora::app {
namespace {

const QString CountryKey = QStringLiteral("search/country");
const QString LanguageKey = QStringLiteral("search/language");
const QString DeviceKey = QStringLiteral("search/device");

// What the button says beside its picture: nothing until something is chosen (the status
// sentence keeps its room), then the choice ("de/en · phone").
QString MarketButtonText(const search::Market& market, search::Device device) {
    QStringList parts;
    if (!market.isEmpty())
        parts << QString::fromLatin1(search::MarketName(market));
    if (device == search::Device::Phone)
        parts << search::DeviceName(device);
    return parts.join(QStringLiteral(" \u00B7 "));
}

} // namespace

void TfrmMain::createMarketParts() {
    // In the status bar beside the History button: no control of the main page moves for it.
    btnMarket = new QToolButton(bsSkinStatusBar1);
    btnMarket->setObjectName(QStringLiteral("btnMarket"));
    btnMarket->setToolTip(QStringLiteral("Country, language and device of the searches (Ctrl+M)"));
    btnMarket->setAutoRaise(true);
    btnMarket->setAccessibleName(QStringLiteral("Market"));
    btnMarket->setIcon(btnMarket->style()->standardIcon(QStyle::SP_ComputerIcon));
    btnMarket->setIconSize(QSize(14, 14));
    btnMarket->setFocusPolicy(Qt::NoFocus);
    btnMarket->setFixedHeight(17);
    bsSkinStatusBar1->insertPermanentWidget(1, btnMarket);

    frmMarket = new QFrame(this, Qt::Popup);
    frmMarket->setObjectName(QStringLiteral("frmMarket"));
    frmMarket->setFrameShape(QFrame::StyledPanel);
    edtCountry = new QLineEdit(frmMarket);
    edtCountry->setObjectName(QStringLiteral("edtCountry"));
    edtCountry->setPlaceholderText(QStringLiteral("any, or two letters such as de"));
    // Two letters or none: nothing else can be typed.
    auto* code =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z]{0,2}")), frmMarket);
    edtCountry->setValidator(code);
    edtLanguage = new QLineEdit(frmMarket);
    edtLanguage->setObjectName(QStringLiteral("edtLanguage"));
    edtLanguage->setPlaceholderText(QStringLiteral("any, or two letters such as en"));
    edtLanguage->setValidator(code);
    cmbDevice = new QComboBox(frmMarket);
    cmbDevice->setObjectName(QStringLiteral("cmbDevice"));
    cmbDevice->addItem(QStringLiteral("Desktop"), int(search::Device::Desktop));
    cmbDevice->addItem(QStringLiteral("Phone"), int(search::Device::Phone));
    lblMarketError = new QLabel(frmMarket);
    lblMarketError->setObjectName(QStringLiteral("lblMarketError"));
    lblMarketError->setWordWrap(true);
    lblMarketError->hide();
    auto* form = new QFormLayout(frmMarket);
    form->addRow(QStringLiteral("&Country:"), edtCountry);
    form->addRow(QStringLiteral("&Language:"), edtLanguage);
    form->addRow(QStringLiteral("&Device:"), cmbDevice);
    form->addRow(lblMarketError);

    // What was remembered; a code edited by hand into something else is left out.
    search::Market market;
    search::Device device = search::Device::Desktop;
    if (QSettings* settings = m_services.userSettings) {
        QString ignored;
        const QByteArray country = settings->value(CountryKey).toString().toLatin1();
        const QByteArray language = settings->value(LanguageKey).toString().toLatin1();
        if (!search::ParseMarketCode(country, "country", &market.country, &ignored))
            market.country.clear();
        if (!search::ParseMarketCode(language, "language", &market.language, &ignored))
            market.language.clear();
        device = search::DeviceFromName(settings->value(DeviceKey).toString().toLatin1())
                     .value_or(search::Device::Desktop);
    }
    edtCountry->setText(QString::fromLatin1(market.country));
    edtLanguage->setText(QString::fromLatin1(market.language));
    cmbDevice->setCurrentIndex(device == search::Device::Phone ? 1 : 0);
    setMarketChoice(market, device);

    connect(edtCountry, &QLineEdit::textChanged, this, handler(&TfrmMain::marketEdited));
    connect(edtLanguage, &QLineEdit::textChanged, this, handler(&TfrmMain::marketEdited));
    connect(cmbDevice, &QComboBox::currentIndexChanged, this, handler(&TfrmMain::marketEdited));
    connect(btnMarket, &QToolButton::clicked, this, handler(&TfrmMain::btnMarketClick));
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this), &QShortcut::activated, this,
            handler(&TfrmMain::btnMarketClick));
}

void TfrmMain::btnMarketClick() {
    frmMarket->adjustSize();
    // Above the button, its right edges on the button's, inside the window's screen.
    const QPoint corner = btnMarket->mapToGlobal(QPoint(btnMarket->width(), 0));
    frmMarket->move(corner - QPoint(frmMarket->width(), frmMarket->height()));
    frmMarket->show();
    edtCountry->setFocus();
    edtCountry->selectAll();
}

void TfrmMain::marketEdited() {
    // A code half typed leaves that code as it was until it is two letters (or none), and says so.
    search::Market market = m_market;
    QStringList why;
    QString sentence;
    if (!search::ParseMarketCode(edtCountry->text().toUtf8(), "country", &market.country, &sentence))
        why << sentence;
    if (!search::ParseMarketCode(edtLanguage->text().toUtf8(), "language", &market.language, &sentence))
        why << sentence;
    lblMarketError->setText(why.join(u' '));
    lblMarketError->setVisible(!why.isEmpty());
    setMarketChoice(market, search::Device(cmbDevice->currentData().toInt()));
}

void TfrmMain::setMarketChoice(const search::Market& market, search::Device device) {
    m_market = market;
    m_device = device;
    const QString text = MarketButtonText(market, device);
    btnMarket->setText(text);
    btnMarket->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    if (QSettings* settings = m_services.userSettings) {
        settings->setValue(CountryKey, QString::fromLatin1(market.country));
        settings->setValue(LanguageKey, QString::fromLatin1(market.language));
        settings->setValue(DeviceKey, search::DeviceName(device));
        settings->sync();
    }
}

} // namespace velmora::app
