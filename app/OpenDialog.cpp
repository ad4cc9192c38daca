#include "app/OpenDialog.h"

#include <QFileDialog>

namespace velmora::app {
namespace {

class QtOpenDialog final : public OpenDialog {
public:
    QString askFileName(QWidget* parent, const QString& title, const QString& filter) override {
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        // Qt's own widgets, as the save dialog uses.
        dialog.setOptions(QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }
};

} // namespace

OpenDialog& SystemOpenDialog() {
    static QtOpenDialog dialog;
    return dialog;
}

} // namespace velmora::app
