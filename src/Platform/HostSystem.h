#pragma once

// The one compile-time fact about the desktop system that the layers above the platform folders
// need: texts speak of "Mac" and its Applications folder on macOS, of this computer elsewhere.
// Both texts of each pair are compiled on every platform, so neither goes stale unnoticed.
namespace HostSystem {

#if defined(Q_OS_MACOS)
inline constexpr bool isMac = true;
#else
inline constexpr bool isMac = false;
#endif

} // namespace HostSystem
