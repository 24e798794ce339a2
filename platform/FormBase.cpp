#include "platform/FormBase.h"

#include <QScopedValueRollback>

#include "platform/DataExchange.h"

CFormBase::CFormBase(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

bool CFormBase::UpdateData(bool saveAndValidate) {
    // The rollback also clears the flag when DoDataExchange throws anything
    // other than CUserException.
    const QScopedValueRollback<bool> exchanging(m_bExchanging, true);
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(dx);
    } catch (const CUserException&) {
        return false;
    }
    return true;
}
