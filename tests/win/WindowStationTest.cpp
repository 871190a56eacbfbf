// The window station query the information box depends on: visible for the
// interactive station, hidden for one nobody can see, unknown when the flags
// cannot be read.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/UniqueHandle.h"
#include "platform/WindowStation.h"
#include "tests/support/WindowStations.h"

namespace {

using KitPlatform::ProcessWindowStationVisibility;
using KitPlatform::VisibilityOf;
using KitPlatform::WindowStationVisibility;
using KitTest::HiddenWindowStation;
using KitTest::ProcessWindowStationSwitch;

TEST(WindowStation, TheInteractiveStationIsVisible) {
    EXPECT_EQ(ProcessWindowStationVisibility(), WindowStationVisibility::Visible);
    EXPECT_EQ(VisibilityOf(GetProcessWindowStation()), WindowStationVisibility::Visible);
}

TEST(WindowStation, ANewStationIsHiddenAndTheProcessSeesItOnlyWhileInIt) {
    const HWINSTA original = GetProcessWindowStation();
    HiddenWindowStation hidden;
    EXPECT_EQ(VisibilityOf(hidden.Handle()), WindowStationVisibility::Hidden);
    EXPECT_EQ(ProcessWindowStationVisibility(), WindowStationVisibility::Visible);
    {
        ProcessWindowStationSwitch inside(hidden.Handle());
        EXPECT_EQ(GetProcessWindowStation(), hidden.Handle());
        EXPECT_EQ(ProcessWindowStationVisibility(), WindowStationVisibility::Hidden);
        // Asking twice neither closes nor changes the process's station.
        EXPECT_EQ(ProcessWindowStationVisibility(), WindowStationVisibility::Hidden);
        EXPECT_EQ(GetProcessWindowStation(), hidden.Handle());
    }
    EXPECT_EQ(GetProcessWindowStation(), original);
    EXPECT_EQ(ProcessWindowStationVisibility(), WindowStationVisibility::Visible);
}

TEST(WindowStation, FlagsThatCannotBeReadAreUnknownNotHidden) {
    EXPECT_EQ(VisibilityOf(nullptr), WindowStationVisibility::Unknown);

    // A handle of another kind of object.
    KitPlatform::UniqueKernelObject event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    EXPECT_EQ(VisibilityOf(static_cast<HWINSTA>(event.get())), WindowStationVisibility::Unknown);
}

}  // namespace
