#include "converter/CompareDialog.h"

#include "converter/BoxView.h"
#include "converter/PresetStore.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int PresetCount = PresetStore::PresetCount;
const QColor Differs(255, 230, 140);
} // namespace

CompareDialog::CompareDialog(QWidget *parent, const PresetStore &presets, Hooks hooks)
    : QDialog(parent), Presets(presets), Do(std::move(hooks))
{
    setObjectName("CompareDialog");
    setWindowTitle(tr("Compare presets"));
    setWindowModality(Qt::WindowModal);
    Build();
}

void CompareDialog::Build()
{
    Source = new QComboBox(this);
    for (int p = 0; p < PresetCount; ++p)
        Source->addItem(tr("Preset %1").arg(p + 1));
    OpenFile = new QPushButton(tr("File..."), this);
    Table = new QTableWidget(protocol::OutputCount, 3, this);
    Table->verticalHeader()->hide();
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    CopyOne = new QPushButton(tr("Copy output"), this);
    CopyAll = new QPushButton(tr("Copy all"), this);
    auto *close = new QPushButton(tr("Close"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(Source, 1);
    top->addWidget(OpenFile);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(CopyOne);
    bottom->addWidget(CopyAll);
    bottom->addStretch();
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Table);
    layout->addLayout(bottom);
    resize(520, 640);

    connect(Source, &QComboBox::activated, this, [this](int item) {
        // Every choice compares what the list then shows, the file's entry too.
        if (item < PresetCount)
            CompareWithPreset(item);
        else if (File)
            CompareWithFile(*File);
    });
    connect(OpenFile, &QPushButton::clicked, this, [this] {
        if (const std::optional<NamedImage> file = Do.openFile())
            CompareWithFile(*file);
    });
    connect(CopyOne, &QPushButton::clicked, this, [this] {
        if (Table->currentRow() >= 0)
            Copy({Table->currentRow()});
    });
    connect(CopyAll, &QPushButton::clicked, this, [this] { Copy(Differing()); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

PresetImage CompareDialog::Current() const
{
    return ReadPreset(Presets, Do.currentPreset());
}

void CompareDialog::CompareWithPreset(int preset)
{
    OtherPreset = preset;
    Other.name = tr("Preset %1").arg(preset + 1);
    Source->setCurrentIndex(preset);
    Refresh();
}

void CompareDialog::CompareWithFile(const NamedImage &file)
{
    OtherPreset.reset();
    Other = file;
    // The file stays on offer after the presets until another one is opened.
    File = Other;
    while (Source->count() > PresetCount)
        Source->removeItem(PresetCount);
    Source->addItem(File->name);
    Source->setCurrentIndex(PresetCount);
    Refresh();
}

std::vector<int> CompareDialog::Differing() const
{
    const PresetImage current = Current();
    std::vector<int> differing;
    for (int i = 0; i < protocol::OutputCount; ++i)
        if (current[i] != Other.image[i])
            differing.push_back(i);
    return differing;
}

void CompareDialog::Refresh()
{
    if (OtherPreset)
        Other.image = ReadPreset(Presets, *OtherPreset);
    const PresetImage current = Current();
    Table->setHorizontalHeaderLabels(
        {tr("Output"), tr("Preset %1").arg(Do.currentPreset() + 1), Other.name});
    for (int i = 0; i < protocol::OutputCount; ++i) {
        const QString label = Do.label ? Do.label(i) : QString();
        const QString number = label.isEmpty() ? QString::number(i + 1)
                                               : QStringLiteral("%1 %2").arg(i + 1).arg(label);
        const QString texts[] = {number, BoxView::ControllerText(current[i]),
                                 BoxView::ControllerText(Other.image[i])};
        const bool differs = current[i] != Other.image[i];
        for (int column = 0; column < 3; ++column) {
            auto *item = new QTableWidgetItem(texts[column]);
            if (differs)
                item->setBackground(Differs);
            Table->setItem(i, column, item);
        }
    }
    CopyAll->setEnabled(!Differing().empty());
}

void CompareDialog::Copy(const std::vector<int> &outputs)
{
    if (outputs.empty())
        return;
    Do.copy(Other.image, outputs, Other.name);
    Refresh();
}
