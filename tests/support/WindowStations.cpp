#include "tests/support/WindowStations.h"

#include <atomic>
#include <stdexcept>

namespace KitTest {

namespace {

std::string UniqueStationName() {
    static std::atomic<unsigned> counter{0};
    return "KitSetupHidden-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

std::string Failure(const char* what) {
    return std::string(what) + " failed with error " + std::to_string(GetLastError());
}

}  // namespace

ProcessWindowStationSwitch::ProcessWindowStationSwitch(HWINSTA station)
    : original_(GetProcessWindowStation()) {
    if (!original_) throw std::runtime_error(Failure("GetProcessWindowStation"));
    if (!SetProcessWindowStation(station)) {
        throw std::runtime_error(Failure("SetProcessWindowStation"));
    }
}

ProcessWindowStationSwitch::~ProcessWindowStationSwitch() {
    SetProcessWindowStation(original_);
}

HiddenWindowStation::HiddenWindowStation() : name_(UniqueStationName()) {
    station_.reset(CreateWindowStationA(name_.c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
    if (!station_) throw std::runtime_error(Failure("CreateWindowStationA"));
    // A desktop belongs to the window station of the process that creates it.
    ProcessWindowStationSwitch inside(station_.get());
    desktop_.reset(CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    if (!desktop_) throw std::runtime_error(Failure("CreateDesktopA"));
}

}  // namespace KitTest
