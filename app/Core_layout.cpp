// The main window's controls: every one under its designer name, at its designer position
// and size (pixels at 96 dpi, relative to its parent).
#include "app/Core_main.h"

#include "controls/Kxpotlab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

namespace {

template <typename Control>
Control *Place(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *control = new Control(parent);
    control->setObjectName(name);
    control->setGeometry(left, top, width, height);
    return control;
}

QGroupBox *Group(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    return group;
}

} // namespace

void TForm1::BuildLayout()
{
    setObjectName("Form1");
    setWindowTitle("Torvane-v1.0");
    resize(510, 468);
    move(344, 363);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(0, 0, 510, 468);
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName("TabSheet3");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    PageControl1->addTab(TabSheet2, "Config");
    PageControl1->addTab(TabSheet3, "MIDI");
    PageControl1->addTab(TabSheet1, "About...");
    PageControl1->setCurrentWidget(TabSheet3);

    QGroupBox *devices = Group(TabSheet3, "GroupBox4", "Devices", {4, 1, 280, 100});
    cmbInput = Place<QComboBox>(devices, "cmbInput", 36, 21, 233, 21);
    cmbInput->setEditable(true);
    cmbInput->setEditText("cmbInput");
    cmbOutput = Place<QComboBox>(devices, "cmbOutput", 36, 45, 233, 21);
    cmbOutput->setEditable(true);
    cmbOutput->setEditText("cmbOutput");
    CheckBox38 = Place<QCheckBox>(devices, "CheckBox38", 88, 72, 109, 17);
    CheckBox38->setText("Send Params RT");

    QGroupBox *kessel = Group(TabSheet3, "GroupBox2", "Kessel Control", {288, 1, 129, 100});
    kxpotlab1 = Place<Tkxpotlab>(kessel, "kxpotlab1", 53, 26, 25, 13);
    kxpotlab1->SetAutoSize(false);
    kxpotlab1->SetMax(7);
    kxpotlab1->SetCursorRange(80);
    kxpotlab1->SetState(2);
    CheckBox1 = Place<QCheckBox>(kessel, "CheckBox1", 20, 52, 86, 17);
    CheckBox1->setText("Merge Input");
    CheckBox1->setLayoutDirection(Qt::RightToLeft);
    CheckBox2 = Place<QCheckBox>(kessel, "CheckBox2", 20, 72, 86, 17);
    CheckBox2->setText("Startup send");
    CheckBox2->setLayoutDirection(Qt::RightToLeft);
    CheckBox2->setChecked(true);
}

void TForm1::ConnectHandlers() {}
