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
    PresetBank = &Bank;
    Form2 = &Progress;
    Form10 = &ChannelDialog;
    Form = std::make_unique<TForm1>(midi, *Dialogs,
                                    AutosaveLocation(QDir(Folder.path()).filePath("program"),
                                                     QDir(Folder.path()).filePath("userdata")));
    if (!lateBuilt)
        Form->BuildLatePages();
}

EditorWindow::~EditorWindow()
{
    Form.reset();
    PresetBank = nullptr;
    Form2 = nullptr;
    Form10 = nullptr;
}
