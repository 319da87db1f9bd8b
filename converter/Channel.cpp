#include "converter/Channel.h"

#include "controls/Kxpotlab.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

// A channel value label (1..16) on a small lowered black panel.
Tkxpotlab *ChannelLabel(QFrame *panel, const char *name)
{
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette black = panel->palette();
    black.setColor(QPalette::Window, Qt::black);
    panel->setPalette(black);

    auto *label = new Tkxpotlab(panel);
    label->setObjectName(name);
    label->SetAutoSize(false);
    label->setGeometry(1, 1, 25, 14);
    label->setAlignment(Qt::AlignCenter);
    QPalette aqua = label->palette();
    aqua.setColor(QPalette::WindowText, QColor(0, 255, 255));
    aqua.setColor(QPalette::Window, Qt::black);
    label->setPalette(aqua);
    label->setAutoFillBackground(true);
    label->SetMin(1);
    label->SetMax(16);
    label->SetCursorRange(128);
    label->SetState(1);
    label->setToolTip("MIDI Channel");
    return label;
}

QLabel *Caption(QWidget *parent, const char *name, const QString &text, QPoint at)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    // The captions carry the hint "MIDI Channel", but the dialog shows no hints of its own.
    label->setProperty("Hint", "MIDI Channel");
    return label;
}

} // namespace

TForm10::TForm10(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName("Form10");
    setWindowTitle("Change MIDI Channel ");
    setFixedSize(192, 79);

    LabelActual = Caption(this, "Label1", "Actual", {18, 21});
    PanelOld = new QFrame(this);
    PanelOld->setObjectName("Panel1");
    PanelOld->setGeometry(56, 20, 27, 16);
    potoldcan = ChannelLabel(PanelOld, "potoldcan");

    LabelNew = Caption(this, "Label2", "New", {98, 21});
    PanelNew = new QFrame(this);
    PanelNew->setObjectName("Panel2");
    PanelNew->setGeometry(128, 20, 27, 16);
    potnewcan = ChannelLabel(PanelNew, "potnewcan");

    BitBtnCancel = new QPushButton("Cancel", this);
    BitBtnCancel->setObjectName("BitBtn1");
    BitBtnCancel->setGeometry(4, 52, 89, 25);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    BitBtnOk = new QPushButton("Ok", this);
    BitBtnOk->setObjectName("BitBtn2");
    BitBtnOk->setGeometry(96, 52, 93, 25);
    BitBtnOk->setDefault(true);
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm10::showEvent(QShowEvent *event)
{
    // The buttons' icons come from the desktop's icon theme. The first look-up in the theme
    // reads its index files, milliseconds under X11 that would otherwise fall on the editor's
    // start-up, so they are fetched when the dialog is first shown, before it is painted.
    if (BitBtnOk->icon().isNull()) {
        BitBtnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
        BitBtnOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    }
    QDialog::showEvent(event);
}

int TForm10::ShowModal()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    return exec();
}

std::optional<int> TForm10::ChooseChannel(int current)
{
    potoldcan->SetState(current);
    if (ShowModal() != QDialog::Accepted)
        return std::nullopt;
    return potnewcan->State();
}
