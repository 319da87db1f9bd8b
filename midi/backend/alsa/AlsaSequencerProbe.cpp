#include "midi/backend/alsa/AlsaSequencerProbe.h"

#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>
#endif

bool alsaSequencerOpens()
{
#if defined(__linux__)
    const int fd = ::open("/dev/snd/seq", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
#else
    return false;
#endif
}
