#include "files/atomic_file.h"
#include "compute/engine/drawdown_engine.h"
#include "files/record_file.h"
#include "files/number_text.h"
#include "scenario/text_rules.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace drawfield;

namespace {

std::shared_ptr<const DrawdownGrid> computeGrid(
    int xMin, int yMin, int xMax, int step, std::vector<WellInput> wells)
{
    ScenarioInputs in;
    in.XMin = static_cast<std::int16_t>(xMin);
    in.YMin = static_cast<std::int16_t>(yMin);
    in.XMax = in.YMax = static_cast<std::int16_t>(xMax);
    in.Step = static_cast<std::int16_t>(step);
    in.Transmissivity = 0.003;
    in.Storage = 0.04;
    in.PumpTimeSeconds = 86400;
    for (std::size_t i = 0; i < wells.size(); ++i)
        in.Wells[i] = wells[i];
    return computeDrawdown(in)->grid;
}

// The record file as the loop writes it, node by node, straight from the definition.
std::string recordByLoop(const DrawdownGrid& grid)
{
    std::string text;
    for (int x = grid.xMin(); x <= grid.xMax(); x += grid.nodeSpacing())
        for (int y = grid.yMin(); y <= grid.yMax(); y += grid.nodeSpacing())
            if (grid.at(x, y) < 0.0)
                text += integerText(x) + "," + integerText(y) + "," + realText(grid.at(x, y))
                    + "\r\n";
    return text;
}

} // namespace

TEST(RecordFile, LineForm)
{
    EXPECT_EQ(recordLine(160, 150, -1.3214580883242635), " 160, 150,-1.32145808832426\r\n");
    EXPECT_EQ(recordLine(250, 150, -0.09990161338896221), " 250, 150,-.0999016133889622\r\n");
    EXPECT_EQ(recordLine(270, 150, -0.0031772495860407954), " 270, 150,-.0031772495860408\r\n");
    EXPECT_EQ(recordLine(-10, 5, -0.25), "-10, 5,-.25\r\n");
    EXPECT_EQ(recordLine(0, -3, -1.5e-7), " 0,-3,-1.5E-07\r\n");
}

TEST(RecordFile, ExactBytesInLoopOrder)
{
    struct Case {
        const char* name;
        std::shared_ptr<const DrawdownGrid> grid;
    };
    const Case cases[] = {
        { "one well", computeGrid(1, 1, 300, 1, { { 150, 150, 0.01 } }) },
        { "negative minimum",
            computeGrid(-10, -30, 40, 1, { { -10, 5, 0.01 }, { 30, -20, 0.002 } }) },
        { "cell size 3", computeGrid(-100, 7, 200, 3, { { 0, 50, 0.01 }, { 150, 150, 0.02 } }) },
        { "wide map, columns in several blocks",
            computeGrid(1, 1, 700, 1, { { 100, 500, 0.01 }, { 600, 100, 0.02 } }) },
    };
    TemporaryFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::path path = folder / "drawfield.dat";
        writeRecordFile(path, *c.grid, RecordLines::DrawdownNodes);
        std::string expected = recordByLoop(*c.grid);
        EXPECT_GT(expected.size(), 0u);
        EXPECT_TRUE(readBytes(path) == expected);
    }
}

TEST(RecordFile, HoldsTheConeAndNothingElse)
{
    TemporaryFolder folder;
    std::filesystem::path path = folder / "drawfield.dat";
    writeRecordFile(
        path, *computeGrid(1, 1, 300, 1, { { 150, 150, 0.01 } }), RecordLines::DrawdownNodes);
    std::string text = readBytes(path);
    EXPECT_NE(text.find("\r\n 160, 150,-1.32145808832426\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n 250, 150,-.0999016133889622\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n 270, 150,-.0031772495860408\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\n 271, 150,"), std::string::npos) << "no line without drawdown";
    EXPECT_EQ(text.find(" 1, 1,"), std::string::npos);
}

TEST(RecordFile, EmptyWhenNotAskedFor)
{
    TemporaryFolder folder;
    std::filesystem::path path = folder / "drawfield.dat";
    writeBytes(path, "an older record\r\n");
    writeRecordFile(path, *computeGrid(1, 1, 100, 1, { { 50, 50, 0.01 } }), RecordLines::None);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

// A write that fails half way (here: the file size limit) leaves the old file as it was.
TEST(RecordFile, FailedWriteLeavesTheOldFile)
{
    TemporaryFolder folder;
    std::filesystem::path path = folder / "drawfield.dat";
    writeBytes(path, "the previous run\r\n");
    auto grid = computeGrid(1, 1, 400, 1, { { 200, 200, 0.05 } });

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool failed = false;
    try {
        writeRecordFile(path, *grid, RecordLines::DrawdownNodes);
    } catch (const FileWriteError& error) {
        failed = true;
        EXPECT_TRUE(
            std::string(error.what()).starts_with("Cannot write the record file " + path.string()));
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(failed);
    EXPECT_EQ(readBytes(path), "the previous run\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}
