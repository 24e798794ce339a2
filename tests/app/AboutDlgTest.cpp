#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/AboutDlg.h"
#include "app/LinkStatic.h"
#include "platform/DialogUnits.h"
#include "res/Resources.h"

namespace {

const QString kLink = QStringLiteral("https://velmora.example/");

// How many pixels of the image are pure blue, in columns [from, to).
int BluePixels(const QImage& image, int from, int to) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = from; x < to; ++x) {
            count += (image.pixel(x, y) & 0xFFFFFFu) == 0x0000FFu ? 1 : 0;
        }
    }
    return count;
}

// The width the link takes when painted.
int LinkTextWidth(const QString& link) {
    return QFontMetrics(CLinkStatic::LinkFont()).horizontalAdvance(link);
}

}  // namespace

// The version dialog, shown modeless so that the test can work it; the
// addresses it would open are recorded instead of opened.
class AboutDlgTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void init() {
        m_opened.clear();
        m_dialog = std::make_unique<CAboutDlg>(nullptr, [this](const QUrl& url) {
            m_opened << url;
            return true;
        });
        m_dialog->m_strVersion = QStringLiteral("Velmora Ver 1.0");
        m_dialog->m_strNotice = QStringLiteral("Notice line of the test");
        m_dialog->m_strLink = kLink;
    }

    void cleanup() { m_dialog.reset(); }

    void textsAreSetWhenShown() {
        QCOMPARE(Label("1026")->text(), QStringLiteral("Velmora Version 1.0"));  // the template's
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        QCOMPARE(m_dialog->windowTitle(), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報(Velmora)"));
        QCOMPARE(Label("1026")->text(), QStringLiteral("Velmora Ver 1.0"));
        QCOMPARE(Label("1025")->text(), QStringLiteral("Notice line of the test"));
        QCOMPARE(Link()->Link(), kLink);
        QVERIFY(m_opened.isEmpty());
    }

    void clickInsideLinkOpensItOnce() {
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        CLinkStatic* link = Link();
        // Right of the painted text, still inside the control.
        QVERIFY(LinkTextWidth(kLink) < link->width() - 4);
        ClickAt(link->geometry().bottomRight() - QPoint(1, 1));
        QCOMPARE(m_opened, QList<QUrl>{QUrl(kLink)});
        QVERIFY(m_dialog->isVisible());
    }

    void doubleClickOpensOnceInALineOf15Pixels() {
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        CLinkStatic* link = Link();
        // A double click arrives as press, release, double click, release.
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseDClick(link, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(m_opened, QList<QUrl>{QUrl(kLink)});
        ClickAt(link->geometry().center());  // a later click is a click again
        QCOMPARE(m_opened.size(), 2);
        const QFontMetrics metrics(CLinkStatic::LinkFont());
        QVERIFY(metrics.height() <= 15);
        QVERIFY(metrics.height() >= 13);
        QVERIFY(CLinkStatic::LinkFont().pixelSize() < 15);
    }

    void clickOutsideLinkOpensNothing() {
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        const QRect link = Link()->geometry();
        for (const QPoint& at : {link.topLeft() - QPoint(2, 0), link.bottomLeft() + QPoint(1, 2),
                                 link.topRight() + QPoint(2, 0), link.topLeft() - QPoint(0, 2)}) {
            ClickAt(at);
        }
        ClickAt(Label("1026")->geometry().center());
        ClickAt(Label("1025")->geometry().center());
        QVERIFY(m_opened.isEmpty());
        QVERIFY(m_dialog->isVisible());
    }

    void linkIsPaintedBlue() {
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        CLinkStatic* link = Link();
        const QImage image = link->grab().toImage();
        const int textWidth = LinkTextWidth(kLink);
        QVERIFY(BluePixels(image, 0, textWidth) > 0);
        QCOMPARE(BluePixels(image, textWidth + 2, image.width()), 0);
    }

    void longLinkIsCutAtTheRightEdge() {
        m_dialog->m_strLink = kLink + QString(60, QLatin1Char('x'));
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        CLinkStatic* link = Link();
        const QRect place = link->geometry();
        const QImage image = link->grab().toImage();
        QCOMPARE(link->geometry(), place);
        QVERIFY(BluePixels(image, image.width() - 1, image.width()) > 0);  // the underline
        // The whole control still opens the link.
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(link->width() - 1, 1));
        QCOMPARE(m_opened, QList<QUrl>{QUrl(m_dialog->m_strLink)});
    }

    void okAndEscapeClose() {
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        auto* ok = m_dialog->findChild<QPushButton*>(QStringLiteral("1"));
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int{QDialog::Accepted});

        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int{QDialog::Rejected});
        QVERIFY(m_opened.isEmpty());
    }

    // The command's own dialog, modal: worked from inside its event loop.
    void showAboutUsesTheProgramsTexts() {
        QList<QUrl> opened;
        QString version;
        QString link;
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) {
                return;
            }
            seen = true;
            version = dialog->findChild<QLabel*>(QStringLiteral("1026"))->text();
            auto* control = dialog->findChild<CLinkStatic*>(QStringLiteral("1024"));
            link = control->Link();
            QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(control->width() - 1, 1));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        });
        poll.start();
        // Should the dialog never be found, it is closed all the same.
        QTimer::singleShot(30000, this, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        CAboutDlg::ShowAbout(nullptr, [&](const QUrl& url) {
            opened << url;
            return true;
        });
        poll.stop();
        QVERIFY(seen);
        QCOMPARE(version, QStringLiteral("Velmora Ver 1.0"));
        QVERIFY(!link.isEmpty());
        QCOMPARE(opened, QList<QUrl>{QUrl(link)});
    }

private:
    // A left click where the window system would deliver it: to the control
    // under the point of the dialog.
    void ClickAt(const QPoint& at) {
        QWidget* target = m_dialog->childAt(at);
        if (target == nullptr) {
            target = m_dialog.get();
        }
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(m_dialog.get(), at));
    }

    QLabel* Label(const char* id) const { return m_dialog->findChild<QLabel*>(QLatin1String(id)); }
    CLinkStatic* Link() const { return m_dialog->findChild<CLinkStatic*>(QStringLiteral("1024")); }

    std::unique_ptr<CAboutDlg> m_dialog;
    QList<QUrl> m_opened;
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
