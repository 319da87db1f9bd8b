#pragma once
// A main window in a sandbox: its own preset bank, autosave folders, settings, message boxes,
// file dialogs and in-process MIDI devices ("Torvane Simulator" output, "Virtual Loopback"),
// so that each test starts from a first run; and what the window tests do to it and read from
// it, the way a user does it where that matters.
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/PresetBank.h"
#include "app/Settings.h"
#include "converter/Channel.h"
#include "converter/Unit2.h"
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/MessageRecorder.h"
#include "support/Printing.h"
#include "support/ScriptedFileDialogs.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QMenu;
class Tkxpotlab;

// What the window shows of the eight stored settings, in their stored order.
struct ShownSettings
{
    int x, y;
    bool rt, merge, startup;
    int input, midiIn, midiOut;
    friend bool operator==(const ShownSettings &, const ShownSettings &) = default;
};
ShownSettings ReadShown(const TForm1 &form);
void PrintTo(const ShownSettings &shown, std::ostream *out);

// A bank's 136 bytes, or one preset's 34, in file order.
QByteArray BankImage(const TPresetBank &bank);
QByteArray PresetFileImage(const TPresetBank &bank, int preset);
void FillBank(TPresetBank &bank, const QByteArray &image);

void Click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton);
// On the box's indicator, where a click toggles it whatever the caption's side.
void ClickCheckBox(QCheckBox *box);
// A click on the tab that carries the caption.
void ShowTab(TForm1 &form, const QString &caption);
// Arrow keys on the closed selector until the item is current (each key is a user change).
void ChooseByKeys(QComboBox *selector, int item);
// Opens the list, walks to the item with the arrow keys and confirms with Enter: walking the
// open list changes nothing, only Enter chooses.
void ChooseInList(QComboBox *selector, int item);
// The selector's item made current and announced as the user's pick.
void Activate(QComboBox *selector, int item);
// Clicks the value label up (right button) or down (left), a step a click, until it shows value.
void StepTo(Tkxpotlab *label, int value);
// Presses at the centre and moves up 4 pixels at a time with the button held, then releases.
void DragUp(QWidget *widget, int pixels);
// The platform's request for a context menu over the widget's centre: a right click
// (QContextMenuEvent::Mouse) or the context-menu key (QContextMenuEvent::Keyboard).
void RequestContextMenu(QWidget *widget, int reason, Qt::KeyboardModifiers modifiers = {});
// Clicks the open menu's entry with this object name; false when the menu has none.
bool ClickMenuEntry(QMenu *menu, const QString &name);

class FormTest : public ::testing::Test
{
protected:
    FormTest();
    ~FormTest() override;
    // The window goes first: it closes its ports on devices that derived fixtures own.
    void TearDown() override { Form.reset(); }

    static QSettings Settings()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmont", "Torvane");
    }
    static void StoreSettings(const std::vector<std::pair<const char *, QVariant>> &values);
    // The first values of the eight settings, in their stored order: PX, PY, RTparam,
    // kesselmerge, kesselstart, kesselInput, midiIN, midiOUT.
    static void StoreInOrder(std::initializer_list<int> values);
    QString ProgramFolder() const { return QDir(Dir.path()).filePath("program"); }
    QString UserDataFolder() const { return QDir(Dir.path()).filePath("userdata"); }
    AutosaveLocation Autosave() const { return {ProgramFolder(), UserDataFolder()}; }
    // The fixture's bank and dialogs, for a window.
    EditorParts Parts();
    QString ProgramBankFile() const { return QDir(ProgramFolder()).filePath("torvanepar.TVN"); }

    // A window on the given services (nullptr: the in-process devices).
    std::unique_ptr<TForm1> MakeForm(MidiServices *midi = nullptr);
    // Form, shown on the page with this caption; returns what start-up sent to the simulated
    // box, which then counts as not sent.
    std::vector<std::string> Open(const QString &page, MidiServices *midi = nullptr);
    // What reached the simulated box so far, each message as hex bytes ("F0 70 7E ...").
    std::vector<std::string> SentToSimulator();
    QStringList BoxTexts() const;

    QTemporaryDir Dir;
    TPresetBank Bank;
    MessageRecorder Boxes;
    ScriptedFileDialogs Dialogs;
    SimulatedServices Midi;
    TForm2 Progress;
    TForm10 ChannelDialog;
    std::unique_ptr<TForm1> Form;
};
