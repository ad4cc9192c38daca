#pragma once

#include <QString>

class QWidget;

namespace velmora::app {

// The program's save dialog. Tests substitute one that answers as told.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // Asks modally, over parent, for the name of a file to write, with one file type
    // (filter as "Description (*.ext)"). The name box starts empty; an empty name or one
    // with "*" is not accepted, and an existing file is taken without a question. Returns
    // the full path ending in "." + suffix (see WithSuffix), or an empty string when the
    // user cancels.
    virtual QString askFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& suffix) = 0;
};

// name with "." + suffix appended unless its extension already is that one, compared
// without regard to case: results -> results.csv, results.txt -> results.txt.csv,
// Results.CSV stays.
QString WithSuffix(const QString& name, const QString& suffix);

// Whether the dialog takes a typed name: not empty, and no "*" in it.
bool IsAcceptableFileName(const QString& name);

// The real one, a QFileDialog.
SaveDialog& SystemSaveDialog();

} // namespace velmora::app
