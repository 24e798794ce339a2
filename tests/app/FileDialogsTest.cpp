#include <QComboBox>
#include <QFile>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QtTest>

#include "app/FileDialogs.h"
#include "platform/MessageBox.h"
#include "res/Resources.h"
#include "res/Strings.h"

// The dialogs of File Open and Save As, shown modeless and driven directly.
class FileDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        for (const char* name : {"a.mvn", "noext", "b.txt"}) {
            QFile file(m_dir.filePath(QString::fromUtf8(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    void allFilesShowsNamesWithoutADot() {
        for (bool save : {false, true}) {
            std::unique_ptr<QFileDialog> dialog =
                save ? CQtFileDialogs::CreateSaveDialog(nullptr, m_dir.filePath("x.mvn"))
                     : CQtFileDialogs::CreateOpenDialog(nullptr);
            dialog->setDirectory(m_dir.path());
            dialog->show();
            auto* model = dialog->findChild<QFileSystemModel*>();
            QVERIFY(model);
            QCOMPARE(model->nameFilters(), QStringList{QStringLiteral("*.mvn")});
            // The user picks the filter from the dialog's list.
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            Pick(types, 1);
            QCOMPARE(dialog->selectedNameFilter(), QString::fromUtf8(kAllFilesFilter));
            QCOMPARE(model->nameFilters(), QStringList{QStringLiteral("*")});
            Pick(types, 0);
            QCOMPARE(model->nameFilters(), QStringList{QStringLiteral("*.mvn")});
        }
    }

    void saveAsRequiresAnExistingFolder() {
        CMessageBoxCapture messages;
        auto dialog = CQtFileDialogs::CreateSaveDialog(nullptr, m_dir.filePath("x.mvn"));
        dialog->setDirectory(m_dir.path());
        dialog->show();
        const QString missing = m_dir.filePath(QStringLiteral("missing"));
        dialog->selectFile(missing + QStringLiteral("/y.mvn"));
        QMetaObject::invokeMethod(dialog.get(), "accept");
        QVERIFY(dialog->isVisible());  // still asking
        QCOMPARE(messages.Texts(),
                 QStringList{missing + QString::fromUtf8(" が見つかりませんでした。")});
        dialog->selectFile(m_dir.filePath(QStringLiteral("y.mvn")));
        QMetaObject::invokeMethod(dialog.get(), "accept");
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->selectedFiles(), QStringList{m_dir.filePath(QStringLiteral("y.mvn"))});
    }

private:
    static void Pick(QComboBox* box, int index) {
        // What a choice in the list signals, in the order the list sends it.
        box->setCurrentIndex(index);
        emit box->activated(index);
        emit box->textActivated(box->itemText(index));
        QCoreApplication::processEvents();
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(FileDialogsTest)
#include "FileDialogsTest.moc"
