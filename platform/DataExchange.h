#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <initializer_list>

#include "platform/DdxParse.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

// Thrown by CDataExchange::Fail after the user has been told what is wrong;
// CFormBase::UpdateData catches it and reports failure.
class CUserException : public std::exception {
public:
    const char* what() const noexcept override { return "data exchange stopped"; }
};

// One exchange between a form's controls and its fields, in one direction.
class CDataExchange {
public:
    CDataExchange(QWidget* form, bool saveAndValidate);

    // Tells the user `message`, gives `control` the focus with its whole
    // text selected and stops the exchange by throwing CUserException.
    [[noreturn]] void Fail(QWidget* control, const QString& message);

    bool m_bSaveAndValidate;  // true: controls to fields; false: fields to controls
    QWidget* m_pForm;
};

// Exchange routines. Writing changes a control only when its state differs,
// so writing back unchanged values raises no change notification.
void DDX_Text(CDataExchange& dx, QLabel* label, QString& value);
void DDX_Int(CDataExchange& dx, QLineEdit* edit, std::int32_t& value);
void DDX_UInt(CDataExchange& dx, QLineEdit* edit, std::uint32_t& value);
void DDX_Real(CDataExchange& dx, QLineEdit* edit, double& value);
// Reading stores the index of the checked button, or -1 when none is checked;
// writing checks the button at `index` and unchecks the others (all of them
// when `index` is out of range).
void DDX_Radio(CDataExchange& dx, std::initializer_list<QRadioButton*> group, std::int32_t& index);
