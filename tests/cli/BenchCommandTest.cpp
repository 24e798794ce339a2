#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/BenchCommand.h"
#include "cli/Usage.h"

namespace {

std::string RunBench(const std::vector<std::string>& args, int& exitCode) {
    testing::internal::CaptureStdout();
    exitCode = RunBenchCommand(args);
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(BenchCommand, JsonReportsElevenScenesAndTheirSums) {
    int code = -1;
    const std::string out = RunBench({"--threads", "2", "--json"}, code);
    ASSERT_EQ(code, kExitOk);
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out;
    const QJsonObject root = json.object();
    EXPECT_EQ(root["threads"].toInt(), 2);
    EXPECT_FALSE(root["kernel"].toString().isEmpty());
    const QJsonArray scenes = root["scenes"].toArray();
    ASSERT_EQ(scenes.size(), 11);
    double seconds = 0;
    double iterations = 0;
    for (int i = 0; i < scenes.size(); ++i) {
        const QJsonObject scene = scenes[i].toObject();
        EXPECT_EQ(scene["scene"].toInt(), i);
        EXPECT_GT(scene["seconds"].toDouble(), 0.0);
        EXPECT_GT(scene["iterations"].toDouble(), 0.0);
        seconds += scene["seconds"].toDouble();
        iterations += scene["iterations"].toDouble();
    }
    EXPECT_NEAR(root["total_seconds"].toDouble(), seconds, 1e-5);
    EXPECT_EQ(root["total_iterations"].toDouble(), iterations);
    // At the benchmark's limit every update is computed.
    EXPECT_EQ(root["total_z_updates"].toDouble(), iterations);
    EXPECT_NEAR(root["iterations_per_second"].toDouble(), iterations / seconds,
                iterations / seconds * 1e-3);
    // The same scenes give the same work on any number of workers.
    const std::string single = RunBench({"--json", "--threads", "1"}, code);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(single))
                  .object()["total_iterations"]
                  .toDouble(),
              iterations);
}

TEST(BenchCommand, TextEndsWithTheTotal) {
    int code = -1;
    const std::string out = RunBench({}, code);
    ASSERT_EQ(code, kExitOk);
    EXPECT_NE(out.find("scene 10"), std::string::npos);
    EXPECT_NE(out.find("ベンチマーク終了\n計算時間 : "), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 4), "秒\n");
}

TEST(BenchCommand, BadArgumentsAreUsageErrors) {
    int code = -1;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--threads"},
                                               {"--threads", "0"},
                                               {"--threads", "x"},
                                               {"--threads", "2000"},
                                               {"--json", "--json"},
                                               {"extra"}}) {
        RunBench(args, code);
        EXPECT_EQ(code, kExitUsage) << args[0];
    }
}

TEST(BenchCommand, TheScalarKernelDoesTheSameWork) {
    int code = -1;
    const auto total = [&](const std::vector<std::string>& args) {
        const QJsonObject root =
            QJsonDocument::fromJson(QByteArray::fromStdString(RunBench(args, code))).object();
        EXPECT_EQ(code, kExitOk);
        return std::pair{root["kernel"].toString(), root["total_iterations"].toDouble()};
    };
    const auto scalar = total({"--json", "--kernel", "scalar"});
    const auto simd = total({"--json", "--kernel", "simd"});
    EXPECT_EQ(scalar.first, QStringLiteral("scalar"));
    EXPECT_FALSE(simd.first.isEmpty());
    EXPECT_EQ(scalar.second, simd.second);
}
