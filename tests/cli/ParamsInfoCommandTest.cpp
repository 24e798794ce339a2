#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <iterator>

#include "cli/InfoCommand.h"
#include "cli/ParamsCommand.h"
#include "cli/Usage.h"

namespace {

std::string Info(const std::string& path, int& exitCode) {
    testing::internal::CaptureStdout();
    exitCode = RunInfoCommand({path});
    return testing::internal::GetCapturedStdout();
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ParamsInfo : public testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(ParamsInfo, NewDocumentValuesInOrder) {
    ASSERT_EQ(RunParamsCommand({"-o", Path("new.mvn")}), kExitOk);
    EXPECT_EQ(Bytes(Path("new.mvn")).size(), 116u);
    int code = -1;
    EXPECT_EQ(Info(Path("new.mvn"), code),
              "kind 0\nxmin -1.8\nxmax 0.59999999999999998\nymin -1.2\nymax 1.2\n"
              "julia_re -0.72499999999999998\njulia_im 0.20999999999999999\n"
              "iterations 100\ncolors 100\npattern 0\nwidth 240\nheight 240\n"
              "other_xmin -1.5\nother_xmax 1.5\nother_ymin -1.5\nother_ymax 1.5\n");
    EXPECT_EQ(code, kExitOk);
}

TEST_F(ParamsInfo, OptionsReplaceValuesOfTheStartingFile) {
    ASSERT_EQ(RunParamsCommand({"-o", Path("a.mvn"), "--iterations", "500", "--colors", "64"}),
              kExitOk);
    // Options apply in their fixed order whatever the command line's order.
    ASSERT_EQ(RunParamsCommand({"--size", "320x200", Path("a.mvn"), "--other-region", "1,2,3,4",
                                "--kind", "1", "--region", "-0.5,0.25,-0.1,0.1", "--julia",
                                "0.285,-0.01", "--pattern", "9", "-o", Path("b.mvn")}),
              kExitOk);
    int code = -1;
    const std::string info = Info(Path("b.mvn"), code);
    EXPECT_EQ(code, kExitOk);
    for (const char* line :
         {"kind 1\n", "xmin -0.5\n", "xmax 0.25\n", "ymin -0.10000000000000001\n",
          "julia_re 0.28499999999999998\n", "julia_im -0.01\n", "iterations 500\n", "colors 64\n",
          "pattern 9\n", "width 320\n", "height 200\n", "other_xmin 1\n", "other_ymax 4\n"}) {
        EXPECT_NE(info.find(line), std::string::npos) << line << " in\n" << info;
    }
    // Writing again without options reproduces the file byte for byte.
    ASSERT_EQ(RunParamsCommand({Path("b.mvn"), "-o", Path("c.mvn")}), kExitOk);
    EXPECT_EQ(Bytes(Path("b.mvn")), Bytes(Path("c.mvn")));
}

TEST_F(ParamsInfo, BadValuesAndArgumentsAreUsageErrors) {
    const std::string out = Path("x.mvn");
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--kind", "2"},
             {"--kind", "1.0"},
             {"--region", "1,2,3"},
             {"--region", "1,2,3,4,5"},
             {"--region", "1,2,nan,4"},
             {"--julia", "inf,0"},
             {"--iterations", "0"},
             {"--colors", "-5"},
             {"--colors", " 5"},
             {"--size", "0x10"},
             {"--size", "16385x10"},
             {"--size", "10x"},
             {"--pattern", "99999999999"},
             {"--bogus", "1"},
             {"--kind"},
         }) {
        args.insert(args.begin(), {"-o", out});
        EXPECT_EQ(RunParamsCommand(args), kExitUsage) << args[2];
    }
    EXPECT_EQ(RunParamsCommand({}), kExitUsage);
    EXPECT_EQ(RunInfoCommand({}), kExitUsage);
    EXPECT_EQ(RunInfoCommand({"a.mvn", "b.mvn"}), kExitUsage);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}

TEST_F(ParamsInfo, RefusedInputsFailWithoutWriting) {
    {
        std::ofstream(Path("foreign.mvn"), std::ios::binary) << "\x07VELMORA\x03"
                                                                "0.3";
    }
    int code = -1;
    EXPECT_EQ(Info(Path("foreign.mvn"), code), "");
    EXPECT_EQ(code, kExitFailed);
    EXPECT_EQ(Info(Path("missing.mvn"), code), "");
    EXPECT_EQ(code, kExitFailed);
    EXPECT_EQ(RunParamsCommand({Path("foreign.mvn"), "-o", Path("out.mvn")}), kExitFailed);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("out.mvn"))));
    // An output in a folder that does not exist fails and leaves nothing.
    EXPECT_EQ(RunParamsCommand({"-o", Path("no/such/dir.mvn")}), kExitFailed);
}

TEST_F(ParamsInfo, DeepRegionsKeepEveryDigitThroughTheFile) {
    const std::string xMin = "-0.7436438870371587047521915061147746";
    const std::string region =
        xMin + ",-0.7436438870371587047521915061137746," +
        "0.1318259042053119704931320563851,0.1318259042053119704931320563861";
    ASSERT_EQ(RunParamsCommand({"-o", Path("deep.mvn"), "--region", region}), kExitOk);
    const std::string bytes = Bytes(Path("deep.mvn"));
    EXPECT_GT(bytes.size(), 116u);
    int code = -1;
    const std::string info = Info(Path("deep.mvn"), code);
    EXPECT_NE(info.find("xmin " + xMin), std::string::npos) << info;
    // Open, then save: the same bytes.
    ASSERT_EQ(RunParamsCommand({Path("deep.mvn"), "-o", Path("again.mvn")}), kExitOk);
    EXPECT_EQ(Bytes(Path("again.mvn")), bytes);
}
