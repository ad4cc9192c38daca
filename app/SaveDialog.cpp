#include "app/SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace velmora::app {
namespace {

// Keeps itself open for a name it does not take; Qt's own dialog would treat "*" as a
// filter pattern or a blank name as the folder.
class FileNameDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (files.isEmpty())
            return;
        // A folder is stepped into by Qt's accept; a name must pass first.
        const QFileInfo chosen(files.first());
        if (!chosen.isDir() && !IsAcceptableFileName(chosen.fileName()))
            return;
        QFileDialog::accept();
    }
};

class QtSaveDialog final : public SaveDialog {
public:
    QString askFileName(QWidget* parent, const QString& title, const QString& filter,
                        const QString& suffix) override {
        FileNameDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Qt's own widgets, so that the rules above hold on every desktop.
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        dialog.selectFile(QString());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return WithSuffix(dialog.selectedFiles().first(), suffix);
    }
};

} // namespace

QString WithSuffix(const QString& name, const QString& suffix) {
    if (QFileInfo(name).suffix().compare(suffix, Qt::CaseInsensitive) == 0)
        return name;
    return name + u'.' + suffix;
}

bool IsAcceptableFileName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'*');
}

SaveDialog& SystemSaveDialog() {
    static QtSaveDialog dialog;
    return dialog;
}

} // namespace velmora::app
