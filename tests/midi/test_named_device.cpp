// Both ports open a device chosen by name where it stands when they open, or fail.
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "support/FakeMidiServices.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(NamedDevice, OpenFindsTheChosenNameInTheListAsItIsNowOrFails)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"New", "A", "Synth"}, "2"}, {{"Synth"}, "0"}, {{"A", "B"}, "none"}};
    for (const auto &[atOpen, opened] : cases) {
        FakeMidiServices fake;
        fake.outputs = {FakeMidiServices::outputNamed("A"), FakeMidiServices::outputNamed("Synth")};
        fake.inputs = {FakeMidiServices::inputNamed("A"), FakeMidiServices::inputNamed("Synth")};
        TMidiOutput out(fake);
        TMidiInput in(fake);
        out.SetProductName("Synth");
        in.SetProductName("Synth");
        fake.outputs.assign(atOpen.size(), {});
        fake.inputs.assign(atOpen.size(), {});
        for (std::size_t i = 0; i < atOpen.size(); ++i)
            fake.outputs[i].name = fake.inputs[i].name = atOpen[i];
        in.Open();
        EXPECT_EQ(out.Open() && in.PortState() == psOpen, opened != "none") << opened;
        EXPECT_EQ(std::ranges::count(fake.calls, "openOutput " + opened), opened == "none" ? 0 : 1);
        EXPECT_EQ(std::ranges::count(fake.calls, "openInput " + opened), opened == "none" ? 0 : 1);
    }
}
