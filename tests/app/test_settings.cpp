#include "controls/Kxpotlab.h"
#include "form_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>

namespace {

using SettingsTest = FormTest;

struct Shown
{
    int x, y;
    bool rt, merge, startup;
    int input;
};

Shown Read(const TForm1 &form)
{
    return {form.x(),
            form.y(),
            form.CheckBox38->isChecked(),
            form.CheckBox1->isChecked(),
            form.CheckBox2->isChecked(),
            form.kxpotlab1->State()};
}

void ExpectShown(const TForm1 &form, const Shown &expected)
{
    const Shown shown = Read(form);
    EXPECT_EQ(shown.x, expected.x);
    EXPECT_EQ(shown.y, expected.y);
    EXPECT_EQ(shown.rt, expected.rt);
    EXPECT_EQ(shown.merge, expected.merge);
    EXPECT_EQ(shown.startup, expected.startup);
    EXPECT_EQ(shown.input, expected.input);
}

const Shown DesignDefaults{344, 363, false, false, true, 2};

} // namespace

TEST_F(SettingsTest, FirstRunShowsTheDesignDefaultsOnTheMidiPage)
{
    auto form = MakeForm();
    ExpectShown(*form, DesignDefaults);
    EXPECT_EQ(form->windowTitle(), "Torvane-v1.0");
    EXPECT_EQ(form->size(), QSize(510, 468));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}

TEST_F(SettingsTest, EveryValueIsAppliedInOrder)
{
    auto settings = Settings();
    const std::pair<const char *, int> stored[] = {{"PX", -40},        {"PY", 5000},
                                                   {"RTparam", 1},     {"kesselmerge", 1},
                                                   {"kesselstart", 0}, {"kesselInput", 5}};
    for (auto [name, value] : stored)
        settings.setValue(name, value);
    settings.sync();
    auto form = MakeForm();
    // A position off the screen is applied unchanged.
    ExpectShown(*form, {-40, 5000, true, true, false, 5});
}

TEST_F(SettingsTest, ReadingStopsAtTheFirstMissingOrMistypedValue)
{
    struct Case
    {
        const char *name;
        QVariant kesselmerge; // invalid QVariant = value absent
    };
    const Case cases[] = {{"missing", QVariant()},
                          {"text", QVariant("abc")},
                          {"fraction", QVariant("1.5")},
                          {"beyond 32 bits", QVariant("4294967297")}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto settings = Settings();
        settings.clear();
        settings.setValue("PX", 10);
        settings.setValue("PY", 20);
        settings.setValue("RTparam", 1);
        if (c.kesselmerge.isValid())
            settings.setValue("kesselmerge", c.kesselmerge);
        settings.setValue("kesselstart", 0);
        settings.setValue("kesselInput", 6);
        settings.sync();
        auto form = MakeForm();
        // The values before the bad one stand; it and all after it keep the design defaults.
        ExpectShown(*form, {10, 20, true, false, true, 2});
    }
}

TEST_F(SettingsTest, OnlyPositionStoredAppliesOnlyThePosition)
{
    auto settings = Settings();
    settings.setValue("PX", 1);
    settings.setValue("PY", 2);
    settings.sync();
    ExpectShown(*MakeForm(), {1, 2, false, false, true, 2});
}

TEST_F(SettingsTest, StoredInputBeyondItsRangeShowsTheMaximum)
{
    auto settings = Settings();
    const char *names[] = {"PX", "PY", "RTparam", "kesselmerge", "kesselstart"};
    for (const char *name : names)
        settings.setValue(name, 0);
    settings.setValue("kesselInput", 9);
    settings.sync();
    EXPECT_EQ(MakeForm()->kxpotlab1->State(), 7);
}

TEST_F(SettingsTest, CloseWritesAllEightValuesAndTheBankEvenWhenNothingChanged)
{
    Settings().setValue("PX", "garbage"); // the load fails at the first value
    auto form = MakeForm();
    form->close();

    auto settings = Settings();
    const std::pair<const char *, int> expected[] = {{"PX", 344},
                                                     {"PY", 363},
                                                     {"RTparam", 0},
                                                     {"kesselmerge", 0},
                                                     {"kesselstart", 1},
                                                     {"kesselInput", 2},
                                                     {"midiIN", form->cmbInput->currentIndex()},
                                                     {"midiOUT", form->cmbOutput->currentIndex()}};
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
    auto form = MakeForm();
    ExpectShown(*form, {100, 120, true, true, false, 4});
    EXPECT_EQ(Bank.GetByte(2, 5), 77);
}
