#pragma once
// Byte sequences written the way people read them ("F0 70 7E 00 30 00 07 F7"), and a box that
// records the outcome of every message it concludes.
#include "sim/StateText.h"
#include "sim/TorvaneBox.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

std::vector<std::uint8_t> Bytes(std::string_view hex);

// One concluded message: its bytes, and the reason when it was rejected.
struct Outcome
{
    std::string bytes;
    std::optional<sim::RejectReason> rejected;
    friend bool operator==(const Outcome &, const Outcome &) = default;
};
void PrintTo(const Outcome &outcome, std::ostream *out);

class RecordingBox
{
public:
    explicit RecordingBox(const sim::ConverterSetup &flash = {});
    void Feed(std::string_view hex) { Feed(Bytes(hex)); }
    void Feed(const std::vector<std::uint8_t> &bytes) { box.feed(bytes); }

    sim::TorvaneBox box;
    std::vector<Outcome> outcomes;
};

} // namespace simtest
