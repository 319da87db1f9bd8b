// .syx files of any bytes, read as the editor reads them: by the pure import, and through the
// main window, which loads them into the current preset and shows it.
//
// What must hold for every file: a refused file changes nothing and says why in one box; an
// accepted one is exactly its messages, each F0, data bytes, F7; every message is applied or
// counted as skipped; byte 33 keeps its value; the channel is 0..15; the window holds and shows
// what the import gave, sends nothing, and says what it skipped only when it skipped something.
#include "FuzzCheck.h"
#include "FuzzWindow.h"
#include "controls/Kxpotlab.h"
#include "converter/PresetHistory.h"
#include "converter/SysexFile.h"

#include <QComboBox>
#include <QFile>

#include <cstdint>

namespace {

class NoDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &, QWidget *) override { return false; }
};

FuzzWindow *world = nullptr;

void CheckImport(QByteArrayView file, const protocol::PresetBytes &before,
                 const protocol::PresetBytes &after, const protocol::SysexImport &import)
{
    const protocol::SysexMessages &split = import.split;
    if (split.fault != protocol::SysexFault::None) {
        FUZZ_CHECK(after == before && split.messages.empty());
        FUZZ_CHECK(!protocol::SysexFaultText(split, file).isEmpty());
        return;
    }
    QByteArray joined;
    for (const QByteArray &message : split.messages) {
        FUZZ_CHECK(message.size() >= 2 && quint8(message.front()) == 0xF0 &&
                   quint8(message.back()) == 0xF7);
        for (qsizetype i = 1; i + 1 < message.size(); ++i)
            FUZZ_CHECK(quint8(message[i]) < 0x80);
        joined += message;
    }
    FUZZ_CHECK(joined == file);
    FUZZ_CHECK(import.applied + import.skipped == int(split.messages.size()));
    FUZZ_CHECK(after[33] == before[33]);
    FUZZ_CHECK(import.channel.has_value() == (import.applied > 0));
    if (import.channel)
        FUZZ_CHECK(*import.channel <= 15 && after[32] == *import.channel);
    else
        FUZZ_CHECK(after == before);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static NoDialogs dialogs;
    world = new FuzzWindow(argc, argv, dialogs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView file(data, qsizetype(size));
    const protocol::PresetBytes before = ReadPreset(world->Bank, 0);
    protocol::PresetBytes imported = before;
    const protocol::SysexImport import = protocol::ImportSysex(file, imported);
    CheckImport(file, before, imported, import);

    // The same file through the window, into preset 1, the current one.
    const QString path = world->Path("input.syx");
    {
        QFile out(path);
        FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(out.write(file.data(), file.size()) == file.size());
    }
    const int boxesBefore = world->Boxes;
    TForm1 &form = *world->Form;
    form.LoadIntoCurrentPreset(path, true);
    FUZZ_CHECK(ReadPreset(world->Bank, 0) == imported);
    const bool refused = import.split.fault != protocol::SysexFault::None;
    FUZZ_CHECK(world->Boxes - boxesBefore == (refused || import.skipped > 0 ? 1 : 0));
    if (!refused) {
        for (int i = 0; i < TForm1::OutputCount; ++i)
            FUZZ_CHECK(form.ComboBox[i]->currentIndex() ==
                       protocol::ItemForPresetByte(imported[i]));
        FUZZ_CHECK(form.kxpotlab4->State() == std::min(imported[32] + 1, 16));
    }
    world->Midi.waitIdle();
    FUZZ_CHECK(world->Midi.simulatorMessages().empty());
    // The history holds every load; it need not grow without end over a long run.
    form.Assignments->History().Stack().clear();
    return 0;
}
