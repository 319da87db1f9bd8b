#pragma once
// The simulated converter's flash memory on disk, so that it survives a restart of whatever
// runs the simulator. 38 bytes:
//   "TVSF"  magic
//   0x01    format version
//   channel 0..15
//   32 bytes, the controller of outputs 1..32 (0..127, 0xFF none, other values as received)
// Written atomically (a temporary file renamed over the old one), so a crash mid-write leaves
// the previous flash, as a real box keeps its old flash when power fails during a write.
#include "sim/BoxState.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace sim {

class FlashFile
{
public:
    static constexpr qsizetype Size = 38;

    // fileName in the per-user data folder (QStandardPaths::AppDataLocation).
    static QString defaultPath(const QString &fileName);

    static QByteArray encode(const ConverterSetup &setup);
    // Empty when the bytes are not a flash image of this format.
    static std::optional<ConverterSetup> decode(const QByteArray &bytes);

    struct Loaded
    {
        std::optional<ConverterSetup> setup; // empty: no flash kept yet, or unreadable
        QString error;                       // why a file that exists could not be used
    };
    // A missing file is a box that was never written: no set-up and no error.
    static Loaded load(const QString &path);

    // Creates the folder when needed. Returns an empty string, or what went wrong.
    static QString save(const QString &path, const ConverterSetup &setup);
};

} // namespace sim
