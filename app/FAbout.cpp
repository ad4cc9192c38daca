#include "app/FAbout.h"

#include "app/ErrorReporter.h"
#include "app/LayoutHelpers.h"
#include "brand/AppGlobals.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace velmora::app {
namespace {

constexpr QSize DesignSize(368, 211);

} // namespace

QStringList splitTextLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

TfrmAbout::TfrmAbout(const BrandSettings& brand, ErrorReporter& reporter, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(DesignSize);
    setModal(true);

    lblProductName = new QLabel(this);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    lblProductName->setStyleSheet(QStringLiteral("font-weight: bold;"));
    lblProductVersion = new QLabel(this);
    lblProductVersion->setObjectName(QStringLiteral("lblProductVersion"));
    lblCopyright1 = new QLabel(this);
    lblCopyright1->setObjectName(QStringLiteral("lblCopyright1"));
    for (QLabel* label : {lblProductName, lblProductVersion, lblCopyright1})
        label->setTextFormat(Qt::PlainText);

    bsSkinPanel1 = new QWidget(this);
    bsSkinPanel1->setObjectName(QStringLiteral("bsSkinPanel1"));
    placeAnchored(bsSkinPanel1, QRect(8, 88, 348, 71), AnchorLeft | AnchorTop | AnchorRight | AnchorBottom,
                  DesignSize);

    // The memo scrolls through the separate bar at its right, as the layout has it.
    memAbout = new QPlainTextEdit(bsSkinPanel1);
    memAbout->setObjectName(QStringLiteral("memAbout"));
    memAbout->setReadOnly(true);
    memAbout->setFrameShape(QFrame::NoFrame);
    memAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memAbout->setStyleSheet(QStringLiteral("color: black; font-family: Arial; font-size: 14px;"));
    memAbout->setFocusPolicy(Qt::NoFocus);
    bsSkinScrollBar1 = new QScrollBar(Qt::Vertical, bsSkinPanel1);
    bsSkinScrollBar1->setObjectName(QStringLiteral("bsSkinScrollBar1"));
    constexpr int ScrollBarWidth = 19;
    placeAnchored(memAbout, QRect(0, 0, 348 - ScrollBarWidth, 71),
                  AnchorLeft | AnchorTop | AnchorRight | AnchorBottom, QSize(348, 71));
    placeAnchored(bsSkinScrollBar1, QRect(348 - ScrollBarWidth, 0, ScrollBarWidth, 71),
                  AnchorTop | AnchorRight | AnchorBottom, QSize(348, 71));
    // The bar follows the memo's own range from the start (a new bar's range is 0 to 99, a
    // thumb that moves over nothing); with nothing to scroll it is disabled.
    QScrollBar* inner = memAbout->verticalScrollBar();
    const auto followRange = [this, inner] {
        bsSkinScrollBar1->setPageStep(inner->pageStep());
        bsSkinScrollBar1->setSingleStep(inner->singleStep());
        bsSkinScrollBar1->setRange(inner->minimum(), inner->maximum());
        bsSkinScrollBar1->setEnabled(inner->maximum() > inner->minimum());
    };
    followRange();
    connect(inner, &QScrollBar::rangeChanged, bsSkinScrollBar1, followRange);
    connect(inner, &QScrollBar::valueChanged, bsSkinScrollBar1, &QScrollBar::setValue);
    connect(bsSkinScrollBar1, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);

    editAbout = new QPushButton(QStringLiteral("Ok"), this);
    editAbout->setObjectName(QStringLiteral("editAbout"));
    editAbout->setDefault(true);
    placeAnchored(editAbout, QRect(129, 171, 87, 21), AnchorLeft | AnchorBottom, DesignSize);
    connect(editAbout, &QPushButton::clicked, this, guarded(reporter, [this] { editAboutClick(); }));
    editAbout->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    runGuarded(reporter, [&] { FormCreate(brand); });
}

void TfrmAbout::FormCreate(const BrandSettings& brand) {
    const QString name = toWidgetText(brand.ApplicationName);
    setWindowTitle(QStringLiteral("About ") + name + QStringLiteral("..."));
    lblProductName->setText(name);
    lblProductVersion->setText(QStringLiteral("Product Version: ") + toWidgetText(AppVersion));
    lblCopyright1->setText(QStringLiteral("Copyright (c) ") + toWidgetText(brand.CopyrightYears) + u' ' +
                           toWidgetText(brand.CopyrightCompany));
    memAbout->setPlainText(splitTextLines(toWidgetText(brand.AboutText)).join(u'\n'));

    // The labels size themselves to their text, from the positions of the layout.
    const QPoint positions[] = {{9, 7}, {9, 32}, {9, 58}};
    QLabel* labels[] = {lblProductName, lblProductVersion, lblCopyright1};
    for (int i = 0; i < 3; ++i) {
        labels[i]->ensurePolished();
        labels[i]->setGeometry(QRect(positions[i], labels[i]->sizeHint()));
    }
}

void TfrmAbout::editAboutClick() {
    accept();
}

} // namespace velmora::app
