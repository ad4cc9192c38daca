#pragma once

#include "brand/BrandSettings.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace velmora::app {

class ErrorReporter;

// The about box: product name, version, copyright line and the reseller's about text.
// Made on demand, shown modally, destroyed when it closes.
class TfrmAbout final : public QDialog {
    Q_OBJECT

public:
    TfrmAbout(const BrandSettings& brand, ErrorReporter& reporter, QWidget* parent = nullptr);

private:
    void FormCreate(const BrandSettings& brand);
    void editAboutClick();

    QLabel* lblProductName;
    QLabel* lblProductVersion;
    QLabel* lblCopyright1;
    QWidget* bsSkinPanel1;
    QPlainTextEdit* memAbout;
    QScrollBar* bsSkinScrollBar1;
    QPushButton* editAbout;
};

// A text broken into lines at CR, LF and CR LF; a line break at the very end starts no
// further line, and an empty text has no lines.
QStringList splitTextLines(const QString& text);

} // namespace velmora::app
