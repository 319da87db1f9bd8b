#include "app/LatePages.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>
#include <algorithm>

LatePages::LatePages(QWidget &window) : QObject(&window)
{
    window.installEventFilter(this);
}

bool LatePages::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Posted: the window's children paint after it in the same pass.
        BuildNextLater();
    }
    return false;
}

void LatePages::Add(QWidget *sheet, std::function<void()> build)
{
    Unbuilt.push_back({sheet, std::move(build)});
}

void LatePages::BuildNextLater()
{
    // A posted call, not a timer: it keeps its place among the posted events.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (Unbuilt.empty())
                return;
            Build(Unbuilt.front().sheet);
            BuildNextLater();
        },
        Qt::QueuedConnection);
}

void LatePages::Build(QWidget *sheet)
{
    const auto late = std::find_if(Unbuilt.begin(), Unbuilt.end(),
                                   [sheet](const Page &page) { return page.sheet == sheet; });
    if (late == Unbuilt.end())
        return;
    const std::function<void()> build = std::move(late->build);
    Unbuilt.erase(late);
    build();
    // Controls made on a sheet already shown stay hidden until shown themselves, as the sheet's
    // own showing would have shown them.
    if (sheet->isVisible())
        for (QWidget *control : sheet->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!control->testAttribute(Qt::WA_WState_ExplicitShowHide))
                control->show();
    // A page laid out by a layout takes its place now, not a turn later, after its first paint.
    if (QLayout *layout = sheet->layout())
        layout->activate();
}

void LatePages::BuildAll()
{
    while (!Unbuilt.empty())
        Build(Unbuilt.front().sheet);
}
