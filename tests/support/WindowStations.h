// Window stations nobody can see, as a deployment service, a scheduled task
// or a remote shell runs in, made by the test itself.
#pragma once

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace KitTest {

struct WindowStationTraits {
    using Handle = HWINSTA;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::CloseWindowStation(h); }
};
struct DesktopTraits {
    using Handle = HDESK;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::CloseDesktop(h); }
};
using UniqueWindowStation = KitPlatform::UniqueHandle<WindowStationTraits>;
using UniqueDesktop = KitPlatform::UniqueHandle<DesktopTraits>;

// Makes a window station the process's own for its lifetime and puts the
// one before back on every path out. Throws when the switch is refused.
class ProcessWindowStationSwitch {
public:
    explicit ProcessWindowStationSwitch(HWINSTA station);
    ~ProcessWindowStationSwitch();
    ProcessWindowStationSwitch(const ProcessWindowStationSwitch&) = delete;
    ProcessWindowStationSwitch& operator=(const ProcessWindowStationSwitch&) = delete;

private:
    HWINSTA original_;  // lent by the system: never closed
};

// A new window station, not visible (its flags lack WSF_VISIBLE), with one
// desktop "Default" in which child processes can be started. Throws when it
// cannot be made.
class HiddenWindowStation {
public:
    HiddenWindowStation();

    HWINSTA Handle() const { return station_.get(); }
    // "station\Default", for STARTUPINFOA::lpDesktop.
    std::string DesktopPath() const { return name_ + "\\Default"; }

private:
    std::string name_;
    UniqueWindowStation station_;
    UniqueDesktop desktop_;  // declared last: closed before its station
};

}  // namespace KitTest
