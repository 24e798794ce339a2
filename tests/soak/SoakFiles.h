#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The files a soak opens, written once into a folder: parameter files as the
// program writes them, the same cut short, an empty file, files of another
// kind, and a name that does not exist.
class CSoakFiles {
public:
    // False when a file could not be written.
    bool Create(const QString& folder, std::uint64_t seed);

    const QStringList& Valid() const { return m_valid; }
    // Damaged, empty, foreign and missing files, in that order.
    const QStringList& Bad() const { return m_bad; }

private:
    QStringList m_valid;
    QStringList m_bad;
};
