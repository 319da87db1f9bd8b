#include "sim_test_helpers.h"

#include <sstream>

namespace simtest {

std::vector<std::uint8_t> Bytes(std::string_view hex)
{
    std::vector<std::uint8_t> bytes;
    std::istringstream words{std::string(hex)};
    for (std::string word; words >> word;)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    return bytes;
}

void PrintTo(const Outcome &outcome, std::ostream *out)
{
    *out << '{' << outcome.bytes << ": "
         << (outcome.rejected ? sim::reasonText(*outcome.rejected) : "accepted") << '}';
}

RecordingBox::RecordingBox(const sim::ConverterSetup &flash) : box(flash)
{
    box.setListener(
        [this](const sim::MidiMessage &message, std::optional<sim::RejectReason> rejected) {
            outcomes.push_back({sim::hexBytes(message), rejected});
        });
}

} // namespace simtest
