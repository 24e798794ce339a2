#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "cli/RenderCommand.h"
#include "cli/Usage.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"
#include "engine/FractalEngine.h"
#include "palette/ColorPattern.h"

TEST(RenderCommand, WritesTheNewDocumentPictureTopRowFirst) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("picture.png");
    ASSERT_EQ(RunRenderCommand({"-o", out.toStdString()}), kExitOk);

    QImage image(out);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 240);
    EXPECT_EQ(image.height(), 240);
    EXPECT_FALSE(image.hasAlphaChannel());

    // Every pixel is the colour of its own point at full resolution; row 0
    // shows the top of the region (y = -1.2).
    std::vector<std::uint32_t> table(100);
    CColorPattern(32).BuildPalette(table.data(), 100, 0);
    CFractalEngine e(1);
    const double xStep = (0.6 - -1.8) / 240;
    const double yStep = (1.2 - -1.2) / 240;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 240; ++x) {
            const int count = e.Iterate(x * xStep + -1.8, y * yStep + -1.2, 99);
            const std::uint32_t colour = table[count == 99 ? 99 : count % 100];
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu, colour) << x << "," << y;
        }
    }
}

TEST(RenderCommand, BadArgumentsAreUsageErrors) {
    EXPECT_EQ(RunRenderCommand({}), kExitUsage);
    EXPECT_EQ(RunRenderCommand({"-o"}), kExitUsage);
    EXPECT_EQ(RunRenderCommand({"--bogus", "-o", "x.png"}), kExitUsage);
    EXPECT_EQ(RunRenderCommand({"-o", "a.png", "-o", "b.png"}), kExitUsage);
}

TEST(RenderCommand, UnwritableOutputFailsAndLeavesNothing) {
    QTemporaryDir dir;
    const QString out = dir.filePath("missing/folder/picture.png");
    EXPECT_EQ(RunRenderCommand({"-o", out.toStdString()}), kExitFailed);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(RenderCommand, RendersAFileAtAnotherSize) {
    QTemporaryDir dir;
    const std::string params = dir.filePath("p.mvn").toStdString();
    const std::string out = dir.filePath("p.png").toStdString();
    {
        CMorvaneDoc doc(1);
        doc.m_engine.m_kind = 1;
        doc.m_engine.SetDefaultRegion();
        doc.m_imageWidth = 30;
        doc.m_imageHeight = 20;
        CPosixFileStore store;
        ASSERT_TRUE(SaveDocumentFile(doc, params, store).ok);
    }
    ASSERT_EQ(RunRenderCommand({params, "-o", out}), kExitOk);
    const QImage small(QString::fromStdString(out));
    EXPECT_EQ(small.size(), QSize(30, 20));

    // The same region at more pixels: more detail, not a wider view. The
    // top-left pixel shows the same point, and the picture's overall
    // layout is that of the small one.
    ASSERT_EQ(RunRenderCommand({params, "-o", out, "--size", "90x60"}), kExitOk);
    const QImage big(QString::fromStdString(out));
    EXPECT_EQ(big.size(), QSize(90, 60));
    EXPECT_EQ(big.pixel(0, 0), small.pixel(0, 0));
    EXPECT_EQ(big.pixel(45, 30), small.pixel(15, 10));  // the centre

    EXPECT_EQ(RunRenderCommand({params, "-o", out, "--size", "0x60"}), kExitUsage);
    EXPECT_EQ(RunRenderCommand({params, "-o", out, "--size", "16385x1"}), kExitUsage);
    EXPECT_EQ(RunRenderCommand({dir.filePath("none.mvn").toStdString(), "-o", out}), kExitFailed);
}
