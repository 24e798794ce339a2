#pragma once

#include <QString>
#include <QStringList>

// The most recently opened or saved files, most recent first, as shown in the
// file menu and kept in the settings file between runs.
class CRecentFileList {
public:
    static constexpr int MaxCount = 4;
    // Longest path shown in the menu, not counting the "&1 " prefix.
    static constexpr int MaxDisplayLength = 30;

    // Puts the file's full path at the top. A path naming a file already in the
    // list moves that entry to the top; the oldest entry drops out when the
    // list would grow past MaxCount. An empty path is ignored.
    void Add(const QString& path);
    // Removes the entry at index; an index out of range does nothing.
    void Remove(int index);

    int Count() const { return static_cast<int>(m_paths.size()); }
    // The full path at index, or an empty string for an index out of range.
    QString At(int index) const;
    // "&1 " to "&4 " followed by the path shortened to MaxDisplayLength
    // characters, ampersands doubled; empty for an index out of range.
    QString MenuText(int index) const;

    // Replaces the list with the entries File1 to File4 of the section
    // [Recent File List]. A missing, unreadable or malformed file leaves an
    // empty or partial list; returns false when the file could not be read.
    bool Load(const QString& iniPath);
    // Rewrites the section [Recent File List] of the file with the current
    // entries, keeping every other section as it was. The file is replaced
    // atomically and its folder created when missing. Returns false when the
    // existing file cannot be read or the new one cannot be written.
    bool Save(const QString& iniPath) const;

    // velmora.ini in the user's configuration folder.
    static QString DefaultIniPath();

private:
    QStringList m_paths;
};
