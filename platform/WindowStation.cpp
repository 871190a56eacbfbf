#include "platform/WindowStation.h"

namespace KitPlatform {

WindowStationVisibility VisibilityOf(HWINSTA station) noexcept {
    if (!station) return WindowStationVisibility::Unknown;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return WindowStationVisibility::Unknown;
    }
    return (flags.dwFlags & WSF_VISIBLE) ? WindowStationVisibility::Visible
                                         : WindowStationVisibility::Hidden;
}

WindowStationVisibility ProcessWindowStationVisibility() noexcept {
    // The process's own station handle is only lent: closing it is an error.
    return VisibilityOf(::GetProcessWindowStation());
}

}  // namespace KitPlatform
