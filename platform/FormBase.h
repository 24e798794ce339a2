#pragma once

#include <QWidget>

class CDataExchange;

// A form whose controls are bound to fields by DoDataExchange.
class CFormBase : public QWidget {
    Q_OBJECT
public:
    explicit CFormBase(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Reads the controls into the fields (true) or writes the fields into the
    // controls (false). Returns false when a control's text could not be
    // read; the user has then been told and the fields after it are unchanged.
    bool UpdateData(bool saveAndValidate = true);

    // True while UpdateData runs: change handlers ignore the notifications
    // that the exchange itself raises.
    bool IsExchanging() const { return m_bExchanging; }

protected:
    virtual void DoDataExchange(CDataExchange& dx) = 0;

private:
    bool m_bExchanging = false;
};
