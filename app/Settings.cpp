#include "app/Settings.h"

#include "converter/PresetLibrary.h"

#include <QSettings>
#include <QVariant>

namespace {

// The native store of this platform for organisation Quillmont, application Torvane.
QSettings OpenStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmont", "Torvane");
}

} // namespace

int ReadSettings(const std::function<void(SettingId, int)> &apply)
{
    const QSettings store = OpenStore();
    int applied = 0;
    for (const char *name : SettingNames) {
        const QVariant stored = store.value(name);
        if (!stored.isValid())
            break;
        bool isInteger = false;
#if defined(Q_OS_WIN)
        // The registry keeps each value's type: only a 32-bit integer (REG_DWORD) is one; the
        // digits of a string value, or a 64-bit value, are not.
        const int value = stored.toInt();
        isInteger = stored.typeId() == QMetaType::Int;
#else
        // A text store (INI) gives the digits back as a string, which must fit 32 bits.
        const int value = stored.toString().toInt(&isInteger);
#endif
        if (!isInteger)
            break;
        apply(static_cast<SettingId>(applied), value);
        ++applied;
    }
    return applied;
}

StoredDeviceNames ReadDeviceNames()
{
    const QSettings store = OpenStore();
    auto name = [&store](const char *key) {
        const QVariant stored = store.value(key);
        return stored.isValid() ? stored.toString() : QString();
    };
    return {name(InputNameSetting), name(OutputNameSetting)};
}

bool WriteSettings(const SettingValues &values, const StoredDeviceNames &names)
{
    QSettings store = OpenStore();
    for (std::size_t i = 0; i < values.size(); ++i)
        store.setValue(SettingNames[i], values[i]);
    // Never null when written: an empty name means "nothing was selected".
    store.setValue(InputNameSetting, names.input.isNull() ? QString("") : names.input);
    store.setValue(OutputNameSetting, names.output.isNull() ? QString("") : names.output);
    store.sync();
    return store.status() == QSettings::NoError;
}

bool ReadAskFlashOnClose()
{
    return OpenStore().value(AskFlashOnCloseSetting, 1).toInt() != 0;
}

void WriteAskFlashOnClose(bool ask)
{
    QSettings store = OpenStore();
    store.setValue(AskFlashOnCloseSetting, ask ? 1 : 0);
}

MidiSystemChoice ReadMidiSystemChoice()
{
    return MidiSystemChoiceNamed(OpenStore().value(MidiSystemSetting).toString())
        .value_or(MidiSystemChoice::Automatic);
}

void WriteMidiSystemChoice(MidiSystemChoice choice)
{
    QSettings store = OpenStore();
    store.setValue(MidiSystemSetting, MidiSystemChoiceName(choice));
}

QString ReadLibraryFolder()
{
    const QString stored = OpenStore().value(LibraryFolderSetting).toString();
    return stored.isEmpty() ? DefaultLibraryFolder() : stored;
}

void WriteLibraryFolder(const QString &folder)
{
    QSettings store = OpenStore();
    store.setValue(LibraryFolderSetting, folder);
}
