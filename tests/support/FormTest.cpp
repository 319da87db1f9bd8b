#include "FormTest.h"

#include "controls/Kxpotlab.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

ShownSettings ReadShown(const TForm1 &form)
{
    return {form.x(),
            form.y(),
            form.CheckBox38->isChecked(),
            form.CheckBox1->isChecked(),
            form.CheckBox2->isChecked(),
            form.kxpotlab1->State(),
            form.cmbInput->currentIndex(),
            form.cmbOutput->currentIndex()};
}

void PrintTo(const ShownSettings &s, std::ostream *out)
{
    *out << "{" << s.x << ", " << s.y << ", rt " << s.rt << ", merge " << s.merge << ", startup "
         << s.startup << ", input " << s.input << ", in " << s.midiIn << ", out " << s.midiOut
         << "}";
}

QByteArray BankImage(const TPresetBank &bank)
{
    QByteArray bytes;
    for (int p = 0; p < TPresetBank::PresetCount; ++p)
        bytes += PresetFileImage(bank, p);
    return bytes;
}

QByteArray PresetFileImage(const TPresetBank &bank, int preset)
{
    QByteArray bytes(TPresetBank::PresetSize, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bank.GetByte(preset, i));
    return bytes;
}

void FillBank(TPresetBank &bank, const QByteArray &image)
{
    for (int i = 0; i < image.size(); ++i)
        bank.SetByte(i / TPresetBank::PresetSize, i % TPresetBank::PresetSize,
                     std::uint8_t(image[i]));
}

void Click(QWidget *widget, Qt::MouseButton button)
{
    QTest::mouseClick(widget, button);
}

void ClickCheckBox(QCheckBox *box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
}

void ShowTab(TForm1 &form, const QString &caption)
{
    QTabBar *bar = form.PageControl1->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == caption)
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
    ASSERT_EQ(form.PageControl1->tabText(form.PageControl1->currentIndex()), caption);
}

void ChooseByKeys(QComboBox *selector, int item)
{
    selector->setFocus();
    while (selector->currentIndex() < item)
        QTest::keyClick(selector, Qt::Key_Down);
    while (selector->currentIndex() > item)
        QTest::keyClick(selector, Qt::Key_Up);
}

void ChooseInList(QComboBox *selector, int item)
{
    selector->showPopup();
    QAbstractItemView *list = selector->view();
    const int from = std::max(selector->currentIndex(), 0);
    for (int k = from; k < item; ++k)
        QTest::keyClick(list, Qt::Key_Down);
    for (int k = item; k < from; ++k)
        QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
}

void Activate(QComboBox *selector, int item)
{
    selector->setCurrentIndex(item);
    emit selector->activated(item);
}

void StepTo(Tkxpotlab *label, int value)
{
    while (label->State() != value)
        Click(label, label->State() < value ? Qt::RightButton : Qt::LeftButton);
}

void DragUp(QWidget *widget, int pixels)
{
    const QPoint start = widget->rect().center();
    QTest::mousePress(widget, Qt::LeftButton, {}, start);
    for (int dy = 4; dy <= pixels; dy += 4)
        QTest::mouseMove(widget, start - QPoint(0, dy));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, start - QPoint(0, pixels));
}

void RequestContextMenu(QWidget *widget, int reason, Qt::KeyboardModifiers modifiers)
{
    const QPoint centre = widget->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Reason(reason), centre,
                              widget->mapToGlobal(centre), modifiers);
    QApplication::sendEvent(widget, &request);
}

bool ClickMenuEntry(QMenu *menu, const QString &name)
{
    for (QAction *action : menu->actions()) {
        if (action->objectName() == name) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
    }
    return false;
}

FormTest::FormTest()
{
    Settings().clear();
    QDir().mkpath(ProgramFolder());
}

FormTest::~FormTest()
{
    Form.reset();
}

EditorParts FormTest::Parts()
{
    return {.bank = Bank,
            .progress = [this]() -> TransferProgress & { return Progress; },
            .chooseChannel = [this](int current) { return ChannelDialog.ChooseChannel(current); }};
}

void FormTest::StoreSettings(const std::vector<std::pair<const char *, QVariant>> &values)
{
    QSettings settings = Settings();
    for (const auto &[name, value] : values)
        settings.setValue(name, value);
    settings.sync();
}

void FormTest::StoreInOrder(std::initializer_list<int> values)
{
    QSettings settings = Settings();
    for (std::size_t i = 0; i < values.size(); ++i)
        settings.setValue(SettingNames[i], values.begin()[i]);
    settings.sync();
}

std::unique_ptr<TForm1> FormTest::MakeForm(MidiServices *midi)
{
    auto form = std::make_unique<TForm1>(midi ? *midi : Midi, Dialogs, Parts(), Autosave());
    form->BuildLatePages(); // the tests reach every page's controls from the start
    return form;
}

std::vector<std::string> FormTest::Open(const QString &page, MidiServices *midi)
{
    Form.reset(); // one window at a time owns the devices
    Form = MakeForm(midi);
    Form->show();
    for (int i = 0; i < Form->PageControl1->count(); ++i)
        if (Form->PageControl1->tabText(i) == page)
            Form->PageControl1->setCurrentIndex(i);
    std::vector<std::string> startup = SentToSimulator();
    Midi.clearSimulatorMessages();
    return startup;
}

std::vector<std::string> FormTest::SentToSimulator()
{
    Midi.waitIdle();
    std::vector<std::string> sent;
    for (const auto &message : Midi.simulatorMessages())
        sent.push_back(Hex(message));
    return sent;
}

QStringList FormTest::BoxTexts() const
{
    QStringList texts;
    for (const MessageRequest &box : Boxes.Messages)
        texts << box.text;
    return texts;
}
