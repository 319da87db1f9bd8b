#pragma once
// TCGauge: a progress gauge that shows how far Progress has advanced from MinValue to
// MaxValue as a whole percentage, as a text, a horizontal or vertical bar, a pie or a needle
// dial, optionally with the percentage written over it in colours inverted against what lies
// beneath. GUI thread only.
//
// Every visual setter repaints synchronously (QWidget::repaint), so a caller that advances
// the gauge inside a long loop without returning to the event loop still sees each step
// drawn. A Progress write repaints only when the whole percentage shown changes.
//
// Colours are 32-bit values laid out 0x00BBGGRR (red in the low byte); 0x80000000 + n names
// system colour n, resolved against the gauge's palette when it paints.
#include "controls/GaugeGeometry.h"

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <stdexcept>

class QColor;
class QPalette;

// A refused MinValue or MaxValue write. what() is the UTF-8 text "La valeur doit être comprise
// entre LOW et HIGH" naming the range the value would have had to lie in.
class EGaugeRangeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TCGauge : public QWidget
{
    Q_OBJECT

public:
    explicit TCGauge(QWidget *parent = nullptr);

    TCGaugeKind Kind() const { return FKind; }
    void SetKind(TCGaugeKind value);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    // The filled part: bar, pie wedge, dial outline and needle.
    std::uint32_t ForeColor() const { return FForeColor; }
    void SetForeColor(std::uint32_t value);
    // The unfilled part: bar background and dial face.
    std::uint32_t BackColor() const { return FBackColor; }
    void SetBackColor(std::uint32_t value);
    // The surround behind the pie and the needle dial. While ParentColor is true the
    // surround follows the parent's window colour (through the inherited palette) instead;
    // writing Color clears ParentColor.
    std::uint32_t Color() const { return FColor; }
    void SetColor(std::uint32_t value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    std::int32_t MinValue() const { return FMinValue; }
    // Throws EGaugeRangeError when value > MaxValue; raises Progress to the new minimum.
    void SetMinValue(std::int32_t value);
    std::int32_t MaxValue() const { return FMaxValue; }
    // A write of 0 is ignored. Throws EGaugeRangeError when value < MinValue; lowers Progress
    // to the new maximum.
    void SetMaxValue(std::int32_t value);
    std::int32_t Progress() const { return FProgress; }
    // Clamps to MinValue..MaxValue.
    void SetProgress(std::int32_t value);
    // Progress + step (clamped like SetProgress), then repaints whatever the percentage does.
    void AddProgress(std::int32_t step);

    int GetPercentDone() const;

    // The picture the gauge paints: an opaque image of its size with the body, the frame and
    // the percentage text. paintEvent copies it onto the control in one go, so the control
    // never shows a half-drawn state.
    QImage PaintImage() const;

    // The RGB colour of a colour value; system colours come from `palette`, an unknown
    // system colour number gives black.
    static QColor ResolveColor(std::uint32_t color, const QPalette &palette);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void DrawBody(QImage &image, const GaugeRect &r, int percent) const;
    void XorText(QImage &image, const GaugeRect &r, int percent) const;

    TCGaugeKind FKind = gkHorizontalBar;
    bool FShowText = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    std::uint32_t FForeColor = 0x000000;
    std::uint32_t FBackColor = 0xFFFFFF;
    std::uint32_t FColor = 0x80000005; // the window colour, shown only once ParentColor is off
    bool FParentColor = true;
    std::int32_t FMinValue = 0;
    std::int32_t FMaxValue = 100;
    std::int32_t FProgress = 0;
};
