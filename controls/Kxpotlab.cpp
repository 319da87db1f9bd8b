#include "controls/Kxpotlab.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <cstdint>

namespace kxpotlab {
namespace {

// 32-bit wrapping arithmetic done in unsigned, where overflow is defined; the conversion back
// to int is modular since C++20.
int Add(int a, int b)
{
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

int Sub(int a, int b)
{
    return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

int Mul(int a, int b)
{
    return static_cast<int>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Truncating division for a non-zero divisor. The one quotient that does not fit, INT_MIN / -1,
// traps on x86; it wraps to INT_MIN like every other overflow here. Dividing in 64 bits keeps
// that case exact: a special case for -1 is not enough, since GCC at -O2 folds it back into
// the 32-bit division that traps.
int Quotient(int dividend, int divisor)
{
    const std::int64_t quotient = std::int64_t{dividend} / divisor;
    return static_cast<int>(static_cast<std::uint32_t>(quotient));
}

} // namespace

int Clamp(int value, int min, int max)
{
    if (value < min)
        value = min;
    if (value > max)
        value = max;
    return value;
}

std::optional<int> AnchorFor(int p, int state, int min, int max, int cursorRange)
{
    if (max <= min)
        return std::nullopt;
    // The offset scales State itself, not State - Min, and both divisions truncate: a press
    // followed by a move that does not travel can read below the value shown (a channel label
    // at 16 reads 15).
    return Add(p, Quotient(Mul(state, cursorRange), Sub(max, min)));
}

std::optional<int> DragValue(int anchor, int p, int min, int max, int cursorRange)
{
    if (cursorRange == 0)
        return std::nullopt;
    return Clamp(Quotient(Mul(Sub(max, min), Sub(anchor, p)), cursorRange), min, max);
}

int ClickStep(int max, bool shift)
{
    return shift ? Quotient(max, 10) : 1;
}

int LeftClickValue(int state, int min, int max, int step, bool lastPressRight)
{
    return Clamp(lastPressRight ? min : Sub(state, step), min, max);
}

int RightClickValue(int state, int max, int step, bool lastPressLeft)
{
    const int value = lastPressLeft ? max : Add(state, step);
    return value > max ? max : value;
}

std::optional<int> KeyValue(int key, int state, int min, int max)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        return Clamp(Add(state, 1), min, max);
    case Qt::Key_Down:
    case Qt::Key_Left:
        return Clamp(Sub(state, 1), min, max);
    case Qt::Key_PageUp:
        return Clamp(Add(state, ClickStep(max, true)), min, max);
    case Qt::Key_PageDown:
        return Clamp(Sub(state, ClickStep(max, true)), min, max);
    case Qt::Key_Home:
        return Clamp(min, min, max);
    case Qt::Key_End:
        return Clamp(max, min, max);
    default:
        return std::nullopt;
    }
}

} // namespace kxpotlab

Tkxpotlab::Tkxpotlab(QWidget *parent) : QLabel(parent)
{
    // Tab reaches it, a click does not: dragging a value must never steal the keyboard from the
    // form's edit fields.
    setFocusPolicy(Qt::TabFocus);
    resize(30, 30);
    SetCaption(QStringLiteral("0"));
}

void Tkxpotlab::SetState(int value)
{
    if (value == FState)
        return;
    ShowValue(kxpotlab::Clamp(value, FMin, FMax));
}

void Tkxpotlab::ChangeByUser(int value)
{
    ShowValue(kxpotlab::Clamp(value, FMin, FMax));
    emit OnChange(this);
}

void Tkxpotlab::SetMin(int value)
{
    FMin = value;
}

void Tkxpotlab::SetMax(int value)
{
    FMax = value;
}

void Tkxpotlab::SetCursorRange(int value)
{
    FCursorRange = value;
}

void Tkxpotlab::SetAlwayDetect(bool value)
{
    FAlwayDetect = value;
}

void Tkxpotlab::SetMouvement(tOrientation value)
{
    FMouvement = value;
}

void Tkxpotlab::SetAutoSize(bool value)
{
    if (value == FAutoSize)
        return;
    FAutoSize = value;
    if (FAutoSize)
        adjustSize();
}

void Tkxpotlab::paintEvent(QPaintEvent *)
{
    // Drawn here as a plain-text label draws itself. QLabel's own painting lays its text out
    // in a rich-text document whenever the label can take the focus, which ours can (Tab
    // reaches it): that costs a value change during a drag several times the rest of its work.
    QPainter painter(this);
    drawFrame(&painter);
    // Value labels have no frame and no indent: the text's box is the contents less the margin.
    const int m = margin();
    const QRect area = contentsRect().adjusted(m, m, -m, -m);
    const int flags =
        int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextForceLeftToRight;
    style()->drawItemText(&painter, area, flags, palette(), isEnabled(), text(), foregroundRole());
    if (!hasFocus())
        return;
    // Dotted in the digits' own colour: the style's focus frame is lost on the black ground.
    painter.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void Tkxpotlab::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QLabel::keyPressEvent(event); // Ctrl+L and the like belong to the window
        return;
    }
    if (const auto value = kxpotlab::KeyValue(event->key(), FState, FMin, FMax))
        ChangeByUser(*value);
    else
        QLabel::keyPressEvent(event);
}

void Tkxpotlab::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        FLastButton = Qt::LeftButton;
        // Without a span there is nothing to drag over: the press anchors nothing, so the moves
        // leave the value alone and the release counts as a click.
        if (const auto anchor =
                kxpotlab::AnchorFor(AxisOf(event), FState, FMin, FMax, FCursorRange)) {
            FAnchor = *anchor;
            FDragging = true;
        }
    } else if (event->button() == Qt::RightButton) {
        FLastButton = Qt::RightButton;
    }
}

void Tkxpotlab::mouseMoveEvent(QMouseEvent *event)
{
    // Moves reach the control only while a button is held (no mouse tracking), and after a left
    // press on it even outside its bounds, through Qt's implicit grab. A move repaints only when
    // it set a value: a second repaint of unchanged pixels would cost every move another
    // hand-over to the window system (on X11, half the time a move takes). The value is announced
    // before it is drawn, so the Control Change a drag sends does not wait for the paint.
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (FDragging) {
        // Without a travel scale the drag holds the value but still counts as a drag.
        const auto value = kxpotlab::DragValue(FAnchor, AxisOf(event), FMin, FMax, FCursorRange);
        if (value)
            StoreValue(*value);
        FMoved = true;
        if (FAlwayDetect)
            emit OnChange(this);
        if (value)
            repaint();
    }
}

void Tkxpotlab::mouseReleaseEvent(QMouseEvent *event)
{
    const int step = kxpotlab::ClickStep(FMax, event->modifiers() & Qt::ShiftModifier);
    if (event->button() == Qt::LeftButton) {
        int value = FState;
        if (FMoved) {
            if (const auto dragged =
                    kxpotlab::DragValue(FAnchor, AxisOf(event), FMin, FMax, FCursorRange))
                value = *dragged;
        } else {
            value =
                kxpotlab::LeftClickValue(FState, FMin, FMax, step, FLastButton == Qt::RightButton);
        }
        ShowValue(value);
        emit OnChange(this);
    } else if (event->button() == Qt::RightButton) {
        ShowValue(kxpotlab::RightClickValue(FState, FMax, step, FLastButton == Qt::LeftButton));
        emit OnChange(this);
    }
    FAnchor = 0;
    FDragging = false;
    FMoved = false;
}

int Tkxpotlab::AxisOf(const QMouseEvent *event) const
{
    const QPoint at = event->position().toPoint();
    return FMouvement == posHorizontal ? at.x() : at.y();
}

void Tkxpotlab::SetCaption(const QString &caption)
{
    // QLabel keeps a rich-text document for a label that can take the focus and lays each new
    // text out in it, though ours is painted and measured as plain text (see paintEvent): the
    // text is set as for a label that cannot, which takes no document.
    const Qt::FocusPolicy policy = focusPolicy();
    setFocusPolicy(Qt::NoFocus);
    setText(caption);
    setFocusPolicy(policy);
    if (FAutoSize)
        adjustSize();
}

// Stores a value already clamped by the caller, shows it and redraws before returning: a handler
// that blocks the event loop (a transfer, a message box) must not leave the old value on screen.
void Tkxpotlab::ShowValue(int value)
{
    StoreValue(value);
    repaint();
}

// Stores a value already clamped by the caller and sets its caption; the caller redraws.
void Tkxpotlab::StoreValue(int value)
{
    const bool changed = value != FState;
    FState = value;
    SetCaption(QString::number(value));
    if (changed) {
        QAccessibleValueChangeEvent announce(this, value);
        QAccessible::updateAccessibility(&announce);
        emit StateChanged(value);
    }
}
