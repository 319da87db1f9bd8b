// A settings file written by someone else, or damaged: every value in turn absent or of a wrong
// type, values out of range, and a file that is not text at all. The editor comes up every
// time, applies the values before the first bad one and nothing after it, keeps every control
// within its range, and says nothing about the settings.
#include "app/Settings.h"
#include "controls/Kxpotlab.h"
#include "support/Files.h"
#include "support/FormTest.h"

#include <QCheckBox>

namespace {

// The eight values in their order, each different from its design default where it can be.
const std::array<QByteArray, 8> Good = {"11", "22", "1", "1", "0", "5", "0", "1"};

// Ways a value can be wrong; an empty text stands for "absent".
// clang-format off
const std::pair<const char *, QByteArray> Wrong[] = {
    {"absent", ""},
    {"text", "abc"},
    {"empty", "\"\""},
    {"fraction", "1.5"},
    {"beyond 32 bits", "4294967297"},
    {"list", "1, 2"},
    {"typed byte array", "@ByteArray(\\x1)"},
    {"typed variant", "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x18)"},
};
// clang-format on

// Design defaults, and the values of Good as they show.
const ShownSettings Defaults{344, 363, false, false, true, 2, 0, 0};
const ShownSettings Applied{11, 22, true, true, false, 5, 0, 1};

// The first `count` fields of Applied, the rest of Defaults.
ShownSettings AppliedUpTo(int count)
{
    ShownSettings s = Defaults;
    const auto take = [count](int index, auto &field, auto value) {
        if (index < count)
            field = value;
    };
    take(0, s.x, Applied.x);
    take(1, s.y, Applied.y);
    take(2, s.rt, Applied.rt);
    take(3, s.merge, Applied.merge);
    take(4, s.startup, Applied.startup);
    take(5, s.input, Applied.input);
    take(6, s.midiIn, Applied.midiIn);
    take(7, s.midiOut, Applied.midiOut);
    return s;
}

class SettingsFaultsTest : public FormTest
{
protected:
    // Writes the file as text, the way an editor or a damaged disk would leave it.
    void WriteRaw(const QByteArray &text) { ASSERT_TRUE(WriteFile(Settings().fileName(), text)); }
    static QByteArray Lines(const std::array<QByteArray, 8> &values)
    {
        QByteArray text = "[General]\n";
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!values[i].isEmpty())
                text += QByteArray(SettingNames[i]) + "=" + values[i] + "\n";
        return text;
    }
};

} // namespace

TEST_F(SettingsFaultsTest, EveryValueWrongInEveryWayStopsTheReadingThere)
{
    for (std::size_t bad = 0; bad < Good.size(); ++bad) {
        for (const auto &[how, text] : Wrong) {
            SCOPED_TRACE(std::string(SettingNames[bad]) + " " + how);
            std::array<QByteArray, 8> values = Good;
            values[bad] = text;
            WriteRaw(Lines(values));
            Boxes.Messages.clear();
            const auto form = MakeForm();
            EXPECT_EQ(ReadShown(*form), AppliedUpTo(int(bad)));
            EXPECT_TRUE(Boxes.Messages.isEmpty()) << Boxes.Messages[0].text.toStdString();
        }
    }
}

TEST_F(SettingsFaultsTest, ValuesOutOfRangeAreAppliedWithinTheControlsRanges)
{
    struct Case
    {
        const char *name;
        std::array<QByteArray, 8> values;
        ShownSettings shown;
        bool openFails; // a device index outside the list selects none, and opening it fails
    };
    // clang-format off
    const Case cases[] = {
        {"extreme position, odd booleans", {"-2147483648", "2147483647", "-1", "7", "2", "3", "0", "0"}, {-2147483647 - 1, 2147483647, true, true, true, 3, 0, 0}, false},
        {"input above and below its range", {"0", "0", "0", "0", "0", "1000", "0", "0"}, {0, 0, false, false, false, 7, 0, 0}, false},
        {"negative input", {"0", "0", "0", "0", "0", "-5", "0", "0"}, {0, 0, false, false, false, 0, 0, 0}, false},
        {"input device beyond the list", {"0", "0", "0", "0", "0", "0", "99", "0"}, {0, 0, false, false, false, 0, -1, 0}, true},
        {"output device below the list", {"0", "0", "0", "0", "0", "0", "0", "-7"}, {0, 0, false, false, false, 0, 0, -1}, true},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw(Lines(c.values));
        Boxes.Messages.clear();
        const auto form = MakeForm();
        const ShownSettings shown = ReadShown(*form);
        // Qt may keep a window position within its own coordinate range; what it shows is what
        // the editor asked for, or the nearest it can hold.
        EXPECT_EQ((ShownSettings{c.shown.x, c.shown.y, shown.rt, shown.merge, shown.startup,
                                 shown.input, shown.midiIn, shown.midiOut}),
                  c.shown);
        // Only the failed open is reported, once, as the port's error; nothing about settings.
        ASSERT_EQ(Boxes.Messages.size(), c.openFails ? 1 : 0);
        if (c.openFails) {
            EXPECT_TRUE(Boxes.Messages[0].text.contains("not installed"))
                << Boxes.Messages[0].text.toStdString();
        }
    }
}

TEST_F(SettingsFaultsTest, FileThatIsNotTextLeavesTheDesignDefaults)
{
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 131 + 7) & 0xFF);
    for (const QByteArray &text : {junk, QByteArray("PX"), QByteArray("[General\nPX=1\n"),
                                   QByteArray("\xEF\xBB\xBF[General]\r\nPX=\r\n")}) {
        SCOPED_TRACE(text.left(16).toHex().toStdString());
        WriteRaw(text);
        Boxes.Messages.clear();
        const auto form = MakeForm();
        EXPECT_EQ(ReadShown(*form).input, Defaults.input);
        EXPECT_EQ(form->CheckBox2->isChecked(), Defaults.startup);
        EXPECT_TRUE(Boxes.Messages.isEmpty());
    }
}
