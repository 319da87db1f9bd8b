#include "support/Files.h"
#include "support/FormTest.h"

#include <QFile>
#include <QFileInfo>

namespace {

class AutosaveTest : public FormTest
{
protected:
    QString UserBankFile() const { return QDir(UserDataFolder()).filePath("torvanepar.TVN"); }
};

} // namespace

TEST_F(AutosaveTest, BankBesideTheProgramIsLoadedAtStartAndRewrittenAtClose)
{
    ASSERT_TRUE(WriteFile(ProgramBankFile(), QByteArray(136, 0x05)));
    auto form = MakeForm();
    EXPECT_EQ(Bank.GetByte(3, 33), 0x05);
    Bank.SetByte(1, 0, 0x21);
    form->close();
    const QByteArray saved = ReadFile(ProgramBankFile());
    ASSERT_EQ(saved.size(), 136);
    EXPECT_EQ(saved.at(34), 0x21);
    EXPECT_FALSE(QFileInfo::exists(UserBankFile()));
}

TEST_F(AutosaveTest, ProgramFolderNotWritableKeepsTheBankInTheUserDataFolder)
{
    // An installed program: its folder cannot be written (here: it does not even exist).
    const AutosaveLocation installed(QDir(Dir.path()).filePath("read-only-install"),
                                     UserDataFolder());
    {
        TForm1 form(Midi, Dialogs, Parts(), installed);
        Bank.SetByte(0, 0, 0x33);
        form.close();
    }
    EXPECT_EQ(QFileInfo(UserBankFile()).size(), 136);
    Bank.SetByte(0, 0, 0xFF);
    TForm1 again(Midi, Dialogs, Parts(), installed);
    EXPECT_EQ(Bank.GetByte(0, 0), 0x33) << "the presets came back from the user data folder";
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(AutosaveTest, EditsInTheUserDataFolderAreNotShadowedByAStaleCopyBesideTheProgram)
{
    const QString install = QDir(Dir.path()).filePath("install");
    ASSERT_TRUE(WriteFile(QDir(install).filePath("torvanepar.TVN"), QByteArray(136, 0x01)));
    ASSERT_TRUE(WriteFile(UserBankFile(), QByteArray(136, 0x02)));
    QFile::setPermissions(install, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(install).isWritable())
        GTEST_SKIP() << "running as root: a read-only folder is still writable";
    TForm1 form(Midi, Dialogs, Parts(), AutosaveLocation(install, UserDataFolder()));
    EXPECT_EQ(Bank.GetByte(0, 0), 0x02);
}

TEST_F(AutosaveTest, BankThatCanBeWrittenNowhereIsReportedAndTheWindowStillCloses)
{
    const QString blocker = QDir(Dir.path()).filePath("a-file");
    ASSERT_TRUE(WriteFile(blocker, {}));
    TForm1 form(Midi, Dialogs, Parts(),
                AutosaveLocation(QDir(Dir.path()).filePath("missing-program-folder"),
                                 QDir(blocker).filePath("data")));
    form.show();
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(Boxes.Messages.size(), 1);
    EXPECT_EQ(Boxes.Messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(Boxes.Messages[0].text.contains("torvanepar.TVN"));
}

TEST_F(AutosaveTest, NamesComeBackBesideTheBankAndTheirFileNeverCostsAPreset)
{
    const QString namesFile = AutosaveLocation::NamesFileFor(ProgramBankFile());
    ASSERT_TRUE(WriteFile(ProgramBankFile(), QByteArray(136, 0x05)));
    PresetNames names;
    names.name = "Bass patch";
    names.labels[16] = "VCF 2 cutoff";
    const auto nameAndClose = [&](int preset) {
        auto form = MakeForm();
        form->State.SetNames(preset, names);
        form->close();
    };
    nameAndClose(2);
    EXPECT_EQ(MakeForm()->State.Names(2), names);

    ASSERT_TRUE(WriteFile(namesFile, "{\"format\": \"torvane-bank-na")); // cut short
    auto damaged = MakeForm();
    EXPECT_EQ(damaged->State.Names(2), PresetNames());
    EXPECT_EQ(Bank.GetByte(2, 0), 0x05);
    damaged.reset();

    const QByteArray later = "{\"format\": \"torvane-bank-names\", \"version\": 2}";
    ASSERT_TRUE(WriteFile(namesFile, later));
    nameAndClose(0);
    EXPECT_EQ(ReadFile(namesFile), later) << "a later version's file is left as it is";
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}
