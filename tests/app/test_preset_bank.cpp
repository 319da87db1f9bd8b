#include "app/PresetBank.h"
#include "support/Files.h"
#include "support/FormTest.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A byte image whose every byte tells its own offset, so misplaced bytes show up.
QByteArray Pattern(int size, int salt)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + salt) & 0xFF);
    return bytes;
}

class PresetBankTest : public ::testing::Test
{
protected:
    QString Path(const char *name) const { return QDir(Dir.path()).filePath(name); }
    QTemporaryDir Dir;
    TPresetBank Bank;
};

} // namespace

TEST_F(PresetBankTest, StartsAsNoControllerOnChannelOneEverywhere)
{
    const QByteArray preset = QByteArray(32, char(0xFF)) + QByteArray(2, '\0');
    EXPECT_EQ(BankImage(Bank), preset.repeated(4));
}

TEST_F(PresetBankTest, BankFileIsTheFourPresetsInOrderAndReadsBackExactly)
{
    const QByteArray image = Pattern(136, 3);
    FillBank(Bank, image);
    ASSERT_TRUE(Bank.SaveBank(Path("bank.TVN")));
    EXPECT_EQ(ReadFile(Path("bank.TVN")), image);

    TPresetBank other;
    ASSERT_TRUE(other.LoadBank(Path("bank.TVN")));
    EXPECT_EQ(BankImage(other), image);
}

TEST_F(PresetBankTest, ShortBankFileFillsPresetsInOrderAsFarAsItReaches)
{
    // 34 + 34 + 10 bytes: presets 1 and 2 whole, 10 leading bytes of preset 3, preset 4 kept.
    const QByteArray image = Pattern(78, 9);
    ASSERT_TRUE(WriteFile(Path("short.TVN"), image));
    Bank.SetByte(2, 10, 0x42);
    ASSERT_TRUE(Bank.LoadBank(Path("short.TVN")));
    EXPECT_EQ(BankImage(Bank).left(78), image);
    EXPECT_EQ(Bank.GetByte(2, 10), 0x42);
    EXPECT_EQ(Bank.GetByte(3, 0), 0xFF);
}

TEST_F(PresetBankTest, LongBankFileReadsOnlyItsFirst136Bytes)
{
    const QByteArray image = Pattern(200, 1);
    ASSERT_TRUE(WriteFile(Path("long.TVN"), image));
    ASSERT_TRUE(Bank.LoadBank(Path("long.TVN")));
    EXPECT_EQ(PresetFileImage(Bank, 3), image.mid(102, 34));
}

TEST_F(PresetBankTest, ParameterFileRules)
{
    // A preset with an out-of-range assignment (200) and a reserved byte: kept as they are.
    Bank.SetByte(1, 0, 200);
    Bank.SetByte(1, 32, 5);
    Bank.SetByte(1, 33, 0xA5);
    ASSERT_TRUE(Bank.SavePreset(1, Path("one.TVN")));
    const QByteArray saved = ReadFile(Path("one.TVN"));
    ASSERT_EQ(saved.size(), 34);
    EXPECT_EQ(quint8(saved[0]), 200);
    EXPECT_EQ(quint8(saved[33]), 0xA5);

    ASSERT_TRUE(Bank.LoadPreset(3, Path("one.TVN")));
    EXPECT_EQ(PresetFileImage(Bank, 3), saved);
    EXPECT_EQ(Bank.GetByte(0, 0), 0xFF) << "only the named preset changes";
}

TEST_F(PresetBankTest, LoadPresetOnABankFileTakesItsFirstPreset)
{
    const QByteArray image = Pattern(136, 5);
    ASSERT_TRUE(WriteFile(Path("bank.TVN"), image));
    ASSERT_TRUE(Bank.LoadPreset(2, Path("bank.TVN")));
    EXPECT_EQ(PresetFileImage(Bank, 2), image.left(34));
}

TEST_F(PresetBankTest, ShortParameterFileReplacesOnlyLeadingBytes)
{
    ASSERT_TRUE(WriteFile(Path("tiny.TVN"), QByteArray("\x01\x02\x03", 3)));
    ASSERT_TRUE(Bank.LoadPreset(0, Path("tiny.TVN")));
    EXPECT_EQ(Bank.GetByte(0, 2), 3);
    EXPECT_EQ(Bank.GetByte(0, 3), 0xFF);

    ASSERT_TRUE(WriteFile(Path("empty.TVN"), QByteArray()));
    EXPECT_TRUE(Bank.LoadPreset(0, Path("empty.TVN")));
    EXPECT_EQ(Bank.GetByte(0, 0), 1);
}

TEST_F(PresetBankTest, MissingFileFailsAndTouchesNothing)
{
    Bank.SetByte(0, 0, 9);
    EXPECT_FALSE(Bank.LoadPreset(0, Path("absent.TVN")));
    EXPECT_FALSE(Bank.LoadBank(Path("absent.TVN")));
    EXPECT_EQ(Bank.GetByte(0, 0), 9);
    EXPECT_FALSE(Bank.LoadBank(Dir.path())) << "a folder is not a bank file";
}

TEST_F(PresetBankTest, SaveThatRunsOutOfDiskKeepsTheOldImage)
{
    const QByteArray old = Pattern(136, 41);
    ASSERT_TRUE(WriteFile(Path("full.TVN"), old));
    Bank.SetByte(0, 0, 0x11);
    {
        const DiskFullAfter full(50);
        EXPECT_FALSE(Bank.SaveBank(Path("full.TVN")));
    }
    EXPECT_EQ(ReadFile(Path("full.TVN")), old);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"full.TVN"});
    ASSERT_TRUE(Bank.SaveBank(Path("full.TVN")));
    EXPECT_EQ(ReadFile(Path("full.TVN")).at(0), 0x11);
}

TEST_F(PresetBankTest, FailedSaveLeavesTheOldFileWhole)
{
    const QByteArray old = Pattern(136, 77);
    ASSERT_TRUE(WriteFile(Path("keep.TVN"), old));
    // A save that cannot complete (its folder vanished under it) must not damage anything;
    // and a save into a place that cannot hold a file fails without a trace.
    EXPECT_FALSE(Bank.SaveBank(Path("no-such-folder/keep.TVN")));
    EXPECT_FALSE(Bank.SavePreset(0, Path("keep.TVN/inside.TVN")));
    EXPECT_EQ(ReadFile(Path("keep.TVN")), old);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"keep.TVN"})
        << "no temporary file is left behind";
}
