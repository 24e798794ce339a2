#include "res/Resources.h"

#include <QString>

#include "res/NavIconEngine.h"
#include "res/Resource.h"

// Q_INIT_RESOURCE declares the generated registration function where it is used, so
// it must be called from a function outside any namespace.
void InitResources() {
    Q_INIT_RESOURCE(velmora);
}

namespace {

QString IconPath(int id, int size) {
    QString path = QStringLiteral(":/icons/%1").arg(id);
    if (size != 32) {
        path += QStringLiteral("_%1").arg(size);
    }
    return path + QStringLiteral(".xpm");
}

}  // namespace

QIcon ResourceIcon(int id) {
    static const bool registered = (InitResources(), true);
    (void)registered;

    if (id == IDR_MAINFRAME) {
        QIcon icon;
        for (int size : {16, 32, 48}) {
            icon.addFile(IconPath(id, size), QSize(size, size));
        }
        return icon;
    }
    if (id >= IDI_ARROW_DOWN && id <= IDI_ZOOM_OUT) {
        return QIcon(new CNavIconEngine(id));
    }
    return QIcon();
}
