#include "SoakFiles.h"

#include <QDir>
#include <QFile>

#include <random>

#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

namespace {

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

bool CSoakFiles::Create(const QString& folder, std::uint64_t seed) {
    const QDir dir(folder);
    std::mt19937_64 random(seed ^ 0x5eed'f11e5ULL);
    auto pick = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    CPosixFileStore store;
    for (int i = 0; i < 6; ++i) {
        // Small pictures that render quickly, each of its own kind and place.
        CMorvaneDoc doc(1);
        doc.m_engine.m_kind = i % 2;
        doc.m_engine.SetDefaultRegion();
        const double zoom = 1.0 / (1 << pick(0, 6));
        const double cx = -0.75 + pick(-50, 50) / 100.0;
        const double cy = pick(-50, 50) / 100.0;
        doc.m_engine.m_xMin = cx - 1.5 * zoom;
        doc.m_engine.m_xMax = cx + 1.5 * zoom;
        doc.m_engine.m_yMin = cy - 1.2 * zoom;
        doc.m_engine.m_yMax = cy + 1.2 * zoom;
        doc.m_engine.m_juliaRe = pick(-800, 400) / 1000.0;
        doc.m_engine.m_juliaIm = pick(-700, 700) / 1000.0;
        doc.m_iterationLimit = pick(20, 2000);
        doc.m_colorCount = pick(10, 10000);
        doc.m_colorPattern = pick(0, 9);
        doc.m_imageWidth = pick(40, 480);
        doc.m_imageHeight = pick(40, 480);
        const QString path = dir.filePath(QStringLiteral("valid%1.mvn").arg(i));
        if (!SaveDocumentFile(doc, path.toStdString(), store).ok) {
            return false;
        }
        m_valid << path;
    }

    const QByteArray whole = ReadBytes(m_valid.first());
    for (const int length : {1, 7, 12, 40, 60, 100, 115}) {
        const QString path = dir.filePath(QStringLiteral("damaged%1.mvn").arg(length));
        if (length >= whole.size() || !WriteBytes(path, whole.left(length))) {
            return false;
        }
        m_bad << path;
    }
    // A right start with garbage after it.
    QByteArray garbled = whole;
    for (qsizetype i = whole.size() / 2; i < garbled.size(); ++i) {
        garbled[i] = static_cast<char>(0xFF);
    }
    m_bad << dir.filePath(QStringLiteral("garbled.mvn"));
    m_bad << dir.filePath(QStringLiteral("empty.mvn"));
    m_bad << dir.filePath(QStringLiteral("notes.txt"));
    m_bad << dir.filePath(QStringLiteral("picture.mvn"));
    const bool written =
        WriteBytes(m_bad[m_bad.size() - 4], garbled) && WriteBytes(m_bad[m_bad.size() - 3], {}) &&
        WriteBytes(m_bad[m_bad.size() - 2], "Shopping: bread, milk, two lemons.\n") &&
        WriteBytes(m_bad.last(), QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(300, '\x11'));
    m_bad << dir.filePath(QStringLiteral("missing.mvn"));
    return written;
}
