#pragma once
// Reading a file the user names (in the open dialog, by a drop, on the command line) without
// trusting what the name stands for: a FIFO or a device would block the reader or never end,
// and a huge file would take its size in memory. Only a regular file is opened, and never more
// of it is read than its kind can hold.
#include <QByteArray>
#include <QString>

namespace input_file {

// A converter transfer is 33 messages of 8 bytes; a SysEx file many thousand times that is no
// converter file, and splitting it would take many times its size in memory.
constexpr qint64 SysexLimit = 1024 * 1024;

enum class Beyond {
    Unread,  // bytes past the limit are not read (a preset or bank file: its own size)
    Refused, // a file larger than the limit is refused whole (a SysEx file)
};

enum class Fault { None, Unreadable, TooLarge };

struct Contents
{
    QByteArray bytes;
    Fault fault = Fault::None;
    QString error; // why nothing was read: a sentence, or the system's reason
};

Contents Read(const QString &path, qint64 limit, Beyond beyond);

} // namespace input_file
