#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/RecentFileList.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

QStringList Entries(const CRecentFileList& list) {
    QStringList entries;
    for (int i = 0; i < list.Count(); ++i) {
        entries << list.At(i);
    }
    return entries;
}

}  // namespace

class RecentFileListTest : public QObject {
    Q_OBJECT
private slots:
    void addKeepsFourFullPathsNewestFirst();
    void addingAListedFileMovesItToTheTop();
    void removeDropsOneEntry();
    void menuTextNumbersAndShortensPaths_data();
    void menuTextNumbersAndShortensPaths();
    void saveWritesLiteralSectionThatLoadReadsBack();
    void saveReplacesOnlyItsOwnSection();
    void saveCreatesMissingFolderAndRefusesADirectory();
    void loadReadsEntriesInKeyOrderSkippingTheRest();
    void loadOfUnusableFileGivesEmptyList_data();
    void loadOfUnusableFileGivesEmptyList();
    void loadOfDamagedFileKeepsWhatIsReadable_data();
    void loadOfDamagedFileKeepsWhatIsReadable();
    void loadOfUnreadableFileGivesEmptyListAndSaveKeepsIt();
    void oversizedOrSpecialFilesAreReadBoundedAndKept();

private:
    QTemporaryDir m_dir;
};

void RecentFileListTest::addKeepsFourFullPathsNewestFirst() {
    CRecentFileList list;
    list.Add(QString());
    QCOMPARE(list.Count(), 0);

    list.Add(QStringLiteral("relative.mvn"));
    QCOMPARE(list.At(0), QDir::current().absoluteFilePath(QStringLiteral("relative.mvn")));

    for (const char* name : {"/d/1.mvn", "/d/x/../2.mvn", "/d/./3.mvn", "/d//4.mvn"}) {
        list.Add(QString::fromLatin1(name));
    }
    QCOMPARE(Entries(list), (QStringList{"/d/4.mvn", "/d/3.mvn", "/d/2.mvn", "/d/1.mvn"}));
    QCOMPARE(list.At(4), QString());
    QCOMPARE(list.At(-1), QString());
}

void RecentFileListTest::addingAListedFileMovesItToTheTop() {
    CRecentFileList list;
    list.Add(QStringLiteral("/d/a.mvn"));
    list.Add(QStringLiteral("/d/b.mvn"));
    list.Add(QStringLiteral("/d/c.mvn"));
    list.Add(QStringLiteral("/d/sub/../a.mvn"));
    QCOMPARE(Entries(list), (QStringList{"/d/a.mvn", "/d/c.mvn", "/d/b.mvn"}));

    // A link and its target are the same file.
    const QString target = m_dir.filePath(QStringLiteral("target.mvn"));
    const QString link = m_dir.filePath(QStringLiteral("link.mvn"));
    WriteAll(target, "x");
    QVERIFY(QFile::link(target, link));
    list.Add(target);
    list.Add(QStringLiteral("/d/e.mvn"));
    list.Add(link);
    QCOMPARE(Entries(list), (QStringList{link, "/d/e.mvn", "/d/a.mvn", "/d/c.mvn"}));
}

void RecentFileListTest::removeDropsOneEntry() {
    CRecentFileList list;
    list.Add(QStringLiteral("/d/a.mvn"));
    list.Add(QStringLiteral("/d/b.mvn"));
    list.Add(QStringLiteral("/d/c.mvn"));
    list.Remove(1);
    list.Remove(7);
    list.Remove(-1);
    QCOMPARE(Entries(list), (QStringList{"/d/c.mvn", "/d/a.mvn"}));
}

void RecentFileListTest::menuTextNumbersAndShortensPaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    const QString name26 = QStringLiteral("abcdefghijklmnopqrstuv.mvn");
    const QString name40 = QStringLiteral("a-very-long-parameter-file-name-0001.mvn");

    QTest::newRow("fits") << "/tmp/a.mvn"
                          << "/tmp/a.mvn";
    QTest::newRow("exactly 30") << "/home/user/fractals/spiral.mvn"
                                << "/home/user/fractals/spiral.mvn";
    QTest::newRow("folders give way") << "/home/user/projects/fractals/deep/zoom.mvn"
                                      << "/.../fractals/deep/zoom.mvn";
    QTest::newRow("name and ellipsis") << "/home/user/" + name26.mid(1) << "/.../" + name26.mid(1);
    QTest::newRow("name only") << "/home/user/" + name26 << name26;
    QTest::newRow("name cut") << "/home/" + name40 << name40.left(27) + "...";
    QTest::newRow("ampersand") << "/tmp/a&b.mvn"
                               << "/tmp/a&&b.mvn";
    QTest::newRow("tab") << "/tmp/a\tb.mvn"
                         << "/tmp/a b.mvn";
    QTest::newRow("japanese") << "/home/ユーザー/フラクタル/保存/ﾏﾝﾃﾞﾙﾌﾞﾛ集合の深い場所/拡大.mvn"
                              << "/.../保存/ﾏﾝﾃﾞﾙﾌﾞﾛ集合の深い場所/拡大.mvn";
}

void RecentFileListTest::menuTextNumbersAndShortensPaths() {
    QFETCH(QString, path);
    QFETCH(QString, shown);
    CRecentFileList list;
    list.Add(path);
    QCOMPARE(list.MenuText(0), "&1 " + shown);

    for (int i = 0; i < 3; ++i) {
        list.Add(QStringLiteral("/other%1.mvn").arg(i));
    }
    QCOMPARE(list.MenuText(3), "&4 " + shown);
    QCOMPARE(list.MenuText(4), QString());
}

void RecentFileListTest::saveWritesLiteralSectionThatLoadReadsBack() {
    const QString ini = m_dir.filePath(QStringLiteral("roundtrip.ini"));
    const QStringList paths{"/d/My Files/a b.mvn", "/d/フラクタル/ﾏﾝﾃﾞﾙ.mvn", "/d/c.mvn",
                            "/d/trailing blank "};
    CRecentFileList saved;
    for (const QString& path : paths) {
        saved.Add(path);
    }
    QVERIFY(saved.Save(ini));

    const QByteArray text = ReadAll(ini);
    QVERIFY(text.startsWith("[Recent File List]\n"));
    QVERIFY(text.contains("File1=\"/d/trailing blank \"\n"));
    QVERIFY(text.contains(QStringLiteral("File3=/d/フラクタル/ﾏﾝﾃﾞﾙ.mvn\n").toUtf8()));
    QVERIFY(text.contains("File4=/d/My Files/a b.mvn\n"));

    CRecentFileList loaded;
    QVERIFY(loaded.Load(ini));
    QCOMPARE(Entries(loaded), Entries(saved));
}

void RecentFileListTest::saveReplacesOnlyItsOwnSection() {
    const QString ini = m_dir.filePath(QStringLiteral("shared.ini"));
    WriteAll(ini,
             "[Settings]\r\nx=1\r\n[Recent File List]\r\nFile1=/old1.mvn\r\nFile3=/old3.mvn\r\n"
             "[Other]\r\ny=\xff\xfe\r\n");
    CRecentFileList list;
    list.Add(QStringLiteral("/new.mvn"));
    QVERIFY(list.Save(ini));
    QCOMPARE(ReadAll(ini), QByteArray("[Settings]\r\nx=1\r\n[Recent File List]\r\n"
                                      "File1=/new.mvn\r\n[Other]\r\ny=\xff\xfe\r\n"));

    QVERIFY(CRecentFileList().Save(ini));
    QCOMPARE(ReadAll(ini), QByteArray("[Settings]\r\nx=1\r\n[Other]\r\ny=\xff\xfe\r\n"));
}

void RecentFileListTest::saveCreatesMissingFolderAndRefusesADirectory() {
    CRecentFileList list;
    list.Add(QStringLiteral("/d/a.mvn"));
    const QString nested = m_dir.filePath(QStringLiteral("new/folder/velmora.ini"));
    QVERIFY(list.Save(nested));
    QCOMPARE(ReadAll(nested), QByteArray("[Recent File List]\nFile1=/d/a.mvn\n"));

    QVERIFY(!list.Save(m_dir.path()));
    QVERIFY(QFileInfo(m_dir.path()).isDir());
}

void RecentFileListTest::loadReadsEntriesInKeyOrderSkippingTheRest() {
    const QString ini = m_dir.filePath(QStringLiteral("partial.ini"));
    WriteAll(ini,
             "\xEF\xBB\xBF"
             "File1=/outside.mvn\r\n"
             "[recent file list]\r\n"
             "File3 = /third.mvn\r\n"
             "garbage line\r\n"
             "file1=\r\n"
             "File2=/second.mvn\r\n"
             "File5=/fifth.mvn\r\n"
             "File4=/second.mvn\r\n"
             "[Next]\r\n"
             "File1=/next.mvn\r\n");
    CRecentFileList list;
    QVERIFY(list.Load(ini));
    QCOMPARE(Entries(list), (QStringList{"/second.mvn", "/third.mvn"}));

    // Loading replaces what was there.
    QVERIFY(!list.Load(m_dir.filePath(QStringLiteral("missing.ini"))));
    QCOMPARE(list.Count(), 0);
}

void RecentFileListTest::loadOfUnusableFileGivesEmptyList_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("readable");

    const QString empty = m_dir.filePath(QStringLiteral("empty.ini"));
    WriteAll(empty, QByteArray());
    QByteArray noise;
    for (int i = 0; i < 4096; ++i) {
        noise += static_cast<char>((i * 7919 + 13) % 256);
    }
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.ini"));
    WriteAll(garbage, noise + "\n[Recent File List\nFile1\n=\n[]\n");

    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("none.ini")) << false;
    QTest::newRow("empty") << empty << true;
    QTest::newRow("garbage") << garbage << true;
    QTest::newRow("directory") << m_dir.path() << false;
}

void RecentFileListTest::loadOfUnusableFileGivesEmptyList() {
    QFETCH(QString, path);
    QFETCH(bool, readable);
    CRecentFileList list;
    list.Add(QStringLiteral("/d/a.mvn"));
    QCOMPARE(list.Load(path), readable);
    QCOMPARE(list.Count(), 0);
}

void RecentFileListTest::loadOfDamagedFileKeepsWhatIsReadable_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("entries");

    // Ten megabytes of seeded noise, as a disk error or a stray write leaves.
    QByteArray noise(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator random(8);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    noise.replace('[', ' ');  // no section may open by chance
    const QByteArray section = "\n[Recent File List]\nFile2=/d/b.mvn\n";
    const QByteArray hugeLine(4 * 1024 * 1024, 'x');

    QTest::newRow("10 MB of noise") << noise << QStringList();
    // Only the first megabyte is read.
    QTest::newRow("noise within the first megabyte before the section")
        << noise.left(512 * 1024) + section << QStringList{"/d/b.mvn"};
    QTest::newRow("10 MB of noise before the section") << noise + section << QStringList();
    QTest::newRow("noise after the section") << section + noise.left(4096) + "\n"
                                             << QStringList{"/d/b.mvn"};
    QTest::newRow("huge line before the section") << hugeLine + section << QStringList();
    QTest::newRow("invalid UTF-8 in the section name")
        << QByteArray("[Recent \xff\xfe List]\nFile1=/d/a.mvn\n") << QStringList();
    QTest::newRow("invalid UTF-8 in a key")
        << QByteArray("[Recent File List]\nFi\xc3le1=/d/a.mvn\nFile2=/d/b.mvn\n")
        << QStringList{"/d/b.mvn"};
    QTest::newRow("UTF-16 text") << QByteArray("\xff\xfe[\0R\0]\0\n\0F\0=\0/\0\n\0", 18)
                                 << QStringList();
    QTest::newRow("only a byte order mark") << QByteArray("\xEF\xBB\xBF") << QStringList();
    QTest::newRow("no line end at all") << QByteArray("[Recent File List]") << QStringList();
}

void RecentFileListTest::loadOfDamagedFileKeepsWhatIsReadable() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, entries);
    const QString ini = m_dir.filePath(QStringLiteral("damaged.ini"));
    WriteAll(ini, content);
    CRecentFileList list;
    list.Add(QStringLiteral("/d/old.mvn"));
    QVERIFY(list.Load(ini));
    QCOMPARE(Entries(list), entries);
}

void RecentFileListTest::loadOfUnreadableFileGivesEmptyListAndSaveKeepsIt() {
    const QString ini = m_dir.filePath(QStringLiteral("withheld.ini"));
    const QByteArray content = "[Settings]\nx=1\n[Recent File List]\nFile1=/d/a.mvn\n";
    WriteAll(ini, content);
    QVERIFY(QFile::setPermissions(ini, QFileDevice::WriteOwner));
    QFile probe(ini);
    if (probe.open(QIODevice::ReadOnly)) {
        QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSKIP("permission bits do not stop this process");
    }

    CRecentFileList list;
    list.Add(QStringLiteral("/d/old.mvn"));
    QVERIFY(!list.Load(ini));
    QCOMPARE(list.Count(), 0);
    // What it could not read, it does not overwrite.
    list.Add(QStringLiteral("/d/new.mvn"));
    QVERIFY(!list.Save(ini));
    QVERIFY(QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(ReadAll(ini), content);
}

void RecentFileListTest::oversizedOrSpecialFilesAreReadBoundedAndKept() {
    const QString ini = m_dir.filePath(QStringLiteral("huge.ini"));
    QByteArray content = "[Recent File List]\nFile1=/d/a.mvn\n";
    content += QByteArray(3 << 20, ';');  // one comment line of 3 MiB
    content += "\nFile2=/d/b.mvn\n";
    WriteAll(ini, content);
    CRecentFileList list;
    QVERIFY(list.Load(ini));
    QCOMPARE(Entries(list), QStringList{QStringLiteral("/d/a.mvn")});
    list.Add(QStringLiteral("/d/new.mvn"));
    QVERIFY(!list.Save(ini));  // what it has not read, it does not cut off
    QCOMPARE(ReadAll(ini), content);

    const QString fifo = m_dir.filePath(QStringLiteral("fifo.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!list.Load(fifo));  // returns at once instead of waiting for a writer
    QVERIFY(!list.Save(fifo));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

QTEST_GUILESS_MAIN(RecentFileListTest)
#include "RecentFileListTest.moc"
