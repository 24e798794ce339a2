#include "cli/ImageFile.h"

#include <QImageWriter>
#include <QSaveFile>

#include "engine/DibSurface.h"
#include "platform/DibImage.h"

bool WritePng(const CDibSurface& surface, const QString& path, QString& error) {
    const QImage image = DibToImage(surface).convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) {
        error = QStringLiteral("no picture to write");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        error = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
