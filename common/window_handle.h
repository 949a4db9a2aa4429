#pragma once
// A top-level window handle as the window system reports it. Free of
// windows.h, so that the player watcher and the name switch, and their
// tests, share it without the window system.
#include <cstdint>

namespace sonarel {

// Window handles are 32-bit values.
using WindowHandle = std::uint32_t;

// Found only when positive as a signed 32-bit number.
inline bool isFound(WindowHandle handle) { return static_cast<std::int32_t>(handle) > 0; }

}  // namespace sonarel
