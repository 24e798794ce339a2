#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>

#include "cli/RenderCommand.h"
#include "cli/Usage.h"

// Deep pictures rendered through the whole job, pixel for pixel as they were
// when their places were checked against the brute force: a spiral by c = i at
// 1e-30, an island of period about 400 at 1e-300, and the Julia set of c = i
// at 1e-1000. VELMORA_UPDATE_GOLDEN=1 writes them anew.
TEST(GoldenImages, DeepPicturesRenderAsTheyDid) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const bool update = std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr;
    for (const char* name : {"spiral-1e-30", "island-1e-300", "julia-1e-1000"}) {
        const QString base = QStringLiteral(VELMORA_GOLDEN_DIR "/") + name;
        const QString out = dir.filePath(QString(name) + ".png");
        ASSERT_EQ(RunRenderCommand({(base + ".mvn").toStdString(), "-o", out.toStdString()}),
                  kExitOk)
            << name;
        if (update) {
            QFile::remove(base + ".png");
            ASSERT_TRUE(QFile::copy(out, base + ".png"));
            continue;
        }
        const QImage got(out);
        const QImage want(base + ".png");
        ASSERT_FALSE(want.isNull()) << name;
        ASSERT_EQ(got.size(), want.size()) << name;
        int differing = 0;
        for (int y = 0; y < want.height(); ++y) {
            for (int x = 0; x < want.width(); ++x) {
                differing += got.pixel(x, y) != want.pixel(x, y);
            }
        }
        EXPECT_EQ(differing, 0) << name;
    }
}
