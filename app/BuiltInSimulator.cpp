#include "app/BuiltInSimulator.h"

#include "midi/HandOverWatch.h"

#include <array>

namespace sim {

QString BuiltInSimulator::defaultFlashPath()
{
    return FlashFile::defaultPath(QStringLiteral("TorvaneSimulator.flash"));
}

BuiltInSimulator::BuiltInSimulator(const QString &flashPath, QObject *parent)
    : BuiltInSimulator(flashPath, FlashFile::load(flashPath), parent)
{
}

BuiltInSimulator::BuiltInSimulator(const QString &flashPath, const FlashFile::Loaded &flash,
                                   QObject *parent)
    : QObject(parent), inbox_(std::make_shared<ByteInbox>()), flashPath_(flashPath),
      flashError_(flash.error), box_(flash.setup.value_or(ConverterSetup{}))
{
    watch_ = std::make_unique<HandOverWatch>(inbox_->wakeUp(), [this] { deliverPending(); });
}

BuiltInSimulator::~BuiltInSimulator() = default;

BuiltInSimulator::Sink BuiltInSimulator::sink() const
{
    return
        [inbox = inbox_](const std::uint8_t *bytes, std::size_t size) { inbox->push(bytes, size); };
}

void BuiltInSimulator::powerCycle()
{
    box_.powerCycle();
    emit changed();
}

void BuiltInSimulator::deliverPending()
{
    inbox_->acknowledgeWake();
    bool arrived = false;
    std::array<std::uint8_t, 4096> chunk;
    while (const std::size_t size = inbox_->pop(chunk.data(), chunk.size())) {
        box_.feed({chunk.data(), size});
        arrived = true;
    }
    const std::uint64_t dropped = inbox_->droppedMessages();
    if (dropped != lost_) {
        lost_ = dropped;
        arrived = true;
    }
    if (!arrived)
        return;
    keepFlash();
    emit changed();
}

void BuiltInSimulator::keepFlash()
{
    if (box_.state().flashWrites == keptFlashWrites_)
        return;
    keptFlashWrites_ = box_.state().flashWrites;
    flashError_ = FlashFile::save(flashPath_, box_.state().flash);
}

} // namespace sim
