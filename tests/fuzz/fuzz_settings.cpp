// The settings reader, given any INI text as the settings file: values of every type, names in
// any case or group, broken lines, escapes, binary junk.
//
// What must hold: the values are applied in order, each at most once, and reading stops at the
// first that does not read as a 32-bit integer; the main window applies what was read without
// leaving its ranges (patch-bay input 0..7, device selections within the lists or none); and
// whatever the file held before, the window's own save reads back whole and unchanged.
#include "FuzzCheck.h"
#include "FuzzWindow.h"
#include "app/Core_main.h"
#include "app/FileDialogs.h"
#include "app/PresetBank.h"
#include "app/Settings.h"
#include "controls/Kxpotlab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

class NoDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &, QWidget *) override { return false; }
};

struct World
{
    FuzzWindow Window;
    QString SettingsFile;
    long Serial = 0;
};

World *world = nullptr;

// QSettings keeps a parsed copy of the file and parses again only when the file's size or time
// stamp changed: give every input a time stamp of its own.
void WriteSettingsFile(const std::uint8_t *data, std::size_t size)
{
    QFile file(world->SettingsFile);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    file.close();
    const timespec stamp{1'000'000'000 + ++world->Serial, 0};
    const timespec times[2] = {stamp, stamp};
    FUZZ_CHECK(utimensat(AT_FDCWD, QFile::encodeName(world->SettingsFile).constData(), times, 0) ==
               0);
}

std::vector<std::pair<SettingId, int>> ReadAll()
{
    std::vector<std::pair<SettingId, int>> applied;
    const int count =
        ReadSettings([&](SettingId id, int value) { applied.emplace_back(id, value); });
    FUZZ_CHECK(count == int(applied.size()) && count <= int(SettingNames.size()));
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(applied[i].first == SettingId(i));
    return applied;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // An out-of-range device index selects no device, and opening none is reported: such boxes
    // are expected here and only counted away.
    static NoDialogs dialogs;
    world = new World{FuzzWindow(argc, argv, dialogs), QString(), 0};
    world->SettingsFile =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmont", "Torvane").fileName();
    QDir().mkpath(QFileInfo(world->SettingsFile).path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TForm1 &form = *world->Window.Form;
    WriteSettingsFile(data, size);
    ReadAll();
    ReadDeviceNames();

    form.LoadSettings();
    FUZZ_CHECK(form.kxpotlab1->State() >= 0 && form.kxpotlab1->State() <= 7);
    FUZZ_CHECK(form.cmbInput->currentIndex() >= -1 &&
               form.cmbInput->currentIndex() < form.cmbInput->count());
    FUZZ_CHECK(form.cmbOutput->currentIndex() >= -1 &&
               form.cmbOutput->currentIndex() < form.cmbOutput->count());

    // The window's own save, over whatever else the file holds, reads back whole.
    form.SaveSettings();
    const auto again = ReadAll();
    FUZZ_CHECK(again.size() == SettingNames.size());
    const int shown[] = {form.x(),
                         form.y(),
                         form.CheckBox38->isChecked() ? 1 : 0,
                         form.CheckBox1->isChecked() ? 1 : 0,
                         form.CheckBox2->isChecked() ? 1 : 0,
                         form.kxpotlab1->State(),
                         form.cmbInput->currentIndex(),
                         form.cmbOutput->currentIndex()};
    for (std::size_t i = 0; i < again.size(); ++i)
        FUZZ_CHECK(again[i].second == shown[i]);
    return 0;
}
