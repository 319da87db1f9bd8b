#pragma once
// Tkxpotlab: the numeric label behind every editable number of the editor (MIDI channels, the
// patch-bay input, the controller values). It shows its State as its caption; the user drags
// with the left button to sweep the value, clicks left to step down and right to step up
// (Shift: by a tenth of Max). From the keyboard (it is reached by Tab, never by a click) the
// arrows step by 1, Page Up/Down by a tenth of Max, Home/End jump to the bounds. Only the user's
// actions (pointer, keys, a screen reader setting the value) raise OnChange; program code
// writes State silently. Every change of the value is announced to assistive technology.
// GUI thread only.
#include <QLabel>
#include <optional>

class QKeyEvent;
class QMouseEvent;

// The drag axis: posVertical drags along Y (up raises the value), posHorizontal along X (left
// raises it). Unscoped and at namespace level so that form code can name the values bare.
enum tOrientation { posVertical, posHorizontal };

// The value arithmetic of the label, apart from the widget. Everything is 32-bit signed: a
// product or difference keeps only its low 32 bits and a division truncates toward zero, so
// extreme bounds give the same (wrapped) results on every compiler instead of undefined ones.
namespace kxpotlab {

// Below min becomes min, then above max becomes max (so max wins when max < min).
int Clamp(int value, int min, int max);

// The drag-axis coordinate at which the drag formula yields 0, for a left press at p on a label
// showing state. Empty when max <= min: such a label has no span to drag over.
std::optional<int> AnchorFor(int p, int state, int min, int max, int cursorRange);

// The clamped value for the pointer at p during a drag anchored at anchor: max - min per
// cursorRange pixels of travel toward lower p. Empty when cursorRange is 0 (no travel scale).
std::optional<int> DragValue(int anchor, int p, int min, int max, int cursorRange);

// The step of a click: max / 10 with Shift held at the release, else 1.
int ClickStep(int max, bool shift);

// The value after a left release without a drag: Min when the last press was a right one,
// else state - step; clamped to both bounds.
int LeftClickValue(int state, int min, int max, int step, bool lastPressRight);

// The value a key asks for, or empty for a key the label does not take: the arrows step by 1
// (up and right raise), Page Up/Down by ClickStep(max, true), Home/End give the bounds.
std::optional<int> KeyValue(int key, int state, int min, int max);

// The value after a right release: Max when the last press was a left one, else state + step;
// only the upper bound is applied.
int RightClickValue(int state, int max, int step, bool lastPressLeft);

} // namespace kxpotlab

class Tkxpotlab : public QLabel
{
    Q_OBJECT

public:
    // The drag axis is also reachable as Tkxpotlab::tOrientation / Tkxpotlab::posVertical.
    using tOrientation = ::tOrientation;
    using enum ::tOrientation;

    explicit Tkxpotlab(QWidget *parent = nullptr);

    // Writing clamps to the bounds as they are now, shows the value and repaints at once; an
    // unchanged value does nothing. Never raises OnChange.
    int State() const { return FState; }
    void SetState(int value);
    // The user sets the value by other means than the pointer (keys, a screen reader): clamped,
    // shown and reported through OnChange like a click, so it sends what a click would.
    void ChangeByUser(int value);

    // The bounds, the drag scale (pixels per Max - Min), the per-move notification and the drag
    // axis only store: State is not re-clamped and nothing is redrawn until the next change.
    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    int CursorRange() const { return FCursorRange; }
    void SetCursorRange(int value);
    bool AlwayDetect() const { return FAlwayDetect; }
    void SetAlwayDetect(bool value);
    tOrientation Mouvement() const { return FMouvement; }
    void SetMouvement(tOrientation value);

    // While on, the label resizes itself to its caption whenever the caption changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

signals:
    // The user changed (or clicked) the value; State and the caption already show the result.
    void OnChange(Tkxpotlab *sender);
    // State changed, whoever changed it (the user, or code through SetState): for a model the
    // label shows, which follows it both ways.
    void StateChanged(int state);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int AxisOf(const QMouseEvent *event) const;
    void SetCaption(const QString &caption);
    void ShowValue(int value);
    void StoreValue(int value);

    int FState = 0;
    int FMin = 0;
    int FMax = 100;
    int FCursorRange = 15;
    bool FAlwayDetect = true;
    tOrientation FMouvement = posVertical;
    bool FAutoSize = true;

    // One gesture: a left press anchors a drag; the first move with the left button held marks
    // it moved; every release ends it. The last pressed button outlives the gesture, because a
    // release of the other button decides between a step and a jump to a bound.
    bool FDragging = false;
    bool FMoved = false;
    int FAnchor = 0;
    Qt::MouseButton FLastButton = Qt::LeftButton;
};
