// The main window's frame: the window, its pages in order, the pages' own controls built by the
// converter's page classes, the "Devices" group and the focus order. Each
// control carries its designer name (objectName and member), position, size, caption, font,
// colours, tag, hint and first value. Geometry is absolute, as designed; only the panels that the
// design aligns to their parent follow it when the window is resized. The window's own handlers
// here are the "Config" toolbar's file buttons, connected as that page is built; building a
// page sends nothing.
#include "app/Core_main.h"

#include "app/BoxMemory.h"
#include "app/ExceptionReport.h"
#include "app/LatePages.h"
#include "app/LibraryCommands.h"
#include "app/PresetBank.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "converter/AssignmentPage.h"
#include "converter/ControllersPage.h"
#include "converter/ConverterLink.h"
#include "converter/FormControls.h"
#include "converter/LearnControls.h"
#include "resources/Artwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <vector>

using namespace form;

namespace {

Glyphs ArtworkGlyphs()
{
    const auto strip = [](const char *name) { return QImage(GlyphPath(name)); };
    return {strip(kGlyphLoadParameters), strip(kGlyphSaveParameters), strip(kGlyphSendParameters),
            strip(kGlyphWriteFlash),     strip(kGlyphChannelChange),  strip(kGlyphResetCc)};
}

} // namespace

void TForm1::BuildLayout()
{
    setObjectName("Form1");
    setWindowTitle("Torvane-v1.0");
    setFont(WindowFont());
    SetColour(this, QPalette::Window, palette().color(QPalette::Button));
    resize(510, 468);
    move(344, 363);

    PageControl1 = Place<QTabWidget>(this, "PageControl1", QRect(0, 0, 510, 468));
    FollowParent(PageControl1, false);
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet2, "Config");
    PageControl1->addTab(TabSheet3, "MIDI");
    PageControl1->addTab(TabSheet1, "About...");
    Late->Add(TabSheet2, [this] { BuildConfigPage(); });
    Late->Add(TabSheet1,
              [this] { static_cast<AboutControls &>(*this) = BuildAboutPage(TabSheet1); });
    // A page is built before it is first shown, whichever way it is chosen.
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this](int index) { BuildPage(PageControl1->widget(index)); });

    BuildPages();
    PageControl1->setCurrentWidget(TabSheet3);
    std::vector<QWidget *> order = {cmbOutput,    cmbInput,  CheckBox38, kxpotlab1,
                                    SpeedButton5, CheckBox1, CheckBox2};
    order.insert(order.end(), Controller.begin(), Controller.end());
    order.insert(order.end(), {SpeedButton2, SpeedButton3});
    SetTabOrder(order);

    // A file dropped anywhere on the window loads into the current preset: the edit fields,
    // which would take the file's name as text, leave drops to the window (those of the pages
    // built later, as they are built).
    setAcceptDrops(true);
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setAcceptDrops(false);
}

PageContext TForm1::MakePageContext(const Glyphs &glyphs)
{
    return {
        .link = *Link,
        .report = &ShowExceptionReport,
        .glyphs = glyphs,
        .state = State,
        .presets = Bank,
        .progress = Parts.progress,
        .chooseChannel = Parts.chooseChannel,
        .box = [this]() -> const BoxBelief & { return KnownBoxes->Of(OutputInUse()); },
        .forgetBox = [this] { KnownBoxes->Forget(OutputInUse()); },
        .openPresetFile = [this] { return Files->OpenToCompare(); },
    };
}

void TForm1::BuildPages()
{
    const Glyphs glyphs = ArtworkGlyphs();
    const PageContext context = MakePageContext(glyphs);
    Panel4 = Panel(TabSheet3, "Panel4", {0, 0, 502, 440}, Bevel::LoweredOuter);
    FollowParent(Panel4, false);
    Devices = new DevicesPage(Panel4, Midi, *MidiInput1, *MidiOutput1, State, &ShowExceptionReport,
                              [this] { Controllers->SpeedButton5Click(this); });
    Controllers = new ControllersPage(Panel4, context);
    // The window's names for the pages' controls.
    static_cast<ControllersControls &>(*this) = *Controllers;
    static_cast<DevicesControls &>(*this) = *Devices;
}

void TForm1::BuildConfigPage()
{
    const Glyphs glyphs = ArtworkGlyphs();
    Assignments = new AssignmentPage(TabSheet2, MakePageContext(glyphs));
    static_cast<AssignmentControls &>(*this) = *Assignments;
    // The toolbar's file buttons are the window's: SpeedButton8 loads a file into the current
    // preset, SpeedButton17 saves the preset.
    OnClick(SpeedButton8, this, &TForm1::SpeedButton8Click, &ShowExceptionReport);
    OnClick(SpeedButton17, this, &TForm1::SpeedButton17Click, &ShowExceptionReport);
    // The page shows the box of the device in use: after each delivered message, and when the
    // user comes back from choosing another device.
    connect(KnownBoxes, &BoxMemory::Changed, Assignments, &AssignmentPage::ShowBox);
    connect(PageControl1, &QTabWidget::currentChanged, Assignments, &AssignmentPage::ShowBox);
    LearnUi = new LearnControls(*Learn, *Assignments, *Controllers, PageControl1);
    Library = new LibraryCommands(*Assignments, *TabSheet2, *this);

    std::vector<QWidget *> order = {SpeedButton8,  SpeedButton17, SpeedButton1,
                                    SpeedButton10, SpeedButton12, spdPar1,
                                    spdPar2,       spdPar3,       spdPar4};
    order.insert(order.end(), ComboBox.begin(), ComboBox.end());
    order.push_back(kxpotlab4);
    SetTabOrder(order);
    for (QLineEdit *edit : TabSheet2->findChildren<QLineEdit *>())
        edit->setAcceptDrops(false);

    // What start-up left for the page to show: the first preset of the bank it loaded, and
    // the box of the device in use.
    Assignments->FillControllerLists();
    if (BankLoaded)
        Assignments->ApplyPreset(0);
    Assignments->ShowBox();
}

void TForm1::SetTabOrder(const std::vector<QWidget *> &order)
{
    // Tab walks each page as the eye reads it: on Config the toolbar, the selectors in output
    // order, then the channel; on MIDI the devices from the output on, the Kessel controls,
    // then the controller values in output order and their buttons.
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}
