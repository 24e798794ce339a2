#include "platform/DataExchange.h"

#include <QButtonGroup>
#include <QByteArray>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/MessageBox.h"

namespace {

constexpr int kMaxTextLength = 31;

// The characters that count, as ASCII-compatible bytes; anything outside
// ASCII cannot be part of a number and makes the text unreadable.
QByteArray Significant(const QString& text) {
    return text.left(kMaxTextLength).toUtf8();
}

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}
bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

const char* SkipBlanks(const char* p, const char* end) {
    while (p != end && IsBlank(*p)) {
        ++p;
    }
    return p;
}

bool OnlyBlanksFollow(const char* p, const char* end) {
    return SkipBlanks(p, end) == end;
}

// A decimal integer: optional sign, digits, trailing blanks only.
struct ScannedInteger {
    char first;  // first character after the leading blanks
    bool negative;
    std::uint64_t magnitude;
};

bool ScanInteger(const QString& text, ScannedInteger& scanned) {
    const QByteArray bytes = Significant(text);
    const char* const end = bytes.constData() + bytes.size();
    const char* p = SkipBlanks(bytes.constData(), end);
    if (p == end) {
        return false;
    }
    scanned.first = *p;
    scanned.negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    // Unsigned parsing takes digits only: no second sign, no blanks.
    const auto [next, error] = std::from_chars(p, end, scanned.magnitude);
    return error == std::errc{} && OnlyBlanksFollow(next, end);
}

bool AcceptedZero(char first, bool isZero) {
    return !isZero || first == '0';
}

void SetTextIfChanged(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
    }
}

const QString kIntMessage = QStringLiteral("整数を入力してください。");
const QString kUIntMessage = QStringLiteral("正の整数を入力してください。");
const QString kRealMessage = QStringLiteral("数字を入力してください。");

}  // namespace

bool DdxParseInt(const QString& text, std::int32_t& value) {
    ScannedInteger scanned{};
    if (!ScanInteger(text, scanned)) {
        return false;
    }
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) +
        (scanned.negative ? 1 : 0);
    if (scanned.magnitude > limit || !AcceptedZero(scanned.first, scanned.magnitude == 0)) {
        return false;
    }
    const auto signedMagnitude = static_cast<std::int64_t>(scanned.magnitude);
    value = static_cast<std::int32_t>(scanned.negative ? -signedMagnitude : signedMagnitude);
    return true;
}

bool DdxParseUInt(const QString& text, std::uint32_t& value) {
    ScannedInteger scanned{};
    if (!ScanInteger(text, scanned) || scanned.negative) {
        return false;
    }
    if (scanned.magnitude > std::numeric_limits<std::uint32_t>::max() ||
        !AcceptedZero(scanned.first, scanned.magnitude == 0)) {
        return false;
    }
    value = static_cast<std::uint32_t>(scanned.magnitude);
    return true;
}

bool DdxParseReal(const QString& text, double& value) {
    const QByteArray bytes = Significant(text);
    const char* const end = bytes.constData() + bytes.size();
    const char* p = SkipBlanks(bytes.constData(), end);
    if (p == end) {
        return false;
    }
    const char first = *p;
    const bool negative = first == '-';
    if (first == '+' || first == '-') {
        ++p;
    }
    // Digits or a decimal point must come first: this keeps out "inf", "nan"
    // and a second sign; "0x" stops after the 0 and fails on what follows.
    if (p == end || !(IsDigit(*p) || *p == '.')) {
        return false;
    }
    double magnitude = 0.0;
    const auto [next, error] = std::from_chars(p, end, magnitude, std::chars_format::general);
    if (error != std::errc{} || !std::isfinite(magnitude) || !OnlyBlanksFollow(next, end) ||
        !AcceptedZero(first, magnitude == 0.0)) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

QString DdxFormatInt(std::int32_t value) {
    return QString::number(value);
}

QString DdxFormatUInt(std::uint32_t value) {
    return QString::number(value);
}

QString DdxFormatReal(double value) {
    if (value == 0.0) {
        return QStringLiteral("0");  // "-0" would not read back
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

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
