#pragma once

#include <QFileDialog>
#include <QString>

#include <memory>
#include <optional>

class QWidget;

// The file dialogs of File Open and Save As, replaceable in tests.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // "開く": an existing file, or nothing when cancelled.
    virtual std::optional<QString> GetOpenFileName(QWidget* parent) = 0;
    // "名前を付けて保存": a name in an existing folder, proposing `proposed`.
    virtual std::optional<QString> GetSaveFileName(QWidget* parent, const QString& proposed) = 0;
};

class CQtFileDialogs : public IFileDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget* parent) override;
    std::optional<QString> GetSaveFileName(QWidget* parent, const QString& proposed) override;

    // The dialogs themselves, set up but not yet shown.
    static std::unique_ptr<QFileDialog> CreateOpenDialog(QWidget* parent);
    static std::unique_ptr<QFileDialog> CreateSaveDialog(QWidget* parent, const QString& proposed);
};
