#include "app/BankNamesFile.h"

#include "app/AtomicFile.h"
#include "app/AutosaveLocation.h"
#include "app/InputFile.h"

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
    if (Later)
        return true;
    return WriteAtomically(AutosaveLocation::NamesFileFor(bankFile),
                           preset_text::WriteBankNames(names));
}
