#pragma once

#include <QString>

class QWidget;

namespace velmora::app {

// The program's open dialog, beside the save dialog. Tests substitute one that answers as told.
class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    // Asks modally, over parent, for an existing file to read (filter as "Description (*.a *.b)").
    // Returns its full path, or an empty string when the user cancels.
    virtual QString askFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
};

// The real one, a QFileDialog.
OpenDialog& SystemOpenDialog();

} // namespace velmora::app
