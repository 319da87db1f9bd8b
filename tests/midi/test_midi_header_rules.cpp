// The header rules (prepare, queue, hand back, unprepare) as every services implementation
// keeps them: the checks, their order and their codes, and that a refused call leaves the header
// as it was, above all a queued one, whose private fields belong to the services.
//
// Each implementation runs the same table: the rules themselves (what SystemMidiServices and its
// sender and delivery use; the system services cannot run here without a MIDI server), the
// in-process devices, and the scripted fake that the ports' tests stand on. Handle A queues
// (an input), handle B is another handle of the same services (an output).
#include "midi/backend/MidiHeaderRules.h"
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/FakeMidiServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

enum class Step { PrepareA, PrepareB, QueueA, UnprepareA, UnprepareB, HandBack };

class Subject
{
public:
    virtual ~Subject() = default;
    virtual MidiResult run(Step step, MidiHeader *header) = 0;
};

// The rules alone: the services' thread is played by this one.
class Rules final : public Subject
{
public:
    MidiResult run(Step step, MidiHeader *header) override
    {
        switch (step) {
        case Step::PrepareA:
            return prepareHeader(1, header);
        case Step::PrepareB:
            return prepareHeader(2, header);
        case Step::QueueA:
            return queueHeader(1, header);
        case Step::UnprepareA:
            return unprepareHeader(1, header);
        case Step::UnprepareB:
            return unprepareHeader(2, header);
        case Step::HandBack:
            if (header && (headerFlags(header) & MidiHdrInQueue))
                handBackHeader(header);
            return MidiOk;
        }
        return MidiErrUnspecified;
    }
};

void ignore(MidiHandle, std::uint32_t, std::uintptr_t, std::uintptr_t, std::uintptr_t) noexcept {}

// Services with an input (A, queueing receive buffers) and an output (B) open; a reset hands
// the queued buffers back.
template <class Services> class OpenServices final : public Subject
{
public:
    explicit OpenServices(int outputDevice)
    {
        EXPECT_EQ(services.openInput(in, 0, ignore, 0), MidiOk);
        EXPECT_EQ(services.openOutput(out, outputDevice, ignore, 0), MidiOk);
    }
    MidiResult run(Step step, MidiHeader *header) override
    {
        switch (step) {
        case Step::PrepareA:
            return services.prepareInputHeader(in, header);
        case Step::PrepareB:
            return services.prepareOutputHeader(out, header);
        case Step::QueueA:
            return services.addInputBuffer(in, header);
        case Step::UnprepareA:
            return services.unprepareInputHeader(in, header);
        case Step::UnprepareB:
            return services.unprepareOutputHeader(out, header);
        case Step::HandBack:
            return services.resetInput(in);
        }
        return MidiErrUnspecified;
    }
    Services services;
    MidiHandle in = NoMidiHandle;
    MidiHandle out = NoMidiHandle;
};

struct Implementation
{
    const char *name;
    std::function<std::unique_ptr<Subject>()> make;
};

const Implementation implementations[] = {
    {"rules", [] { return std::make_unique<Rules>(); }},
    {"simulated",
     [] {
         return std::make_unique<OpenServices<SimulatedServices>>(
             SimulatedServices::LoopbackOutput);
     }},
    {"fake", [] { return std::make_unique<OpenServices<FakeMidiServices>>(0); }},
};

enum class Shape { Whole, NoData, NoLength, Missing };

struct Case
{
    const char *what;
    Shape shape;
    std::vector<std::pair<Step, MidiResult>> steps;
    std::uint32_t flags; // Done, Prepared and InQueue after the last step
};

constexpr std::uint32_t Prepared = MidiHdrPrepared;
constexpr std::uint32_t Queued = MidiHdrPrepared | MidiHdrInQueue;

// Short names, so that each case reads on one line: the steps with what each must answer.
constexpr MidiResult Ok = MidiOk, Invalid = MidiErrInvalidParam, Unprepared = MidiErrUnprepared,
                     Playing = MidiErrStillPlaying;
using enum Step;

// clang-format off
const Case cases[] = {
    {"no data",                          Shape::NoData,   {{PrepareA, Invalid}}, 0},
    {"no length",                        Shape::NoLength, {{PrepareA, Invalid}}, 0},
    {"no header",                        Shape::Missing,  {{PrepareA, Invalid}, {QueueA, Invalid}, {UnprepareA, Invalid}}, 0},
    {"queue unprepared",                 Shape::Whole,    {{QueueA, Unprepared}}, 0},
    {"queue prepared on another handle", Shape::Whole,    {{PrepareB, Ok}, {QueueA, Unprepared}}, Prepared},
    {"queue twice",                      Shape::Whole,    {{PrepareA, Ok}, {QueueA, Ok}, {QueueA, Playing}}, Queued},
    {"prepare while queued, on its handle or another",
                                         Shape::Whole,    {{PrepareA, Ok}, {QueueA, Ok}, {PrepareA, Playing}, {PrepareB, Playing}}, Queued},
    {"unprepare while queued",           Shape::Whole,    {{PrepareA, Ok}, {QueueA, Ok}, {UnprepareA, Playing}}, Queued},
    {"unprepare on another handle",      Shape::Whole,    {{PrepareA, Ok}, {UnprepareB, Unprepared}}, Prepared},
    {"unprepare never prepared",         Shape::Whole,    {{UnprepareA, Ok}}, 0},
    {"handed back, then unprepared",     Shape::Whole,    {{PrepareA, Ok}, {QueueA, Ok}, {HandBack, Ok}, {UnprepareA, Ok}}, MidiHdrDone},
    {"handed back, then queued again",   Shape::Whole,    {{PrepareA, Ok}, {QueueA, Ok}, {HandBack, Ok}, {QueueA, Ok}}, Queued},
    {"handed back, then prepared again", Shape::Whole,    {{PrepareA, Ok}, {QueueA, Ok}, {HandBack, Ok}, {PrepareA, Ok}}, Prepared},
    {"queue after unprepare",            Shape::Whole,    {{PrepareA, Ok}, {UnprepareA, Ok}, {QueueA, Unprepared}}, 0},
};
// clang-format on

// Every field of a header, for seeing that a refused call wrote none of them.
auto fields(const MidiHeader &h)
{
    return std::tuple(h.data, h.bufferLength, h.bytesRecorded, h.user, h.flags, h.next, h.reserved,
                      h.offset);
}

TEST(MidiHeaderRules, EveryImplementationKeepsTheSameRules)
{
    for (const Implementation &implementation : implementations) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(implementation.name) + ": " + c.what);
            const std::unique_ptr<Subject> subject = implementation.make();
            std::uint8_t bytes[8] = {0xF0, 0x7E, 0xF7};
            MidiHeader whole;
            whole.data = c.shape == Shape::NoData ? nullptr : bytes;
            whole.bufferLength = c.shape == Shape::NoLength ? 0 : sizeof bytes;
            MidiHeader *header = c.shape == Shape::Missing ? nullptr : &whole;
            for (const auto &[step, expected] : c.steps) {
                const auto before = fields(whole);
                EXPECT_EQ(subject->run(step, header), expected) << "step " << int(step);
                if (expected != MidiOk) {
                    EXPECT_EQ(fields(whole), before) << "refused step " << int(step) << " wrote";
                }
            }
            if (header) {
                EXPECT_EQ(whole.flags, c.flags);
            }
            // Leaves nothing queued for the services' close.
            subject->run(Step::HandBack, header);
        }
    }
}

} // namespace
