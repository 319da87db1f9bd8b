#include "sim/Rejection.h"

namespace sim {

std::string_view reasonText(RejectReason reason)
{
    switch (reason) {
    case RejectReason::OtherHeader:
        return "other header";
    case RejectReason::WrongLength:
        return "wrong length";
    case RejectReason::OtherChannel:
        return "other channel";
    case RejectReason::UnknownParameter:
        return "unknown parameter";
    case RejectReason::WrongFlashValue:
        return "write-to-flash value other than 123";
    case RejectReason::ValueNibbleTooLarge:
        return "value nibble above 0x0F";
    case RejectReason::HighByteInMessage:
        return "byte of 0x80 or more inside the message";
    case RejectReason::KesselInputOutOfRange:
        return "Kessel input above 7";
    case RejectReason::NotUsedByTheBox:
        return "message the box does not use";
    case RejectReason::CutShort:
        return "message cut short";
    case RejectReason::DataWithoutStatus:
        return "data byte without a status byte";
    case RejectReason::EndWithoutStart:
        return "end of exclusive without a start";
    }
    return "unknown reason";
}

} // namespace sim
