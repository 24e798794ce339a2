#include "platform/DataExchange.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "platform/MessageBox.h"

namespace {

void SetTextIfChanged(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
    }
}

const QString kIntMessage = QStringLiteral("整数を入力してください。");
const QString kUIntMessage = QStringLiteral("正の整数を入力してください。");
const QString kRealMessage = QStringLiteral("数字を入力してください。");

}  // namespace

CDataExchange::CDataExchange(QWidget* form, bool saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pForm(form) {}

void CDataExchange::Fail(QWidget* control, const QString& message) {
    CMessageBox::Show(m_pForm, message);
    if (control != nullptr) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->selectAll();
        }
    }
    throw CUserException();
}

void DDX_Text(CDataExchange& dx, QLabel* label, QString& value) {
    if (dx.m_bSaveAndValidate) {
        value = label->text();
    } else if (label->text() != value) {
        label->setText(value);
    }
}

void DDX_Int(CDataExchange& dx, QLineEdit* edit, std::int32_t& value) {
    if (!dx.m_bSaveAndValidate) {
        SetTextIfChanged(edit, DdxFormatInt(value));
    } else if (!DdxParseInt(edit->text(), value)) {
        dx.Fail(edit, kIntMessage);
    }
}

void DDX_UInt(CDataExchange& dx, QLineEdit* edit, std::uint32_t& value) {
    if (!dx.m_bSaveAndValidate) {
        SetTextIfChanged(edit, DdxFormatUInt(value));
    } else if (!DdxParseUInt(edit->text(), value)) {
        dx.Fail(edit, kUIntMessage);
    }
}

void DDX_Real(CDataExchange& dx, QLineEdit* edit, double& value) {
    if (!dx.m_bSaveAndValidate) {
        SetTextIfChanged(edit, DdxFormatReal(value));
    } else if (!DdxParseReal(edit->text(), value)) {
        dx.Fail(edit, kRealMessage);
    }
}

void DDX_Radio(CDataExchange& dx, std::initializer_list<QRadioButton*> group, std::int32_t& index) {
    if (dx.m_bSaveAndValidate) {
        index = -1;
        std::int32_t i = 0;
        for (QRadioButton* button : group) {
            if (button->isChecked()) {
                index = i;
                break;
            }
            ++i;
        }
        return;
    }
    std::int32_t i = 0;
    for (QRadioButton* button : group) {
        const bool check = i++ == index;
        if (button->isChecked() == check) {
            continue;
        }
        // The checked button of an exclusive group refuses to be unchecked
        // directly, and none of the group may end up checked.
        QButtonGroup* buttonGroup = button->group();
        const bool groupExclusive = buttonGroup != nullptr && buttonGroup->exclusive();
        const bool autoExclusive = button->autoExclusive();
        if (!check) {
            if (groupExclusive) {
                buttonGroup->setExclusive(false);
            }
            button->setAutoExclusive(false);
        }
        button->setChecked(check);
        button->setAutoExclusive(autoExclusive);
        if (groupExclusive) {
            buttonGroup->setExclusive(true);
        }
    }
}
