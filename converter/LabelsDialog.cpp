#include "converter/LabelsDialog.h"

#include "converter/BoxView.h"
#include "converter/EditorState.h"
#include "converter/PresetNames.h"
#include "converter/PresetStore.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { NumberColumn, LabelColumn, ControllerColumn };
}

LabelsDialog::LabelsDialog(QWidget *parent, const EditorState &state, const PresetStore &presets,
                           Hooks hooks)
    : QDialog(parent), State(state), Presets(presets), Do(std::move(hooks))
{
    setObjectName("LabelsDialog");
    Build();
    connect(&State, &EditorState::NamesChanged, this, &LabelsDialog::Refresh);
    connect(&State, &EditorState::CurrentPresetChanged, this, &LabelsDialog::Refresh);
    Refresh();
}

void LabelsDialog::Build()
{
    setWindowTitle(tr("Names"));
    PresetName = new QLineEdit(this);
    PresetName->setObjectName("PresetName");
    PresetName->setMaxLength(NameLengthLimit);
    PresetName->setAccessibleName(tr("Preset name"));
    connect(PresetName, &QLineEdit::editingFinished, this, [this] {
        if (!Refreshing)
            Do.namePreset(TidyName(PresetName->text()));
    });

    Table = new QTableWidget(EditorState::OutputCount, 3, this);
    Table->setObjectName("LabelTable");
    Table->setAccessibleName(tr("Output labels"));
    Table->setHorizontalHeaderLabels({tr("Output"), tr("Label"), tr("Controller")});
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    Table->horizontalHeader()->setSectionResizeMode(LabelColumn, QHeaderView::Stretch);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    for (int output = 0; output < EditorState::OutputCount; ++output)
        for (int column = NumberColumn; column <= ControllerColumn; ++column) {
            auto *item = new QTableWidgetItem;
            if (column != LabelColumn)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            Table->setItem(output, column, item);
        }
    connect(Table, &QTableWidget::cellChanged, this, &LabelsDialog::TakeLabel);

    auto *form = new QFormLayout;
    form->addRow(tr("&Preset name"), PresetName);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Table);
    resize(420, 560);
}

void LabelsDialog::Refresh()
{
    Refreshing = true;
    const int preset = State.CurrentPreset();
    const PresetNames &names = State.Names(preset);
    setWindowTitle(tr("Names of preset %1").arg(preset + 1));
    if (!PresetName->hasFocus())
        PresetName->setText(names.name);
    for (int output = 0; output < EditorState::OutputCount; ++output) {
        const QString texts[] = {QString::number(output + 1), names.labels[output],
                                 BoxView::ControllerText(Presets.GetByte(preset, output))};
        // The items stay: this may run while one of them tells of its own edit.
        for (int column = NumberColumn; column <= ControllerColumn; ++column)
            if (Table->item(output, column)->text() != texts[column])
                Table->item(output, column)->setText(texts[column]);
    }
    Refreshing = false;
}

void LabelsDialog::TakeLabel(int row, int column)
{
    if (Refreshing || column != LabelColumn)
        return;
    Do.labelOutput(row, TidyName(Table->item(row, column)->text()));
}
