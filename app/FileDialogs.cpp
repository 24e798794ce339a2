#include "app/FileDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStringList>

#include "document/FileMessages.h"
#include "platform/MessageBox.h"
#include "res/Strings.h"

namespace {

// Save As: a name whose folder does not exist is refused in the dialog, which
// stays open for another name.
class CSaveFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo chosen(files.first());
            if (!chosen.isDir() && !QFileInfo(chosen.absolutePath()).isDir()) {
                const std::string folder = chosen.absolutePath().toStdString();
                CMessageBox::Show(this, QString::fromStdString(FileErrorMessage(
                                            CFileErrorCause::fileNotFound, folder)));
                return;
            }
        }
        QFileDialog::accept();
    }
};

// Our own dialog on every desktop, with both filters. The all-files filter
// reads "*.*" as its text says, but shows every file, also those whose
// names have no dot.
void SetUp(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString allFiles = QString::fromUtf8(kAllFilesFilter);
    dialog.setNameFilters({QString::fromUtf8("Velmoraﾌｧｲﾙ(*.mvn)"), allFiles});
    // Queued: the dialog sets the patterns of the filter after telling of it.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, allFiles](const QString& filter) {
            if (filter != allFiles) {
                return;
            }
            if (auto* model = dialog.findChild<QFileSystemModel*>()) {
                model->setNameFilters({QStringLiteral("*")});
            }
        },
        Qt::QueuedConnection);
}

std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

}  // namespace

std::unique_ptr<QFileDialog> CQtFileDialogs::CreateOpenDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString::fromUtf8(kOpenDialogTitle));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    SetUp(*dialog);
    return dialog;
}

std::unique_ptr<QFileDialog> CQtFileDialogs::CreateSaveDialog(QWidget* parent,
                                                              const QString& proposed) {
    auto dialog = std::make_unique<CSaveFileDialog>(parent, QString::fromUtf8(kSaveAsDialogTitle));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    SetUp(*dialog);
    dialog->setDefaultSuffix(QStringLiteral("mvn"));  // a name typed without extension
    dialog->selectFile(proposed);
    return dialog;
}

std::optional<QString> CQtFileDialogs::GetOpenFileName(QWidget* parent) {
    return Chosen(*CreateOpenDialog(parent));
}

std::optional<QString> CQtFileDialogs::GetSaveFileName(QWidget* parent, const QString& proposed) {
    return Chosen(*CreateSaveDialog(parent, proposed));
}
