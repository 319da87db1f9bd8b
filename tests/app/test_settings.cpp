#include "controls/Kxpotlab.h"
#include "support/FormTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QTabWidget>

namespace {

using SettingsTest = FormTest;

const ShownSettings DesignDefaults{344, 363, false, false, true, 2, 0, 0};

} // namespace

TEST_F(SettingsTest, FirstRunShowsTheDesignDefaultsOnTheMidiPage)
{
    auto form = MakeForm();
    EXPECT_EQ(ReadShown(*form), DesignDefaults);
    EXPECT_EQ(form->windowTitle(), "Torvane-v1.0");
    EXPECT_EQ(form->size(), QSize(510, 468));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(SettingsTest, EveryValueIsAppliedInOrder)
{
    StoreInOrder({-40, 5000, 1, 1, 0, 5});
    // A position off the screen is applied unchanged.
    EXPECT_EQ(ReadShown(*MakeForm()), (ShownSettings{-40, 5000, true, true, false, 5, 0, 0}));
}

TEST_F(SettingsTest, ReadingStopsAtTheFirstMissingOrMistypedValue)
{
    // kesselmerge: an invalid QVariant stands for an absent value.
    // clang-format off
    const std::pair<const char *, QVariant> cases[] = {
        {"missing", QVariant()},
        {"text", "abc"},
        {"fraction", "1.5"},
        {"beyond 32 bits", "4294967297"},
    };
    // clang-format on
    for (const auto &[name, kesselmerge] : cases) {
        SCOPED_TRACE(name);
        Settings().clear();
        StoreInOrder({10, 20, 1});
        if (kesselmerge.isValid())
            StoreSettings({{"kesselmerge", kesselmerge}});
        StoreSettings({{"kesselstart", 0}, {"kesselInput", 6}});
        // The values before the bad one stand; it and all after it keep the design defaults.
        EXPECT_EQ(ReadShown(*MakeForm()), (ShownSettings{10, 20, true, false, true, 2, 0, 0}));
    }
}

TEST_F(SettingsTest, OnlyPositionStoredAppliesOnlyThePosition)
{
    StoreInOrder({1, 2});
    EXPECT_EQ(ReadShown(*MakeForm()), (ShownSettings{1, 2, false, false, true, 2, 0, 0}));
}

TEST_F(SettingsTest, StoredInputBeyondItsRangeShowsTheMaximum)
{
    StoreInOrder({0, 0, 0, 0, 0, 9});
    EXPECT_EQ(MakeForm()->kxpotlab1->State(), 7);
}

TEST_F(SettingsTest, CloseWritesAllEightValuesAndTheBankEvenWhenNothingChanged)
{
    Settings().setValue("PX", "garbage"); // the load fails at the first value
    auto form = MakeForm();
    form->close();

    auto settings = Settings();
    // clang-format off
    const std::pair<const char *, int> expected[] = {
        {"PX", 344},
        {"PY", 363},
        {"RTparam", 0},
        {"kesselmerge", 0},
        {"kesselstart", 1},
        {"kesselInput", 2},
        {"midiIN", form->cmbInput->currentIndex()},
        {"midiOUT", form->cmbOutput->currentIndex()},
    };
    // clang-format on
    for (auto [name, value] : expected) {
        bool ok = false;
        EXPECT_EQ(settings.value(name).toString().toInt(&ok), value) << name;
        EXPECT_TRUE(ok) << name;
    }
    EXPECT_EQ(QFileInfo(ProgramBankFile()).size(), 136);
}

TEST_F(SettingsTest, SettingsAndPresetsSurviveACloseAndARestart)
{
    {
        auto form = MakeForm();
        form->move(100, 120);
        form->CheckBox38->setChecked(true);
        form->CheckBox1->setChecked(true);
        form->CheckBox2->setChecked(false);
        form->kxpotlab1->SetState(4);
        Bank.SetByte(2, 5, 77);
        form->close();
    }
    Bank.SetByte(2, 5, 0xFF);
    EXPECT_EQ(ReadShown(*MakeForm()), (ShownSettings{100, 120, true, true, false, 4, 0, 0}));
    EXPECT_EQ(Bank.GetByte(2, 5), 77);
}
