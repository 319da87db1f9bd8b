#pragma once
// The "MIDI" page's Controlers group (one value per CV output, sent as Control Change on the
// master channel, so every output can be exercised from the screen) and its Kessel Control group
// (the patch bay's input and merge, on MIDI channel 16). No pacing: messages go out one right
// after another.
//
// GUI thread only. The page owns its controls through their Qt parents and makes its own
// connections; the link, the editor's state and the presets must outlive it. The values it
// shows are the editor state's; which controller drives each output is the current preset's,
// and the channel the master channel, read at the moment of sending.
#include "converter/ConverterLink.h"
#include "converter/PageContext.h"

#include <QObject>
#include <array>

class EditorState;
class PresetStore;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QWidget;
class TSpeedButton;
class Tkxpotlab;

// The page's controls under their designer names. The main window inherits them too, so that
// every control stays reachable there under its name.
struct ControllersControls
{
    static constexpr int OutputCount = ConverterLink::OutputCount;

    QGroupBox *GroupBox2 = nullptr; // "Kessel Control"
    QLabel *Label12 = nullptr;      // "Input"
    QFrame *Panel5 = nullptr;
    Tkxpotlab *kxpotlab1 = nullptr; // patch-bay input 0..7
    TSpeedButton *SpeedButton5 = nullptr;
    QCheckBox *CheckBox1 = nullptr;       // "Merge Input"
    QCheckBox *CheckBox2 = nullptr;       // "Startup send"
    QGroupBox *GroupBox1 = nullptr;       // "Controlers"
    TSpeedButton *SpeedButton2 = nullptr; // "Send All CC"
    TSpeedButton *SpeedButton3 = nullptr; // "Reset All CC"
    QFrame *Panel2 = nullptr;
    // Controller[t] carries Tag t and drives output t + 1 (kxpotlab2, 3, 5, 7 .. 35).
    std::array<Tkxpotlab *, OutputCount> Controller{};
    std::array<QLabel *, OutputCount> ControllerNumbers{}; // Label41 .. Label72
};

class ControllersPage : public QObject, public ControllersControls
{
    Q_OBJECT

public:
    // Builds both groups on panel (the "MIDI" page's panel), showing the editor's state, and
    // connects them.
    ControllersPage(QWidget *panel, const PageContext &context);

    // ---- handlers ----
    void kxpotlab2Change(QObject *sender);   // every controller value; the sender's Tag
    void SpeedButton2Click(QObject *sender); // send all CC
    void SpeedButton3Click(QObject *sender); // reset all CC
    void kxpotlab1Change(QObject *sender);   // the patch bay's input
    void CheckBox1Click(QObject *sender);    // the patch bay's merge
    void SpeedButton5Click(QObject *sender); // send the patch-bay set-up

private:
    void BuildKesselControl(QWidget *panel, const form::Glyphs &art);
    void BuildControllers(QWidget *panel, const form::Glyphs &art);
    void ConnectHandlers();
    void FollowState();
    void ShowLabels();
    void SendMerge();

    ConverterLink &Link;
    ErrorReport Report;
    EditorState &State;
    PresetStore &Presets;
};
