#pragma once
// The simulated box inside the editor: the "Torvane Simulator" output of the MIDI services
// feeds it, the "Simulator" page shows it.
//
// Threads: the services call sink() on their own worker thread, with each whole message sent
// to the simulator, while holding their lock. The sink only copies the bytes into a ByteInbox
// (lock-free, no allocation) and, at most once per burst, writes its wake-up.
// The box itself, the flash file and changed() live on the thread that owns this object (the
// GUI thread): a HandOverWatch on the inbox's wake-up drains everything waiting, feeds it to
// the box in order and emits changed() once for the whole batch. So a drag or a preset
// transfer refreshes the page once per turn of the event loop, not once per message, and the
// box needs no lock because only one thread ever touches it.
//
// Lifetime: the sink keeps the inbox alive on its own, so the services may hold on to it (and
// even call it) after this object is gone; the bytes then go nowhere.
#include "midi/backend/ByteInbox.h"
#include "sim/BoxState.h"
#include "sim/FlashFile.h"
#include "sim/TorvaneBox.h"

#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class HandOverWatch;

namespace sim {

class BuiltInSimulator : public QObject
{
    Q_OBJECT

public:
    using Sink = std::function<void(const std::uint8_t *bytes, std::size_t size)>;

    // The flash file of the editor's built-in box, in the per-user data folder.
    static QString defaultFlashPath();

    // Starts from the flash kept in flashPath (factory flash when there is none yet).
    explicit BuiltInSimulator(const QString &flashPath = defaultFlashPath(),
                              QObject *parent = nullptr);
    ~BuiltInSimulator() override;

    // For SimulatedServices::setSimulatorSink.
    Sink sink() const;

    const BoxState &state() const { return box_.state(); }
    // Messages that found the inbox full and were lost before reaching the box.
    std::uint64_t lostMessages() const { return lost_; }
    // Why the flash file could not be read or written; empty when all went well.
    const QString &flashFileError() const { return flashError_; }
    const QString &flashPath() const { return flashPath_; }

    // Restarts the converter from flash; emits changed().
    void powerCycle();
    // Feeds the box everything waiting in the inbox now and emits changed() once if anything
    // arrived. The event loop does this on each wake-up; tests may call it directly.
    void deliverPending();

signals:
    void changed();

private:
    BuiltInSimulator(const QString &flashPath, const FlashFile::Loaded &flash, QObject *parent);
    void keepFlash();

    std::shared_ptr<ByteInbox> inbox_;
    std::unique_ptr<HandOverWatch> watch_;
    QString flashPath_;
    QString flashError_;
    TorvaneBox box_;
    std::uint64_t keptFlashWrites_ = 0;
    std::uint64_t lost_ = 0;
};

} // namespace sim
