#include "platform_files.h"
#include "settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace vexalo {
namespace {

using Fields = std::array<SettingValue, 3>;
const SettingValue unset;

TEST(SettingsFile, ReadsEachKindOfField)
{
    const struct {
        const char *name;
        std::string content;
        Fields fields;
        int count;
    } cases[] = {
        { "default file", "1,0,#TRUE#\r\n", Fields { 1, 0, true }, 3 },
        { "saved file", "3,1,#FALSE#\r\n", Fields { 3, 1, false }, 3 },
        { "no line end", "5,3,#FALSE#", Fields { 5, 3, false }, 3 },
        { "LF only", "5,3,#TRUE#\n", Fields { 5, 3, true }, 3 },
        { "port outside the menu", "12,2,#TRUE#\r\n", Fields { 12, 2, true }, 3 },
        { "fractions and signs", "-1,+2.5,.5\r\n", Fields { -1, 2.5, 0.5 }, 3 },
        { "quoted text keeps commas", "\"a,b\",0,#TRUE#\r\n",
          Fields { std::string("a,b"), 0, true }, 3 },
        { "other text", "COM3,x1,yes\r\n",
          Fields { std::string("COM3"), std::string("x1"), std::string("yes") }, 3 },
        { "lower-case booleans are text", "1,0,#true#\r\n", Fields { 1, 0, std::string("#true#") },
          3 },
        { "empty fields are unset", ",,\r\n", Fields { unset, {}, {} }, 3 },
        { "trailing comma at the end of the file", "1,0,", Fields { 1, 0, unset }, 3 },
        { "blanks around fields", " 4 , 0 ,#TRUE#\r\n", Fields { 4, 0, true }, 3 },
        { "fields on separate lines", "7\r\n1\r\n#FALSE#\r\n", Fields { 7, 1, false }, 3 },
        { "more than three fields", "1,0,#TRUE#,9,9\r\n", Fields { 1, 0, true }, 3 },
        { "empty file", "", Fields { unset, {}, {} }, 0 },
        { "one field", "3\r\n", Fields { 3, unset, {} }, 1 },
        { "two fields", "3,1\r\n", Fields { 3, 1, unset }, 2 },
        { "unterminated quote", "\"abc", Fields { std::string("abc"), unset, {} }, 1 },
    };
    for (const auto &c : cases) {
        const SettingsRead read = parseSettings(c.content);
        EXPECT_EQ(read.count, c.count) << c.name;
        EXPECT_EQ(read.complete(), c.count == 3) << c.name;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(read.fields[i], c.fields[i]) << c.name << " field " << i + 1;
        }
    }
}

TEST(SettingsFile, WritesOneLineEndedByCrLf)
{
    const struct {
        Fields fields;
        std::string line;
    } cases[] = {
        { Fields { 1, 0, true }, "1,0,#TRUE#\r\n" },
        { Fields { 3, 1, false }, "3,1,#FALSE#\r\n" },
        { Fields { 5, 3, false }, "5,3,#FALSE#\r\n" },
        { Fields { unset, {}, {} }, ",,\r\n" },
        { Fields { 12, 2, true }, "12,2,#TRUE#\r\n" },
        { Fields { -1, 2.5, 0.5 }, "-1,2.5,.5\r\n" },
        { Fields { -0.25, 100000, 0 }, "-.25,100000,0\r\n" },
        { Fields { 1e20, 1e-5, 123456789012.5 },
          "100000000000000000000,.00001,123456789012.5\r\n" },
        { Fields { std::string("COM3"), std::string(""), true }, "\"COM3\",\"\",#TRUE#\r\n" },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(formatSettingsLine(c.fields[0], c.fields[1], c.fields[2]), c.line);
        // What is written reads back as it was.
        const SettingsRead again = parseSettings(c.line);
        EXPECT_EQ(again.fields, c.fields) << c.line;
    }
    EXPECT_EQ(formatSettingsLine(1, 0, true).size(), 12u);
}

// A number read from the file is written back exactly as it was spelled, whatever its length;
// anything that is no plain number stays a text.
TEST(SettingsFile, WritesBackEveryFieldAsItWasRead)
{
    const std::string digits(30000, '9');
    const struct {
        std::string line; // as read
        std::string saved;
        Fields fields;
    } cases[] = {
        { "100000000000000000000,0.00001,#FALSE#\r\n", "100000000000000000000,0.00001,#FALSE#\r\n",
          Fields { 1e20, 1e-5, false } },
        { digits + ",-" + digits + ",." + digits + "\r\n",
          digits + ",-" + digits + ",." + digits + "\r\n", Fields { HUGE_VAL, -HUGE_VAL, 1.0 } },
        { "1" + std::string(400, '0') + ",0.0" + std::string(400, '0') + "1,+07\r\n",
          "1" + std::string(400, '0') + ",0.0" + std::string(400, '0') + "1,+07\r\n",
          Fields { HUGE_VAL, 0.0, 7 } },
        { "1e3,1.2.3,-.\r\n", "\"1e3\",\"1.2.3\",\"-.\"\r\n",
          Fields { std::string("1e3"), std::string("1.2.3"), std::string("-.") } },
        { "%COM3\",-.5,a\"b\"\r\n", "%COM3\",-.5,a\"b\"\r\n", // found by fuzzing
          Fields { std::string("%COM3\""), -0.5, std::string("a\"b\"") } },
        { digits + "x,0,0\r\n", '"' + digits + "x\",0,0\r\n", Fields { digits + "x", 0, 0 } },
    };
    for (const auto &c : cases) {
        const SettingsRead read = parseSettings(c.line);
        EXPECT_EQ(read.fields, c.fields) << c.line.substr(0, 40);
        const auto &[port, mode, greeting] = read.fields;
        EXPECT_EQ(formatSettingsLine(port, mode, greeting), c.saved) << c.line.substr(0, 40);
    }
}

TEST(SettingsFile, ReplacingTheFileLeavesNoTemporaryBehind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("vexalo.ini");
    ASSERT_TRUE(writeSettingsFile(path, "1,0,#TRUE#\r\n"));
    ASSERT_TRUE(writeSettingsFile(path, "3,1,#FALSE#\r\n"));
    std::string content;
    ASSERT_EQ(readSettingsFile(path, content), SettingsFileRead::Read);
    EXPECT_EQ(content, "3,1,#FALSE#\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "vexalo.ini" });
    EXPECT_EQ(readSettingsFile(dir.filePath("missing.ini"), content), SettingsFileRead::Missing);
}

TEST(SettingsFile, AWriteThatFailsHalfwayKeepsTheOldSettings)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("vexalo.ini");
    ASSERT_TRUE(writeSettingsFile(path, "3,1,#FALSE#\r\n"));

    // A file-size limit makes the write fail part way, like a full disk, even for root.
    bool wrote = false;
    {
        const testing::FileSizeLimit limit(4);
        if (!limit.active()) {
            GTEST_SKIP() << "no file-size limit here";
        }
        wrote = writeSettingsFile(path, "10,3,#TRUE#\r\n");
    }

    EXPECT_FALSE(wrote);
    std::string content;
    ASSERT_EQ(readSettingsFile(path, content), SettingsFileRead::Read);
    EXPECT_EQ(content, "3,1,#FALSE#\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "vexalo.ini" });
}

} // namespace
} // namespace vexalo
