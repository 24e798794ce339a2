#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// The process's peak resident memory (VmHWM) in kibibytes, 0 where the
// system does not tell.
inline long long PeakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return 0;
    }
    // The file reports no size: read it whole rather than line by line.
    const QStringList lines = QString::fromLatin1(status.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("VmHWM:"))) {
            return line.mid(6).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong();
        }
    }
    return 0;
}
