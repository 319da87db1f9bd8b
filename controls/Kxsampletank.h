#pragma once
// TkxSampleTank: a graph of up to 256 unsigned 8-bit values, drawn as a connected line or as
// bars over a plain or banded-gradient background, with dotted centre axes and quarter lines,
// a square marker on each value, a locator line at one index and a selection band shown by
// inversion or exclusive-or. The left button drags the locator or sweeps a selection; the
// right button redraws values by pointing at the height wanted. Colours are 0x00BBGGRR values
// (red in the low byte); 0x80000000 + n names system colour n, taken from the palette.
// GUI thread only: the three signals are emitted synchronously inside the pointer handling.
#include "controls/SampleTankGeometry.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <array>
#include <span>

class QMouseEvent;

class TkxSampleTank : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ValueCount = sampletank::ValueCount;
    using ValueArray = std::array<quint8, ValueCount>;

    explicit TkxSampleTank(QWidget *parent = nullptr);

    // The values plotted, index 0 at the left. The user changes them with the right button;
    // an owner fills them with SetValues (from index 0, at most 256, the rest kept), which
    // repaints once and raises no signal. Their count does not follow Max.
    const ValueArray &Values() const { return FValues; }
    void SetValues(std::span<const quint8> values);

    // Every setter below stores a changed value and repaints at once; an unchanged value does
    // nothing, and no setter emits a signal. Max is kept within 1..256. LocatorPos,
    // SelectionPos and SelectionLen are stored as written: an index outside the plot is drawn
    // where the plot formula puts it, off the picture when far away.
    int Max() const { return FMax; }
    void SetMax(int value);
    quint32 LineColor() const { return FLineColor; }
    void SetLineColor(quint32 value);
    quint32 AxesColor() const { return FAxesColor; }
    void SetAxesColor(quint32 value);
    quint32 Axes2Color() const { return FAxes2Color; }
    void SetAxes2Color(quint32 value);
    quint32 LocatorColor() const { return FLocatorColor; }
    void SetLocatorColor(quint32 value);
    int LocatorPos() const { return FLocatorPos; }
    void SetLocatorPos(int value);
    int LocatorSize() const { return FLocatorSize; }
    void SetLocatorSize(int value);
    bool LocatorEnabled() const { return FLocatorEnabled; }
    void SetLocatorEnabled(bool value);
    quint32 SelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(quint32 value);
    // 1 combines the band with SelectionColor by exclusive-or; 0 and any other value invert it.
    int SelectionStyle() const { return FSelectionStyle; }
    void SetSelectionStyle(int value);
    int SelectionPos() const { return FSelectionPos; }
    void SetSelectionPos(int value);
    int SelectionLen() const { return FSelectionLen; }
    void SetSelectionLen(int value);
    // Whether OnChange also fires at each pointer move of a value edit. Only stores.
    bool AlwayDetect() const { return FAlwayDetect; }
    void SetAlwayDetect(bool value);
    quint32 GradientColor() const { return FGradientColor; }
    void SetGradientColor(quint32 value);
    bool GradientEnabled() const { return FGradientEnabled; }
    void SetGradientEnabled(bool value);
    // 0 (one band per pixel, up to 256) or 2..256; any other value is ignored.
    int GradientNbOfColors() const { return FGradientNbOfColors; }
    void SetGradientNbOfColors(int value);
    tGradientTypex GradientType() const { return FGradientType; }
    void SetGradientType(tGradientTypex value);
    int MarkerSize() const { return FMarkerSize; }
    void SetMarkerSize(int value);
    quint32 MarkerColor() const { return FMarkerColor; }
    void SetMarkerColor(quint32 value);
    bool AxesEnabled() const { return FAxesEnabled; }
    void SetAxesEnabled(bool value);
    bool Axes2Enabled() const { return FAxes2Enabled; }
    void SetAxes2Enabled(bool value);
    bool SpectrumMode() const { return FSpectrumMode; }
    void SetSpectrumMode(bool value);
    bool SpectrumCenter() const { return FSpectrumCenter; }
    void SetSpectrumCenter(bool value);

    // The plain background and one end of the gradient; black at construction. A change
    // rebuilds the gradient, and is shown at the next paint.
    quint32 Color() const { return FColor; }
    void SetColor(quint32 value);

signals:
    // The user edited values with the right button (at the release, and at each move while
    // AlwayDetect is on). Values already holds the result.
    void OnChange(TkxSampleTank *sender);
    // The user moved the locator with the left button; LocatorPos holds the new index.
    void OnLocatorChange(TkxSampleTank *sender);
    // The user swept the selection with the left button; SelectionPos/SelectionLen hold it.
    void OnSelectorChange(TkxSampleTank *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    template <typename T> void Store(T &field, T value);
    template <typename T> void StoreGradient(T &field, T value);

    void Compose();
    void LeftDragTo(int x);
    bool RightEditAt(QPoint at);
    void ComposeGround();
    void ComposeCurve();
    void ComposeOverlays();
    void DottedLine(QPoint from, QPoint to, quint32 color);
    void BuildGradient();
    // The pointer mapping divides by the width and height less 2; below 3 pixels it is off.
    bool PointerMappable() const { return width() > 2; }
    bool ValuesEditable() const { return width() > 2 && height() > 2; }
    int ClampedIndex(int index) const;
    void DragLocator(int x);
    void SweepSelection(int x);
    void EditValue(QPoint at);

    ValueArray FValues{};
    // Plot positions of indexes 0..Max-1 as of the last paint.
    std::array<QPoint, ValueCount> FPoints{};
    QImage FComposition;
    QImage FGradientCache;
    bool FGradientValid = false;

    int FMax = 256;
    quint32 FLineColor = 0x808000;
    quint32 FAxesColor = 0x000080;
    quint32 FAxes2Color = 0x800080;
    quint32 FLocatorColor = 0x800080;
    int FLocatorPos = 0;
    int FLocatorSize = 3;
    bool FLocatorEnabled = true;
    quint32 FSelectionColor = 0xFF0000;
    int FSelectionStyle = 0;
    int FSelectionPos = 0;
    int FSelectionLen = 0;
    bool FAlwayDetect = true;
    quint32 FGradientColor = 0x800000;
    bool FGradientEnabled = false;
    int FGradientNbOfColors = 64;
    tGradientTypex FGradientType = grxVertCenterToBorder;
    int FMarkerSize = 1;
    quint32 FMarkerColor = 0xFFFF00;
    bool FAxesEnabled = true;
    bool FAxes2Enabled = true;
    bool FSpectrumMode = false;
    bool FSpectrumCenter = false;
    quint32 FColor = 0x000000;

    // One pointer gesture: a left or right press sets Pressed and every release clears it.
    // After a left press DragIndex is 0 (dragging the locator) or -1 (sweeping a selection);
    // after a value edit it is the edited index, and it keeps that until the next of either.
    bool FPressed = false;
    int FDragIndex = -1;
};
