// The sample tank under the pointer: the left button moves the locator or sweeps the selection,
// the right button draws values.
#include "controls/Kxsampletank.h"

#include "controls/SampleTankCanvas.h"

#include <QMouseEvent>
#include <algorithm>

using namespace sampletank;

int TkxSampleTank::ClampedIndex(int index) const
{
    return std::clamp(index, 0, FMax - 1);
}

void TkxSampleTank::DragLocator(int x)
{
    FLocatorPos = ClampedIndex(DragIndex(x, width(), FMax));
}

void TkxSampleTank::SweepSelection(int x)
{
    std::int64_t length = std::int64_t{SweepIndex(x, width(), FMax)} - FSelectionPos;
    if (length > FMax)
        length = FMax - 1;
    if (length < 0)
        length = 0;
    FSelectionLen = static_cast<int>(length);
}

// The value goes to the pointer's height, measured from where it is plotted now, and stops at
// 0 and 255: pointing above the top or below the bottom must not wrap a high value round to a
// low one.
void TkxSampleTank::EditValue(QPoint at)
{
    FDragIndex = ClampedIndex(DragIndex(at.x(), width(), FMax));
    quint8 &value = FValues[static_cast<std::size_t>(FDragIndex)];
    value = static_cast<quint8>(EditedValue(value, PlotY(value, height()), at.y(), height()));
}

void TkxSampleTank::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const int x = event->position().toPoint().x();
    if (event->button() == Qt::LeftButton) {
        if (PointerMappable()) {
            if (LocatorGrabbed(x, width(), FMax, FLocatorPos)) {
                FDragIndex = 0;
            } else {
                // Left of the first point or past the last the sweep index leaves the plot;
                // the selection then starts at the nearest end.
                FDragIndex = -1;
                FSelectionPos = ClampedIndex(SweepIndex(x, width(), FMax));
            }
        }
        FPressed = true;
    } else if (event->button() == Qt::RightButton) {
        FPressed = true;
    }
}

// A left-button drag moves the locator when the press grabbed it, else sweeps the selection.
void TkxSampleTank::LeftDragTo(int x)
{
    if (FDragIndex >= 0) {
        DragLocator(x);
        emit OnLocatorChange(this);
    } else {
        SweepSelection(x);
        emit OnSelectorChange(this);
    }
}

// A right-button edit at the pointer; false where values take no edit.
bool TkxSampleTank::RightEditAt(QPoint at)
{
    if (!FPressed || !ValuesEditable() || at.x() > width() - 2)
        return false;
    EditValue(at);
    return true;
}

void TkxSampleTank::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        if (!FPressed || !PointerMappable())
            return;
        LeftDragTo(at.x());
        repaint();
    } else if (event->buttons() & Qt::RightButton) {
        if (RightEditAt(at) && FAlwayDetect)
            emit OnChange(this);
        repaint();
    }
}

void TkxSampleTank::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (PointerMappable()) {
            LeftDragTo(at.x());
            // Normally the last move has shown this already; a release away from it must not
            // leave the picture behind the state.
            update();
        }
    } else if (event->button() == Qt::RightButton) {
        if (RightEditAt(at)) {
            repaint();
            emit OnChange(this);
        }
    }
    FPressed = false;
}
