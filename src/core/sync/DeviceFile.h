#pragma once

namespace mrv {

// True when the device open as `fd` has hung up: the adapter was pulled, or the other end of a
// pseudo-terminal closed. Such a descriptor never works again; the device must be opened anew.
bool deviceHungUp(int fd);

} // namespace mrv
