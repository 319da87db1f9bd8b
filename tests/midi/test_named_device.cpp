// Both ports open a device chosen by name where it stands when they open, or fail.
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "support/FakeMidiServices.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(NamedDevice, OpenFindsTheChosenNameInTheListAsItIsNowOrFails)
{
    // The list when the ports open (it was A, Synth when Synth was chosen), the device opened.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"New", "A", "Synth"}, "2"}, {{"Synth"}, "0"}, {{"A", "B"}, "none"}};
    for (const auto &[atOpen, id] : cases) {
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
        EXPECT_EQ(out.Open() && in.PortState() == psOpen, id != "none") << id;
        EXPECT_EQ(std::ranges::count(fake.calls, "openOutput " + id), id == "none" ? 0 : 1);
        EXPECT_EQ(std::ranges::count(fake.calls, "openInput " + id), id == "none" ? 0 : 1);
    }
}
