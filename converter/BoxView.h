#pragma once
// How the "Config" page shows the box against the preset it edits: a mark beside each selector
// whose output the box has differently (its tooltip names what the box has), and one status
// line. The marks and the line stand in space the page leaves free, so no designed control
// moves. Everything shown is a belief built from what this editor sent, and the line says so.
// GUI thread only; the widgets belong to the parents they are built on.
#include "converter/BoxBelief.h"
#include "converter/MessageMeaning.h"

#include <QCoreApplication>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

class QLabel;
class QWidget;

class BoxView
{
    Q_DECLARE_TR_FUNCTIONS(BoxView)

public:
    // outputs: where the selectors stand (output n's selector at the designed place);
    // free: a part of the page where the status line fits.
    BoxView(QWidget *outputs, QWidget *free);

    // A differing output's mark names its label, when labelOf gives one.
    void Show(const BoxBelief &belief, int channel,
              std::span<const std::uint8_t, protocol::OutputCount> preset,
              const protocol::OutputLabels &labelOf = {});

    // What the box has for one output, for people: "Sound Brightness (74)".
    static QString ControllerText(const BoxBelief::Known &controller);
    static QString StatusText(const BoxBelief &belief, const BoxBelief::Comparison &comparison);

    std::array<QLabel *, protocol::OutputCount> Marks{};
    QLabel *Status = nullptr;
};
