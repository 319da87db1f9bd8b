// The process dies (SIGKILL, no chance to clean up) at a random moment while it writes the
// autosave bank file, 200 times in a row. Each time the file on disk must be a complete
// 136-byte image: the one written last before the kill, or the one being written. Then the
// editor starts on what is left and shows it.
#include "support/Files.h"
#include "support/FormTest.h"

#include <QDateTime>
#include <QFile>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <random>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Kills = 200;

// Bank image number k: its first four bytes carry k, every other byte follows from k, so an
// image torn between two versions, or cut short, cannot pass for a whole one.
QByteArray Image(std::uint32_t k)
{
    QByteArray bytes(TPresetBank::BankFileSize, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((k >> (8 * i)) & 0xFF);
    for (int i = 4; i < bytes.size(); ++i)
        bytes[i] = char(((k + std::uint32_t(i)) * 37u + (k >> 8)) & 0xFF);
    return bytes;
}

std::uint32_t NumberOf(const QByteArray &bytes)
{
    std::uint32_t k = 0;
    for (int i = 0; i < 4 && i < bytes.size(); ++i)
        k |= std::uint32_t(std::uint8_t(bytes[i])) << (8 * i);
    return k;
}

// What the writer tells the test through memory shared across fork(): the image it is saving
// and the last one whose save returned.
struct WriterProgress
{
    std::atomic<std::uint32_t> writing;
    std::atomic<std::uint32_t> written;
};

// The child: saves images first, first + 1, ... through the editor's autosave path until it is
// killed. It never returns.
[[noreturn]] void WriteUntilKilled(const AutosaveLocation &where, std::uint32_t first,
                                   WriterProgress *progress)
{
    TPresetBank bank;
    for (std::uint32_t k = first;; ++k) {
        FillBank(bank, Image(k));
        progress->writing.store(k);
        if (where.Save(bank).isEmpty())
            _exit(3);
        progress->written.store(k);
    }
}

class AutosaveKillTest : public FormTest
{
protected:
    QStringList OtherFiles() const
    {
        QStringList others;
        for (const QString &name : QDir(ProgramFolder()).entryList(QDir::Files | QDir::Hidden))
            if (name != AutosaveLocation::FileName)
                others << name;
        return others;
    }
};

TEST_F(AutosaveKillTest, FileIsAlwaysAWholeImageOldOrNew)
{
    auto *progress =
        static_cast<WriterProgress *>(mmap(nullptr, sizeof(WriterProgress), PROT_READ | PROT_WRITE,
                                           MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(progress, MAP_FAILED);
    std::mt19937 random(9);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    std::uint32_t onDisk = 0;
    int midSave = 0;

    for (int kill = 0; kill < Kills; ++kill) {
        SCOPED_TRACE(kill);
        const std::uint32_t first = onDisk + 1;
        progress->writing.store(0);
        progress->written.store(0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            WriteUntilKilled(Autosave(), first, progress);

        // One save completed, then a random moment inside the ones that follow.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (progress->written.load() < first && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;
        const std::uint32_t written = progress->written.load();
        const std::uint32_t writing = progress->writing.load();
        ASSERT_GE(written, first) << "no save completed within 20 s";
        midSave += writing != written;

        const QByteArray bytes = ReadFile(ProgramBankFile());
        ASSERT_EQ(bytes.size(), TPresetBank::BankFileSize);
        const std::uint32_t k = NumberOf(bytes);
        ASSERT_EQ(bytes, Image(k)) << "a torn image";
        ASSERT_TRUE(k == written || k == writing)
            << "image " << k << " on disk; the last save done was " << written
            << ", the one under way " << writing;
        onDisk = k;
    }
    munmap(progress, sizeof(WriterProgress));
    RecordProperty("KillsInsideASave", midSave);
    // Nearly every kill should land inside a save, or the test proves little.
    EXPECT_GT(midSave, Kills / 2);
    // A save killed half-way leaves the atomic writer's temporary file beside the bank (never
    // the bank itself half-written). Once such leftovers are a minute old, the next autosave
    // clears them away.
    const QStringList leftovers = OtherFiles();
    RecordProperty("LeftoverTemporaryFiles", int(leftovers.size()));
    for (const QString &name : leftovers) {
        EXPECT_TRUE(name.startsWith(QString(AutosaveLocation::FileName) + "."))
            << name.toStdString();
        QFile file(QDir(ProgramFolder()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        EXPECT_LE(file.size(), TPresetBank::BankFileSize);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                         QFileDevice::FileModificationTime);
    }

    // The editor starts on what the last kill left, as it would after a crash, and closes.
    auto form = MakeForm();
    EXPECT_EQ(BankImage(Bank), Image(onDisk));
    form->close();
    EXPECT_EQ(OtherFiles(), QStringList());
    EXPECT_EQ(ReadFile(ProgramBankFile()), Image(onDisk));
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

} // namespace
