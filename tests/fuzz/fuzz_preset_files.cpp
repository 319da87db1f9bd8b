// Bank and parameter files of any length and any bytes, loaded as the editor loads them: into
// the preset bank directly, and through the main window's "Load Parameters File" command, which
// shows the loaded preset on the assignment page; then saved back with "Save Parameters File".
//
// What must hold for every file: loads copy the file's leading bytes and nothing else, no
// error box for a file that exists, every selector shows the entry its byte names (or none),
// the master channel stays within 1..16, and a save writes back exactly the bytes in memory.
#include "FuzzCheck.h"
#include "FuzzWindow.h"
#include "app/Core_main.h"
#include "app/FileDialogs.h"
#include "app/PresetBank.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/Protocol.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class AnswerWith : public FileDialogs
{
public:
    bool Execute(TFileDialog &dialog, QWidget *) override
    {
        dialog.FileName = Next;
        return true;
    }
    QString Next;
};

using BankImage = std::array<std::uint8_t, TPresetBank::BankFileSize>;

FuzzWindow *world = nullptr;
AnswerWith *dialogs = nullptr;

BankImage Snapshot(const TPresetBank &bank)
{
    BankImage image;
    for (int i = 0; i < TPresetBank::BankFileSize; ++i)
        image[i] = bank.GetByte(i / TPresetBank::PresetSize, i % TPresetBank::PresetSize);
    return image;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void WriteFile(const QString &path, const std::uint8_t *data, std::size_t size)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
}

void CheckPageShows(int preset)
{
    TForm1 &form = *world->Form;
    for (int i = 0; i < TForm1::OutputCount; ++i)
        FUZZ_CHECK(form.ComboBox[i]->currentIndex() ==
                   protocol::ItemForPresetByte(world->Bank.GetByte(preset, i)));
    const int channel = form.kxpotlab4->State();
    FUZZ_CHECK(channel == std::clamp(world->Bank.GetByte(preset, 32) + 1, 1, 16));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    dialogs = new AnswerWith;
    world = new FuzzWindow(argc, argv, *dialogs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TPresetBank &bank = world->Bank;
    TForm1 &form = *world->Form;
    const QString input = world->Path("input.TVN");
    WriteFile(input, data, size);
    const int boxesBefore = world->Boxes;

    // The bank file: its leading bytes, the rest as it was.
    BankImage expected = Snapshot(bank);
    std::copy_n(data, std::min<std::size_t>(size, expected.size()), expected.begin());
    FUZZ_CHECK(bank.LoadBank(input));
    FUZZ_CHECK(Snapshot(bank) == expected);
    FUZZ_CHECK(bank.SaveBank(world->Path("bank.TVN")));
    FUZZ_CHECK(
        ReadFile(world->Path("bank.TVN")) ==
        QByteArray(reinterpret_cast<const char *>(expected.data()), qsizetype(expected.size())));

    // The parameter file through the window, into the preset whose button the size picks.
    const int preset = int(size % TPresetBank::PresetCount);
    const std::array<TSpeedButton *, 4> presetButtons = {form.spdPar1, form.spdPar2, form.spdPar3,
                                                         form.spdPar4};
    presetButtons[preset]->click();
    FUZZ_CHECK(form.CurrentPreset() == preset);
    CheckPageShows(preset);
    expected = Snapshot(bank);
    std::copy_n(data, std::min<std::size_t>(size, TPresetBank::PresetSize),
                expected.begin() + preset * TPresetBank::PresetSize);
    dialogs->Next = input;
    form.SpeedButton8->click();
    FUZZ_CHECK(Snapshot(bank) == expected);
    CheckPageShows(preset);

    // And saved back: the file holds exactly the preset in memory.
    QFile::remove(world->Path("saved.TVN"));
    QFile::remove(world->Path("saved.BAK"));
    dialogs->Next = world->Path("saved");
    form.SpeedButton17->click();
    FUZZ_CHECK(ReadFile(world->Path("saved.TVN")) ==
               QByteArray(reinterpret_cast<const char *>(expected.data()) +
                              preset * TPresetBank::PresetSize,
                          TPresetBank::PresetSize));
    FUZZ_CHECK(world->Boxes == boxesBefore);
    return 0;
}
