// The simulated converter's flash on disk: its exact bytes, reading back, and files that are
// missing, foreign or cannot be written.
#include "sim/FlashFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sim::FlashFile;

namespace {

sim::ConverterSetup Sample()
{
    sim::ConverterSetup setup;
    setup.channel = 9;
    for (int i = 0; i < sim::OutputCount; ++i)
        setup.controllers[i] = std::uint8_t(i * 5);
    setup.controllers[3] = sim::NoController;
    setup.controllers[4] = 0x90; // invalid controllers are kept as received
    return setup;
}

QByteArray Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return bytes;
}

TEST(FlashFile, GoldenBytes)
{
    QByteArray expected("TVSF\x01\x09", 6);
    for (int i = 0; i < sim::OutputCount; ++i)
        expected.append(char(i == 3 ? 0xFF : i == 4 ? 0x90 : i * 5));
    EXPECT_EQ(FlashFile::encode(Sample()), expected);
    EXPECT_EQ(expected.size(), FlashFile::Size);
    EXPECT_EQ(FlashFile::decode(expected), Sample());
}

TEST(FlashFile, DecodeRefusesWhatIsNotAFlashImage)
{
    const QByteArray good = FlashFile::encode(Sample());
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    QByteArray badVersion = good;
    badVersion[4] = 2;
    QByteArray badChannel = good;
    badChannel[5] = 16;
    for (const QByteArray &bytes :
         {good.left(37), good + '\0', badMagic, badVersion, badChannel, QByteArray()})
        EXPECT_FALSE(FlashFile::decode(bytes)) << bytes.toHex(' ').toStdString();
}

TEST(FlashFile, SavesIntoANewFolderAndLoadsBack)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("deep/er/flash");
    EXPECT_EQ(FlashFile::save(path, Sample()), QString());
    const FlashFile::Loaded loaded = FlashFile::load(path);
    EXPECT_EQ(loaded.setup, Sample());
    EXPECT_TRUE(loaded.error.isEmpty());

    // Saving again replaces the file whole.
    sim::ConverterSetup other;
    other.controllers[0] = 7;
    EXPECT_EQ(FlashFile::save(path, other), QString());
    EXPECT_EQ(FlashFile::load(path).setup, other);
}

TEST(FlashFile, MissingFileIsANeverWrittenBoxAndAForeignOneIsAnError)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("flash");
    const FlashFile::Loaded missing = FlashFile::load(path);
    EXPECT_FALSE(missing.setup);
    EXPECT_TRUE(missing.error.isEmpty());

    Write(path, FlashFile::encode(Sample()) + "more");
    const FlashFile::Loaded foreign = FlashFile::load(path);
    EXPECT_FALSE(foreign.setup);
    EXPECT_TRUE(foreign.error.contains(path)) << foreign.error.toStdString();
}

TEST(FlashFile, SaveReportsWhereItCannotWrite)
{
    QTemporaryDir dir;
    const QString blocker = QDir(dir.path()).filePath("file");
    Write(blocker, "x");
    const QString error = FlashFile::save(blocker + "/flash", Sample());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.contains(dir.path())) << error.toStdString();
}

} // namespace
