// The editor's own preset file and the bank's names file as text: every byte and name comes
// back, a file that cannot be used whole is refused with its reason, and a damaged names file
// costs nothing but names.
#include "converter/PresetText.h"

#include <gtest/gtest.h>

using namespace preset_text;

namespace {

Preset Sample()
{
    Preset preset;
    for (int i = 0; i < protocol::PresetSize; ++i)
        preset.bytes[std::size_t(i)] = std::uint8_t(i * 7);
    preset.bytes[3] = 0xFF;                         // no controller
    preset.bytes[4] = 0x80;                         // a byte that names no entry
    preset.bytes[protocol::PresetChannelByte] = 20; // a channel byte above 15 stays as it is
    preset.names.name = "Bass patch";
    preset.names.labels[16] = "VCF 2 cutoff";
    return preset;
}

} // namespace

TEST(PresetText, EveryByteAndNameComesBack)
{
    const auto read = Read(Write(Sample()));
    ASSERT_TRUE(std::holds_alternative<Preset>(read)) << std::get<QString>(read).toStdString();
    EXPECT_EQ(std::get<Preset>(read).bytes, Sample().bytes);
    EXPECT_EQ(std::get<Preset>(read).names, Sample().names);
}

TEST(PresetText, AFileThatCannotBeUsedWholeIsRefusedWithItsReason)
{
    const QByteArray good = Write(Sample());
    const struct
    {
        QByteArray text;
        const char *reason;
    } cases[] = {
        {"not json", "it is not a Torvane preset file"},
        {QByteArray(good).replace("torvane-preset", "other"), "it is not a Torvane preset file"},
        {QByteArray(good).replace("\"version\": 1", "\"version\": 2"),
         "format version 2 by a later version"},
        {QByteArray(good).replace("\"output\": 17", "\"output\": 16"), "output 16 is given twice"},
        {QByteArray(good).replace("\"controller\": 0,", "\"controller\": 300,"),
         "output 1's controller is not a number"},
        {QByteArray(good).replace("\"channel\": 21", "\"channel\": \"3\""), "its channel"},
        {QByteArray(good).replace("\"label\": \"VCF 2 cutoff\"", "\"label\": 5"),
         "output 17's label is not text"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reason);
        const auto read = Read(c.text);
        ASSERT_TRUE(std::holds_alternative<QString>(read));
        EXPECT_TRUE(std::get<QString>(read).contains(c.reason))
            << std::get<QString>(read).toStdString();
        EXPECT_TRUE(std::get<QString>(read).endsWith("Nothing was loaded."));
    }
}

TEST(BankNames, ComeBackAndADamagedOrLaterFileCostsOnlyNames)
{
    BankNames names;
    names[1] = Sample().names;
    names[3].labels[31] = "Decay";
    EXPECT_EQ(ReadBankNames(WriteBankNames(names)).names, names);

    const QByteArray good = WriteBankNames(names);
    EXPECT_EQ(ReadBankNames(good.left(good.size() / 2)).names, BankNames()) << "cut short";
    EXPECT_FALSE(ReadBankNames(good.left(good.size() / 2)).later);
    const BankNamesRead later =
        ReadBankNames(QByteArray(good).replace("\"version\": 1", "\"version\": 9"));
    EXPECT_TRUE(later.later) << "not to be written over";
    EXPECT_EQ(later.names, BankNames());
}
