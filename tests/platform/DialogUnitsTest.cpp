#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "platform/DialogUnits.h"

namespace {

const QString kIpaPGothic = QStringLiteral("IPAPGothic");

}  // namespace

class DialogUnitsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallDialogFontSubstitutes(); }

    void bothDialogFontNamesResolveToIpaPGothic() {
        if (!QFontDatabase::families().contains(kIpaPGothic)) {
            QSKIP("IPAPGothic (fonts-ipafont-gothic) is not installed");
        }
        const QFont font = DialogFont();
        QCOMPARE(font.pointSize(), 9);
        QCOMPARE(QFontInfo(font).family(), kIpaPGothic);
        QCOMPARE(QFontInfo(QFont(QStringLiteral("MS PGothic"), 9)).family(), kIpaPGothic);
    }

    void ipaPGothicAt96DpiGivesTheMeasuredUnits() {
        if (!QFontDatabase::families().contains(kIpaPGothic)) {
            QSKIP("IPAPGothic (fonts-ipafont-gothic) is not installed");
        }
        if (QGuiApplication::primaryScreen()->logicalDotsPerInchY() != 96) {
            QSKIP("the screen is not at 96 dpi");
        }
        const CDialogUnits units(DialogFont());
        QCOMPARE(units.BaseX(), 7);
        QCOMPARE(units.BaseY(), 13);

        // The control panel form, 190 x 294 units.
        const QRect form = units.ToPixels(0, 0, 190, 294);
        QCOMPARE(form.topLeft(), QPoint(0, 0));
        QVERIFY2(qAbs(form.width() - 332) <= 1, qPrintable(QString::number(form.width())));
        QVERIFY2(qAbs(form.height() - 477) <= 1, qPrintable(QString::number(form.height())));
    }

    void conversionsRoundHalvesAwayFromZero() {
        if (!QFontDatabase::families().contains(kIpaPGothic)) {
            QSKIP("IPAPGothic (fonts-ipafont-gothic) is not installed");
        }
        const CDialogUnits units(DialogFont());
        if (units.BaseX() != 7 || units.BaseY() != 13) {
            QSKIP("the base units differ from the 96 dpi measurement");
        }
        QCOMPARE(units.ToPixelsX(1), 2);      // 1.75
        QCOMPARE(units.ToPixelsX(2), 4);      // 3.5
        QCOMPARE(units.ToPixelsX(5), 9);      // 8.75
        QCOMPARE(units.ToPixelsX(190), 333);  // 332.5
        QCOMPARE(units.ToPixelsY(4), 7);      // 6.5
        QCOMPARE(units.ToPixelsY(3), 5);      // 4.875
        QCOMPARE(units.ToPixelsY(-4), -7);
        QCOMPARE(units.ToPixelsX(-2), -4);
        // A control of the form: position and size are converted separately.
        QCOMPARE(units.ToPixels(155, 172, 32, 14), QRect(271, 280, 56, 23));
    }

    void unitsFollowTheFontSize() {
        QFont small = DialogFont();
        QFont large = DialogFont();
        large.setPointSize(small.pointSize() * 2);
        const CDialogUnits smallUnits(small);
        const CDialogUnits largeUnits(large);
        QVERIFY(smallUnits.BaseX() > 0 && smallUnits.BaseY() > 0);
        QVERIFY(largeUnits.BaseX() > smallUnits.BaseX());
        QVERIFY(largeUnits.BaseY() > smallUnits.BaseY());
        QCOMPARE(largeUnits.ToPixelsX(4), largeUnits.BaseX());
        QCOMPARE(largeUnits.ToPixelsY(8), largeUnits.BaseY());
    }
};

QTEST_MAIN(DialogUnitsTest)
#include "DialogUnitsTest.moc"
