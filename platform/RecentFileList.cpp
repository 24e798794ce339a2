#include "platform/RecentFileList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <optional>
#include <utility>

namespace {

const QString kSectionName = QStringLiteral("Recent File List");
const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");
const QString kEllipsis = QStringLiteral("...");

QString FullPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Two names of the same file: equal full paths, or, when both files exist,
// equal paths once links are resolved.
bool SameFile(const QString& a, const QString& b) {
    if (FullPath(a) == FullPath(b)) {
        return true;
    }
    const QFileInfo infoA(a);
    const QFileInfo infoB(b);
    if (!infoA.exists() || !infoB.exists()) {
        return false;
    }
    const QString canonicalA = infoA.canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == infoB.canonicalFilePath();
}

// The first characters of text followed by "...", length characters in all,
// never splitting a surrogate pair.
QString Cut(const QString& text, int length) {
    int keep = length - static_cast<int>(kEllipsis.size());
    if (keep > 0 && text.at(keep - 1).isHighSurrogate()) {
        --keep;
    }
    return text.left(keep) + kEllipsis;
}

// Shortens a path the way a recent-file menu does: the file name is always
// kept, the root stays, and the folders nearest the root give way to "...".
QString ShortenPath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) {
        return path;
    }
    const qsizetype lastSlash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(lastSlash + 1);
    if (name.size() > maxLength) {
        return Cut(name, maxLength);
    }
    const QString head =
        (path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString()) + kEllipsis;
    const QStringList folders = path.left(lastSlash).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString tail = QLatin1Char('/') + name;
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        const QString longer = QLatin1Char('/') + folders.at(i) + tail;
        if (head.size() + longer.size() > maxLength) {
            break;
        }
        tail = longer;
    }
    if (head.size() + tail.size() > maxLength) {
        return name;
    }
    return head + tail;
}

// A settings file is a few hundred bytes; nothing beyond this is read.
constexpr qint64 kMaxIniBytes = 1 << 20;

// At most kMaxIniBytes of the file; a line the limit cuts is left out.
// tooLong tells whether the file holds more.
QByteArray ReadBounded(QFile& file, bool& tooLong) {
    QByteArray data = file.read(kMaxIniBytes + 1);
    tooLong = data.size() > kMaxIniBytes;
    if (tooLong) {
        data.truncate(data.lastIndexOf('\n', kMaxIniBytes - 1) + 1);
    }
    return data;
}

QList<QByteArray> SplitLines(const QByteArray& data) {
    QList<QByteArray> lines = data.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// The name of the section a line opens, or nothing for any other line.
std::optional<QString> SectionHeader(const QByteArray& line) {
    const QByteArray text = line.trimmed();
    if (!text.startsWith('[')) {
        return std::nullopt;
    }
    const qsizetype close = text.indexOf(']');
    if (close < 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(text.mid(1, close - 1)).trimmed();
}

bool IsRecentSection(const QString& name) {
    return name.compare(kSectionName, Qt::CaseInsensitive) == 0;
}

// Entry number 1 to MaxCount of a "FileN=value" line, with its value.
std::optional<std::pair<int, QString>> FileEntry(const QByteArray& line) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0) {
        return std::nullopt;
    }
    const QString key = QString::fromUtf8(line.left(equals)).trimmed();
    for (int number = 1; number <= CRecentFileList::MaxCount; ++number) {
        if (key.compare(QStringLiteral("File%1").arg(number), Qt::CaseInsensitive) == 0) {
            QString value = QString::fromUtf8(line.mid(equals + 1)).trimmed();
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
                value.endsWith(QLatin1Char('"'))) {
                value = value.mid(1, value.size() - 2);
            }
            return std::pair{number, value};
        }
    }
    return std::nullopt;
}

// A value as written after "FileN=": quoted when reading it back would
// otherwise lose blanks or quotes at its ends.
QByteArray EncodeValue(const QString& path) {
    const bool needsQuotes =
        path != path.trimmed() ||
        (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')));
    const QByteArray bytes = path.toUtf8();
    return needsQuotes ? '"' + bytes + '"' : bytes;
}

bool FitsOnOneLine(const QString& path) {
    return !path.contains(QLatin1Char('\n')) && !path.contains(QLatin1Char('\r')) &&
           !path.contains(QChar(u'\0'));
}

}  // namespace

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const QString full = FullPath(path);
    m_paths.removeIf([&full](const QString& entry) { return SameFile(entry, full); });
    m_paths.prepend(full);
    while (m_paths.size() > MaxCount) {
        m_paths.removeLast();
    }
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < Count()) {
        m_paths.removeAt(index);
    }
}

QString CRecentFileList::At(int index) const {
    return index >= 0 && index < Count() ? m_paths.at(index) : QString();
}

QString CRecentFileList::MenuText(int index) const {
    if (index < 0 || index >= Count()) {
        return QString();
    }
    QString shown = ShortenPath(m_paths.at(index), MaxDisplayLength);
    // A single "&" would underline the next character instead of showing,
    // and a tab would start the column of shortcuts.
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return QStringLiteral("&%1 ").arg(index + 1) + shown;
}

bool CRecentFileList::Load(const QString& iniPath) {
    m_paths.clear();
    QFile file(iniPath);
    // A pipe or device in its place would hold the start-up.
    if (!QFileInfo(iniPath).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool tooLong = false;
    QByteArray data = ReadBounded(file, tooLong);
    if (data.startsWith(kUtf8Bom)) {
        data.remove(0, kUtf8Bom.size());
    }

    QStringList values(MaxCount);
    bool inSection = false;
    for (const QByteArray& line : SplitLines(data)) {
        if (const auto header = SectionHeader(line)) {
            inSection = IsRecentSection(*header);
            continue;
        }
        if (!inSection) {
            continue;
        }
        // The first value given for a key wins.
        const auto entry = FileEntry(line);
        if (entry && values[entry->first - 1].isEmpty()) {
            values[entry->first - 1] = entry->second;
        }
    }

    for (const QString& value : values) {
        if (value.isEmpty()) {
            continue;
        }
        const bool listed = std::any_of(m_paths.cbegin(), m_paths.cend(),
                                        [&value](const QString& p) { return SameFile(p, value); });
        if (!listed) {
            m_paths.append(value);
        }
    }
    return true;
}

bool CRecentFileList::Save(const QString& iniPath) const {
    QByteArray existing;
    QFile current(iniPath);
    const bool existed = current.exists();
    if (existed) {
        if (!QFileInfo(iniPath).isFile() || !current.open(QIODevice::ReadOnly)) {
            // Writing now would lose whatever else the file holds.
            return false;
        }
        bool tooLong = false;
        existing = ReadBounded(current, tooLong);
        current.close();
        if (tooLong) {
            return false;  // rewriting it would cut off what was not read
        }
    }

    const QList<QByteArray> lines = SplitLines(existing);
    const QByteArray eol = !lines.isEmpty() && lines.constFirst().endsWith('\r')
                               ? QByteArrayLiteral("\r\n")
                               : QByteArrayLiteral("\n");

    QByteArray section;
    if (!m_paths.isEmpty()) {
        section = '[' + kSectionName.toUtf8() + ']' + eol;
        for (int i = 0; i < Count(); ++i) {
            const QString& path = m_paths.at(i);
            if (!path.isEmpty() && FitsOnOneLine(path)) {
                section += "File" + QByteArray::number(i + 1) + '=' + EncodeValue(path) + eol;
            }
        }
    }

    // Our section replaces the first section of that name; any later copy of
    // it is dropped, and every other line is kept byte for byte.
    QByteArray output;
    bool inSection = false;
    bool written = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const QByteArray bare =
            i == 0 && line.startsWith(kUtf8Bom) ? line.mid(kUtf8Bom.size()) : line;
        if (const auto header = SectionHeader(bare)) {
            inSection = IsRecentSection(*header);
            if (inSection) {
                if (i == 0 && bare.size() != line.size()) {
                    output += kUtf8Bom;
                }
                if (!written) {
                    output += section;
                    written = true;
                }
                continue;
            }
        }
        if (!inSection) {
            output += line + '\n';
        }
    }
    if (!written) {
        output += section;
    }

    if (output.isEmpty() && !existed) {
        return true;
    }
    if (!QDir().mkpath(QFileInfo(iniPath).absolutePath())) {
        return false;
    }
    QSaveFile file(iniPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(output);
    return file.commit();
}

QString CRecentFileList::DefaultIniPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velmora.ini");
}
