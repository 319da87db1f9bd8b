// The disk fills up under the editor while it closes: the autosave bank and the settings cannot
// be written. The user is told that the presets were not saved, the window still closes, and
// what was on disk before (the previous bank, the previous settings) is there whole afterwards,
// with nothing half-written beside it. The next start finds the previous state.
// (The parameter-file commands on a full disk and below a regular file are in
// tests/app/test_file_commands.cpp.)
#include "support/Files.h"
#include "support/FormTest.h"

#include <QFileInfo>

namespace {

using DiskFullTest = FormTest;

} // namespace

TEST_F(DiskFullTest, CloseOnAFullDiskReportsTheBankAndKeepsThePreviousFiles)
{
    // A previous session left a bank beside the program and its settings.
    QByteArray previousBank(TPresetBank::BankFileSize, '\0');
    for (int i = 0; i < previousBank.size(); ++i)
        previousBank[i] = char((i * 11 + 5) & 0x7F);
    ASSERT_TRUE(WriteFile(ProgramBankFile(), previousBank));
    StoreSettings({{"PX", 100}, {"PY", 120}, {"kesselInput", 6}});
    const QString settingsFile = Settings().fileName();
    const QByteArray previousSettings = ReadFile(settingsFile);
    ASSERT_FALSE(previousSettings.isEmpty());

    auto form = MakeForm();
    form->show();
    Bank.SetByte(0, 0, 0x42);
    form->move(200, 220);
    {
        const DiskFullAfter full(20); // less than a bank, less than the settings
        EXPECT_TRUE(form->close()) << "a full disk must not keep the user from quitting";
    }
    ASSERT_EQ(Boxes.Messages.size(), 1);
    EXPECT_EQ(Boxes.Messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(Boxes.Messages[0].text.contains(AutosaveLocation::FileName));
    EXPECT_TRUE(Boxes.Messages[0].text.contains("could not be saved"));

    EXPECT_EQ(ReadFile(ProgramBankFile()), previousBank);
    EXPECT_EQ(ReadFile(settingsFile), previousSettings);
    EXPECT_EQ(FilesBelow(ProgramFolder()), QStringList{AutosaveLocation::FileName});
    EXPECT_EQ(FilesBelow(UserDataFolder()), QStringList{}) << "nothing half-written there";

    // The next start finds the previous bank. (The settings file was checked on disk above:
    // within this process the settings store keeps answering from its own copy of the values
    // it failed to write, so a start in the same process cannot show what a new one reads.)
    form.reset();
    Bank.SetByte(0, 0, 0xFF);
    Boxes.Messages.clear();
    form = MakeForm();
    EXPECT_EQ(Bank.GetByte(0, 0), std::uint8_t(previousBank[0]));
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(DiskFullTest, BankSavedInTheUserDataFolderWhenOnlyTheProgramFolderIsFull)
{
    // The program's folder sits below a regular file, as good as read-only even for root; the
    // user's data folder takes the bank, and nothing is reported.
    const QString plain = QDir(Dir.path()).filePath("plain-file");
    ASSERT_TRUE(WriteFile(plain, {}));
    const QString userBank = QDir(UserDataFolder()).filePath(AutosaveLocation::FileName);
    {
        TForm1 form(Midi, Dialogs, Parts(),
                    AutosaveLocation(QDir(plain).filePath("program"), UserDataFolder()));
        Bank.SetByte(1, 2, 0x33);
        form.close();
    }
    EXPECT_TRUE(Boxes.Messages.isEmpty());
    EXPECT_EQ(QFileInfo(userBank).size(), TPresetBank::BankFileSize);
    EXPECT_EQ(ReadFile(userBank).at(TPresetBank::PresetSize + 2), 0x33);
    EXPECT_EQ(ReadFile(plain), QByteArray()) << "the file in the way is untouched";
}
