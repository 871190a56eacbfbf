// Whether anyone can see the windows of a window station. Setup programs run
// by a deployment service, a scheduled task or a remote shell live in a
// window station that is not visible: a box shown there waits for a click
// that never comes.
#pragma once

#include <windows.h>

namespace KitPlatform {

enum class WindowStationVisibility {
    Visible,   // WSF_VISIBLE is set: the interactive station
    Hidden,    // the flags were read and WSF_VISIBLE is not among them
    Unknown,   // the flags could not be read
};

// The visibility of the given window station; the handle stays the caller's.
WindowStationVisibility VisibilityOf(HWINSTA station) noexcept;

// The visibility of the calling process's window station.
WindowStationVisibility ProcessWindowStationVisibility() noexcept;

}  // namespace KitPlatform
