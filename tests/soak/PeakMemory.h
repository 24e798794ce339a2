#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// A size field of /proc/self/status ("VmHWM", "VmRSS") in kibibytes, 0 where
// the system does not tell.
inline long long StatusKiB(const QString& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return 0;
    }
    // The file reports no size: read it whole rather than line by line.
    const QStringList lines = QString::fromLatin1(status.readAll()).split(QLatin1Char('\n'));
    const QString key = field + QLatin1Char(':');
    for (const QString& line : lines) {
        if (line.startsWith(key)) {
            return line.mid(key.size()).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong();
        }
    }
    return 0;
}

// The process's peak resident memory.
inline long long PeakResidentKiB() {
    return StatusKiB(QStringLiteral("VmHWM"));
}

// The process's resident memory now.
inline long long ResidentKiB() {
    return StatusKiB(QStringLiteral("VmRSS"));
}
