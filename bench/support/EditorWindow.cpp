#include "EditorWindow.h"

#include "app/AutosaveLocation.h"

#include <QDir>

namespace {

class CancelledFileDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &, QWidget *) override { return false; }
};

} // namespace

EditorWindow::EditorWindow(MidiServices &midi, bool lateBuilt)
    : Dialogs(std::make_unique<CancelledFileDialogs>())
{
    const EditorParts parts{
        .bank = Bank,
        .progress = [this]() -> TransferProgress & { return Progress; },
        .chooseChannel = [this](int current) { return ChannelDialog.ChooseChannel(current); }};
    Form = std::make_unique<TForm1>(midi, *Dialogs, parts,
                                    AutosaveLocation(QDir(Folder.path()).filePath("program"),
                                                     QDir(Folder.path()).filePath("userdata")));
    if (!lateBuilt)
        Form->BuildLatePages();
}

EditorWindow::~EditorWindow()
{
    Form.reset();
}
