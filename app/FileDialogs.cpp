#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

#include "res/Strings.h"

namespace {

QStringList Filters() {
    return {QString::fromUtf8("Velmoraﾌｧｲﾙ(*.mvn)"), QString::fromUtf8(kAllFilesFilter)};
}

std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

}  // namespace

std::optional<QString> CQtFileDialogs::GetOpenFileName(QWidget* parent) {
    QFileDialog dialog(parent, QString::fromUtf8(kOpenDialogTitle));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(Filters());
    return Chosen(dialog);
}

std::optional<QString> CQtFileDialogs::GetSaveFileName(QWidget* parent, const QString& proposed) {
    QFileDialog dialog(parent, QString::fromUtf8(kSaveAsDialogTitle));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(Filters());
    dialog.setDefaultSuffix(QStringLiteral("mvn"));  // a name typed without extension
    dialog.selectFile(proposed);
    return Chosen(dialog);
}
