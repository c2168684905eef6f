#include "DeviceFile.h"

#include <cerrno>
#include <poll.h>

namespace mrv {

bool deviceHungUp(int fd)
{
    // A hang-up is reported whatever was asked for, so asking for nothing never sees bytes
    // that merely wait to be read.
    pollfd p {fd, 0, 0};
    int ready = 0;
    do
        ready = ::poll(&p, 1, 0);
    while (ready < 0 && errno == EINTR);
    return ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

} // namespace mrv
