#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <initializer_list>

#include "res/Resource.h"
#include "view/MorvaneView.h"

// What the form's controls show, read as the user sees it.
inline QLineEdit* FormEdit(const CMorvaneView* view, int id) {
    return qobject_cast<QLineEdit*>(view->GetDlgItem(id));
}

inline QString FormText(const CMorvaneView* view, int id) {
    if (const auto* label = qobject_cast<QLabel*>(view->GetDlgItem(id))) {
        return label->text();
    }
    const QLineEdit* edit = FormEdit(view, id);
    return edit ? edit->text() : QStringLiteral("<no control %1>").arg(id);
}

// The texts of the controls, separated by blanks.
inline QString FormTexts(const CMorvaneView* view, std::initializer_list<int> ids) {
    QStringList texts;
    for (int id : ids) {
        texts << FormText(view, id);
    }
    return texts.join(QLatin1Char(' '));
}

inline QString FormRegionTexts(const CMorvaneView* view) {
    return FormTexts(view, {IDC_XMIN, IDC_XMAX, IDC_YMIN, IDC_YMAX});
}
