#include "app/BankNamesFile.h"

#include "app/AtomicFile.h"
#include "app/AutosaveLocation.h"
#include "app/InputFile.h"

#include <QFileInfo>
#include <algorithm>

namespace {

// Names and labels of four presets take a few kilobytes; anything far larger is no names file.
constexpr qint64 NamesFileLimit = 1024 * 1024;

} // namespace

preset_text::BankNames BankNamesFile::Load(const QString &bankFile)
{
    const input_file::Contents file = input_file::Read(AutosaveLocation::NamesFileFor(bankFile),
                                                       NamesFileLimit, input_file::Beyond::Refused);
    if (file.fault != input_file::Fault::None)
        return {};
    const preset_text::BankNamesRead read = preset_text::ReadBankNames(file.bytes);
    Later = read.later;
    return read.names;
}

bool BankNamesFile::Save(const QString &bankFile, const preset_text::BankNames &names) const
{
    const QString path = AutosaveLocation::NamesFileFor(bankFile);
    // Nobody who never names anything finds a names file beside the bank.
    const bool unnamed = std::all_of(names.begin(), names.end(),
                                     [](const PresetNames &preset) { return preset.Empty(); });
    if (Later || (unnamed && !QFileInfo::exists(path)))
        return true;
    return WriteAtomically(path, preset_text::WriteBankNames(names));
}
