// The recent-file list against a damaged settings file and entries whose
// files went away since an earlier run: the program starts without a word,
// and an entry that no longer opens leaves the menu and the settings file.
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Resources.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool WriteParameterFile(const QString& path, int iterationLimit) {
    CMorvaneDoc doc(1);
    doc.m_iterationLimit = iterationLimit;
    CPosixFileStore store;
    return SaveDocumentFile(doc, path.toStdString(), store).ok;
}

// The entries of the file menu between its two separators around the list.
QStringList RecentMenuTexts(const CMainFrame* frame) {
    QMenu* fileMenu = frame->menuBar()->actions().value(0)->menu();
    emit fileMenu->aboutToShow();
    QStringList texts;
    int separators = 0;
    for (const QAction* action : fileMenu->actions()) {
        if (action->isSeparator()) {
            ++separators;
        } else if (separators == 1 && action->isVisible()) {
            texts << (action->isEnabled() ? action->text() : '[' + action->text() + ']');
        }
    }
    return texts;
}

}  // namespace

class RecentFileFaultTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_ini = Path(QStringLiteral("velmora.ini"));
        m_messages = std::make_unique<CMessageBoxCapture>();
    }

    void cleanup() {
        m_app.reset();
        m_messages.reset();
        m_dir.reset();
    }

    void damagedSettingsFileStartsQuietly_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("menu");
        QByteArray noise;
        for (int i = 0; i < 1 << 18; ++i) {
            noise += static_cast<char>((i * 2654435761U) >> 24);
        }
        noise.replace('[', ']');
        const QString greyed = QString::fromUtf8("[最新のﾌｧｲﾙ]");

        QTest::newRow("empty") << QByteArray() << QStringList{greyed};
        QTest::newRow("noise") << noise << QStringList{greyed};
        QTest::newRow("noise around the section")
            << noise + "\n[Recent File List]\nFile1=/d/a.mvn\nFile2=/d/\xff.mvn\n" + noise
            << QStringList{"&1 /d/a.mvn", QString::fromUtf8("&2 /d/\xff.mvn")};
    }

    void damagedSettingsFileStartsQuietly() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, menu);
        QVERIFY(WriteAll(m_ini, content));
        QVERIFY(Start());
        QCOMPARE(RecentMenuTexts(m_app->Frame()), menu);
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void missingOrUnreadableSettingsFileStartsEmpty() {
        // Missing: nothing is written while the list stays empty.
        QVERIFY(Start());
        QCOMPARE(m_app->RecentFiles().Count(), 0);
        m_app->ExitInstance();
        QVERIFY(!QFile::exists(m_ini));
        QVERIFY(m_messages->Texts().isEmpty());

        // Unreadable: an empty list, and the file survives the exit as it was.
        const QByteArray content = "[Recent File List]\nFile1=/d/a.mvn\n";
        QVERIFY(WriteAll(m_ini, content));
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::WriteOwner));
        if (QFile(m_ini).open(QIODevice::ReadOnly)) {
            QSKIP("permission bits do not stop this process");
        }
        m_app.reset();
        QVERIFY(Start());
        QCOMPARE(m_app->RecentFiles().Count(), 0);
        const QString opened = Path(QStringLiteral("opened.mvn"));
        QVERIFY(WriteParameterFile(opened, 150));
        QVERIFY(m_app->OpenDocumentFile(opened));
        m_app->ExitInstance();
        QVERIFY(m_messages->Texts().isEmpty());
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(ReadAll(m_ini), content);
    }

    void entryThatNoLongerOpensIsForgotten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");  // a folder of that name now stands there
        QTest::addColumn<QString>("message");
        QTest::newRow("gone") << "gone.mvn" << false
                              << QString::fromUtf8(" が見つかりませんでした。");
        QTest::newRow("now a folder")
            << "folder.mvn" << true << QString::fromUtf8(" へのｱｸｾｽは拒否されました。");
    }

    // The list comes from an earlier run's settings file, not from this run.
    void entryThatNoLongerOpensIsForgotten() {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(QString, message);
        const QString lost = Path(name);
        const QString kept = Path(QStringLiteral("kept.mvn"));
        QVERIFY(WriteParameterFile(kept, 170));
        if (folder) {
            QVERIFY(QDir().mkdir(lost));
        }
        QVERIFY(WriteAll(m_ini, "[Settings]\nx=1\n[Recent File List]\nFile1=" + kept.toUtf8() +
                                    "\nFile2=" + lost.toUtf8() + "\n"));
        QVERIFY(Start());
        QVERIFY(m_app->OpenDocumentFile(kept));
        const QString keptPath = QString::fromStdString(m_app->Document().GetPathName());

        m_app->OnCommand(ID_FILE_MRU_FILE2);
        QCOMPARE(m_messages->Texts(), QStringList{lost + message});
        QCOMPARE(RecentMenuTexts(m_app->Frame()).size(), 1);
        QCOMPARE(m_app->RecentFiles().At(0), kept);
        QCOMPARE(m_app->Document().m_iterationLimit, 170);
        QCOMPARE(QString::fromStdString(m_app->Document().GetPathName()), keptPath);

        // Choosing the menu place it held does nothing now.
        m_app->OnCommand(ID_FILE_MRU_FILE2);
        QCOMPARE(m_messages->Texts().size(), 1);

        m_app->ExitInstance();
        QCOMPARE(ReadAll(m_ini),
                 "[Settings]\nx=1\n[Recent File List]\nFile1=" + kept.toUtf8() + "\n");
    }

private:
    QString Path(const QString& name) const { return m_dir->filePath(name); }

    bool Start() {
        CMorvaneApp::Options options;
        options.iniPath = m_ini;
        options.workerCount = 2;
        m_app = std::make_unique<CMorvaneApp>(std::move(options));
        return m_app->InitInstance({});
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
    std::unique_ptr<CMessageBoxCapture> m_messages;
    std::unique_ptr<CMorvaneApp> m_app;
};

QTEST_MAIN(RecentFileFaultTest)
#include "RecentFileFaultTest.moc"
