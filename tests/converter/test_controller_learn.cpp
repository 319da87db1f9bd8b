// Controller learning on its own: plain messages in, the controllers it hands on out.
#include "converter/ControllerLearn.h"

#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

using Message = std::vector<std::uint8_t>;
using Assigned = std::vector<std::pair<int, int>>; // output, controller

int Reports = 0;
std::function<void()> WhileReporting; // what a modal report's event loop delivers, the first time
void Report(const std::exception &)
{
    if (++Reports == 1)
        WhileReporting();
}

Assigned EachOwn(int outputs) // output i takes controller i
{
    Assigned each;
    for (int i = 0; i < outputs; ++i)
        each.emplace_back(i, i);
    return each;
}

// 'L' learn output n, 'A' learn all, 'C' Control Change of controller n on channel n % 16, 'R'
// of controllers 0 .. n-1 in turn, 'N' every other kind of message, 'T' wait for the timeout.
struct Step
{
    char act;
    int n = 0;
};

} // namespace

TEST(ControllerLearn, HandsOnTheControllersMovedAndEndsWhereItShould)
{
    const struct
    {
        const char *name;
        std::vector<Step> steps;
        Assigned assigned;
        int learning = -1; // afterwards
        bool walking = false;
        int failing = -1; // the controller whose assignment raises
    } cases[] = {
        {"one output takes a controller", {{'L', 4}, {'C', 74}, {'C', 7}}, {{4, 74}}},
        {"choosing the same output again cancels", {{'L', 4}, {'L', 4}, {'C', 74}}, {}},
        {"only a Control Change is taken", {{'L', 4}, {'N'}}, {}, 4},
        {"no Control Change before the timeout", {{'L', 4}, {'N'}, {'T'}, {'C', 74}}, {}},
        {"the walk takes each controller once",
         {{'A'}, {'C', 74}, {'C', 74}, {'C', 7}, {'C', 74}, {'C', 1}},
         {{0, 74}, {1, 7}, {2, 1}},
         3,
         true},
        {"learning all again ends the walk", {{'A'}, {'C', 74}, {'A'}, {'C', 7}}, {{0, 74}}},
        {"the walk ends at output 32", {{'A'}, {'R', 32}, {'C', 100}}, EachOwn(32)},
        {"a failure ends the walk first", {{'A'}, {'R', 4}}, EachOwn(2), -1, false, 1},
        {"a failure ends learning first", {{'L', 4}, {'C', 74}}, {{4, 74}}, -1, false, 74},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Reports = 0;
        Assigned assigned;
        ControllerLearn learn(
            [&](int output, int controller) {
                assigned.emplace_back(output, controller);
                if (controller == c.failing)
                    throw std::runtime_error("refused");
            },
            &Report, [] { return QString(); });
        learn.SetTimeout(std::chrono::milliseconds(50));
        const auto cc = [&](int n) {
            learn.Receive(Message{std::uint8_t(0xB0 | n % 16), std::uint8_t(n), 9});
        };
        WhileReporting = [&] { cc(c.failing); }; // the knob still moving
        for (const Step &step : c.steps) {
            if (step.act == 'L')
                learn.Learn(step.n);
            if (step.act == 'A')
                learn.LearnAll();
            if (step.act == 'C')
                cc(step.n);
            for (int n = 0; step.act == 'R' && n < step.n; ++n)
                cc(n);
            if (step.act == 'N')
                for (const Message &other : {Message{0x90, 60, 9},
                                             {0x80, 60, 0},
                                             {0xC0, 5},
                                             {0xE0, 0, 64},
                                             {0xF0, 0x70, 0x7E, 0, 4, 10, 0xF7}})
                    learn.Receive(other);
            if (step.act == 'T') {
                EXPECT_TRUE(QTest::qWaitFor([&] { return learn.Output() < 0; }));
            }
        }
        EXPECT_EQ(assigned, c.assigned);
        EXPECT_EQ(learn.Output(), c.learning);
        EXPECT_EQ(learn.Walking(), c.walking);
        EXPECT_EQ(Reports, c.failing < 0 ? 0 : 1);
    }
}
