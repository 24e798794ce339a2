#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <cstdint>
#include <stdexcept>

#include "platform/DataExchange.h"
#include "platform/FormBase.h"
#include "platform/MessageBox.h"

namespace {

// A small form with one field of each exchange kind, exchanged in the order
// label, signed, unsigned, real, radio group.
class CSampleForm : public CFormBase {
public:
    CSampleForm() {
        auto* layout = new QVBoxLayout(this);
        for (QWidget* control : std::initializer_list<QWidget*>{
                 m_pLabel, m_pSigned, m_pUnsigned, m_pReal, m_pFirstRadio, m_pSecondRadio}) {
            layout->addWidget(control);
        }
    }

    QLabel* m_pLabel = new QLabel(this);
    QLineEdit* m_pSigned = new QLineEdit(this);
    QLineEdit* m_pUnsigned = new QLineEdit(this);
    QLineEdit* m_pReal = new QLineEdit(this);
    QRadioButton* m_pFirstRadio = new QRadioButton(this);
    QRadioButton* m_pSecondRadio = new QRadioButton(this);

    QString m_strLabel;
    std::int32_t m_nSigned = 0;
    std::uint32_t m_nUnsigned = 0;
    double m_dReal = 0.0;
    std::int32_t m_nRadio = -1;

    bool m_bExchangingSeen = false;
    bool m_bThrowForeign = false;

    void SetTexts(const QString& s, const QString& u, const QString& r) {
        m_pSigned->setText(s);
        m_pUnsigned->setText(u);
        m_pReal->setText(r);
    }

protected:
    void DoDataExchange(CDataExchange& dx) override {
        m_bExchangingSeen = IsExchanging();
        if (m_bThrowForeign) {
            throw std::runtime_error("not a user error");
        }
        DDX_Text(dx, m_pLabel, m_strLabel);
        DDX_Int(dx, m_pSigned, m_nSigned);
        DDX_UInt(dx, m_pUnsigned, m_nUnsigned);
        DDX_Real(dx, m_pReal, m_dReal);
        DDX_Radio(dx, {m_pFirstRadio, m_pSecondRadio}, m_nRadio);
    }
};

// What the next message box to open showed; it is answered with OK.
struct SeenBox {
    bool opened = false;
    bool modal = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Watches from the event loop of the box for the box to appear, records it
// and clicks OK. The watcher dies with `context` should no box ever open.
void AnswerNextBox(QObject* context, SeenBox& seen) {
    auto* watcher = new QTimer(context);
    QObject::connect(watcher, &QTimer::timeout, watcher, [watcher, &seen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible()) {
                continue;
            }
            seen = {true,        box->isModal(), box->windowTitle(),
                    box->text(), box->icon(),    box->standardButtons()};
            watcher->stop();
            box->button(QMessageBox::Ok)->click();
            return;
        }
    });
    watcher->start(0);
}

}  // namespace

class FormBaseTest : public QObject {
    Q_OBJECT

private slots:
    void readsEveryKindIntoItsField() {
        CSampleForm form;
        CMessageBoxCapture capture(&form);
        form.m_pLabel->setText(QStringLiteral("-1.800000"));
        form.SetTexts(QStringLiteral(" -12 "), QStringLiteral("640"), QStringLiteral("1e-3"));
        form.m_pSecondRadio->setChecked(true);

        QVERIFY(form.UpdateData(true));
        QCOMPARE(form.m_strLabel, QStringLiteral("-1.800000"));
        QCOMPARE(form.m_nSigned, -12);
        QCOMPARE(form.m_nUnsigned, 640U);
        QCOMPARE(form.m_dReal, 1e-3);
        QCOMPARE(form.m_nRadio, 1);
        QVERIFY(capture.Texts().isEmpty());

        form.m_pSecondRadio->setAutoExclusive(false);
        form.m_pSecondRadio->setChecked(false);
        QVERIFY(form.UpdateData());
        QCOMPARE(form.m_nRadio, -1);
    }

    void badTextIsReportedFocusedAndSelected_data() {
        QTest::addColumn<QString>("signedText");
        QTest::addColumn<QString>("unsignedText");
        QTest::addColumn<QString>("realText");
        QTest::addColumn<int>("failing");
        QTest::addColumn<QString>("message");
        QTest::newRow("integer") << "12a"
                                 << "7"
                                 << "2.5" << 0 << "整数を入力してください。";
        QTest::newRow("empty integer") << ""
                                       << "7"
                                       << "2.5" << 0 << "整数を入力してください。";
        QTest::newRow("negative unsigned") << "3"
                                           << "-5"
                                           << "2.5" << 1 << "正の整数を入力してください。";
        QTest::newRow("minus zero real") << "3"
                                         << "7"
                                         << "-0" << 2 << "数字を入力してください。";
        QTest::newRow("point zero real") << "3"
                                         << "7"
                                         << ".0" << 2 << "数字を入力してください。";
    }

    void badTextIsReportedFocusedAndSelected() {
        QFETCH(QString, signedText);
        QFETCH(QString, unsignedText);
        QFETCH(QString, realText);
        QFETCH(int, failing);
        QFETCH(QString, message);

        CSampleForm form;
        form.show();
        form.m_nSigned = 111;
        form.m_nUnsigned = 222;
        form.m_dReal = 3.5;
        form.m_nRadio = 0;
        form.SetTexts(signedText, unsignedText, realText);
        form.m_pSecondRadio->setChecked(true);
        CMessageBoxCapture capture;  // application-wide

        QVERIFY(!form.UpdateData(true));
        QVERIFY(!form.IsExchanging());
        QCOMPARE(capture.Texts(), QStringList{message});
        QCOMPARE(capture.Messages().front().icon, QMessageBox::Warning);

        QLineEdit* const edits[] = {form.m_pSigned, form.m_pUnsigned, form.m_pReal};
        QLineEdit* const bad = edits[failing];
        QCOMPARE(form.focusWidget(), bad);
        QCOMPARE(bad->selectedText(), bad->text());
        QVERIFY(bad->text().isEmpty() || bad->hasSelectedText());

        // Fields before the failure were read; it and everything after kept
        // their values.
        QCOMPARE(form.m_nSigned, failing > 0 ? 3 : 111);
        QCOMPARE(form.m_nUnsigned, failing > 1 ? 7U : 222U);
        QCOMPARE(form.m_dReal, 3.5);
        QCOMPARE(form.m_nRadio, 0);
    }

    void writingChangesOnlyDifferingControls() {
        CSampleForm form;
        form.m_strLabel = QStringLiteral("0.600000");
        form.m_nSigned = -7;
        form.m_nUnsigned = 4000000000U;
        form.m_dReal = -0.6;
        form.m_nRadio = 1;
        QVERIFY(form.UpdateData(false));
        QCOMPARE(form.m_pLabel->text(), QStringLiteral("0.600000"));
        QCOMPARE(form.m_pSigned->text(), QStringLiteral("-7"));
        QCOMPARE(form.m_pUnsigned->text(), QStringLiteral("4000000000"));
        QCOMPARE(form.m_pReal->text(), QStringLiteral("-0.6"));
        QVERIFY(!form.m_pFirstRadio->isChecked());
        QVERIFY(form.m_pSecondRadio->isChecked());

        QSignalSpy signedSpy(form.m_pSigned, &QLineEdit::textChanged);
        QSignalSpy unsignedSpy(form.m_pUnsigned, &QLineEdit::textChanged);
        QSignalSpy realSpy(form.m_pReal, &QLineEdit::textChanged);
        QSignalSpy radioSpy(form.m_pSecondRadio, &QRadioButton::toggled);
        form.m_pReal->setCursorPosition(1);  // where the user left the caret
        QVERIFY(form.UpdateData(false));
        QCOMPARE(signedSpy.count() + unsignedSpy.count() + realSpy.count() + radioSpy.count(), 0);
        QCOMPARE(form.m_pReal->cursorPosition(), 1);

        form.m_nUnsigned = 5;
        QVERIFY(form.UpdateData(false));
        QCOMPARE(unsignedSpy.count(), 1);
        QCOMPARE(signedSpy.count() + realSpy.count(), 0);
    }

    void radioWriteChecksExactlyTheIndexedButton() {
        CSampleForm form;
        form.m_nRadio = 0;
        QVERIFY(form.UpdateData(false));
        QVERIFY(form.m_pFirstRadio->isChecked() && !form.m_pSecondRadio->isChecked());
        form.m_nRadio = 1;
        QVERIFY(form.UpdateData(false));
        QVERIFY(!form.m_pFirstRadio->isChecked() && form.m_pSecondRadio->isChecked());
        form.m_nRadio = -1;  // none, though the buttons are auto-exclusive
        QVERIFY(form.UpdateData(false));
        QVERIFY(!form.m_pFirstRadio->isChecked() && !form.m_pSecondRadio->isChecked());
        QVERIFY(form.m_pFirstRadio->autoExclusive() && form.m_pSecondRadio->autoExclusive());
        form.m_nRadio = 0;
        QVERIFY(form.UpdateData(false));
        QVERIFY(form.m_pFirstRadio->isChecked() && !form.m_pSecondRadio->isChecked());
    }

    void exchangingIsVisibleToHandlersAndAlwaysCleared() {
        CSampleForm form;
        QVERIFY(!form.IsExchanging());
        QList<bool> seen;
        connect(form.m_pSigned, &QLineEdit::textChanged,
                [&form, &seen] { seen.append(form.IsExchanging()); });

        form.m_nSigned = 42;
        QVERIFY(form.UpdateData(false));
        QVERIFY(form.m_bExchangingSeen);
        QCOMPARE(seen, QList<bool>{true});
        QVERIFY(!form.IsExchanging());

        form.m_pSigned->setText(QStringLiteral("43"));  // the user typing
        QCOMPARE(seen, (QList<bool>{true, false}));

        form.m_bThrowForeign = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, form.UpdateData(true));
        QVERIFY(!form.IsExchanging());
    }

    void failureShowsTheProgramsMessageBox() {
        CSampleForm form;
        form.show();
        form.SetTexts(QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("1"));
        SeenBox seen;
        AnswerNextBox(&form, seen);
        QVERIFY(!form.UpdateData(true));
        QVERIFY(seen.opened);
        QVERIFY(seen.modal);
        QCOMPARE(seen.title, QStringLiteral("Velmora"));
        QCOMPARE(seen.text, QStringLiteral("整数を入力してください。"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void captureCoversOnlyItsScopeAndNests() {
        QWidget outside;
        CSampleForm form;
        CMessageBoxCapture formCapture(&form);
        {
            CMessageBoxCapture inner(form.m_pReal);
            QCOMPARE(CMessageBox::Show(form.m_pReal, QStringLiteral("a")), int(QMessageBox::Ok));
            CMessageBox::Show(&form, QStringLiteral("b"), QMessageBox::Information);
            QCOMPARE(inner.Texts(), QStringList{QStringLiteral("a")});
        }
        CMessageBox::Show(form.m_pReal, QStringLiteral("c"));
        QCOMPARE(formCapture.Texts(), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(formCapture.Messages().front().icon, QMessageBox::Information);

        // A box outside the scope opens for real.
        SeenBox seen;
        AnswerNextBox(&outside, seen);
        QCOMPARE(CMessageBox::Show(&outside, QStringLiteral("d")), int(QMessageBox::Ok));
        QCOMPARE(seen.text, QStringLiteral("d"));
        QCOMPARE(formCapture.Texts().size(), 2);
    }
};

QTEST_MAIN(FormBaseTest)
#include "FormBaseTest.moc"
