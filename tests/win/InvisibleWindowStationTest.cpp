// Setup run where nobody can see it (a deployment service, a scheduled task,
// a remote shell): the calling process's window station is not visible. The
// call does all its work and returns without a box; in the process's own,
// visible station the same requests still show it.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/SetupMachine.h"
#include "tests/support/WindowStations.h"

namespace {

using namespace KitTest;

struct StationRun {
    std::vector<CallOutcome> outcomes;  // one for each request, in order
    MachineState after;
};

// The first key whose value differs between two captures, or "".
template <typename Map>
std::string FirstDifference(const Map& left, const Map& right) {
    for (const auto& [key, value] : left) {
        const auto other = right.find(key);
        if (other == right.end() || other->second != value) return key;
    }
    for (const auto& [key, value] : right) {
        if (!left.count(key)) return key;
    }
    return "";
}

class InvisibleWindowStation : public SetupMachine {
protected:
    // Delphi 7 and C++Builder 6 installed; Delphi 5 is not.
    const std::vector<std::string> kRequests = {"D7", "C6", "D5"};

    StationRun RunInOwnStation() {
        StationRun run;
        for (const std::string& request : kRequests) run.outcomes.push_back(dll_.Call(request));
        run.after = Capture();
        return run;
    }

    // The box watcher cannot reach a window of another station, so a box
    // shown there by mistake is recorded and answered without being shown.
    StationRun RunInHiddenStation() {
        const HWINSTA own = GetProcessWindowStation();
        StationRun run;
        {
            HiddenWindowStation hidden;
            ProcessWindowStationSwitch inside(hidden.Handle());
            BoxesAnsweredUnshown unshown;
            for (const std::string& request : kRequests) {
                run.outcomes.push_back(dll_.Call(request));
            }
        }
        EXPECT_EQ(GetProcessWindowStation(), own) << "the test left its station switched";
        run.after = Capture();
        return run;
    }

    // The sandbox and keys wiped and laid again, as for a new test.
    void LayFreshMachine() {
        TearDown();
        SetUp();
        InstallAll();
    }
};

TEST_F(InvisibleWindowStation, TheSameRequestsDoTheSameWorkButOnlyAVisibleStationGetsTheBox) {
    InstallAll();
    const MachineState before = Capture();
    const StationRun visible = RunInOwnStation();
    ASSERT_EQ(visible.outcomes.size(), kRequests.size());
    ExpectHelpBox(visible.outcomes[0], "Delphi 7");
    ExpectHelpBox(visible.outcomes[1], "C++Builder 6");
    ExpectNoBox(visible.outcomes[2]);

    LayFreshMachine();
    const StationRun hidden = RunInHiddenStation();
    ASSERT_EQ(hidden.outcomes.size(), kRequests.size());
    for (std::size_t i = 0; i < kRequests.size(); ++i) {
        SCOPED_TRACE(kRequests[i]);
        ExpectNoBox(hidden.outcomes[i]);
    }
    ExpectDelphi7HelpMerged();
    ExpectDelphi7Registered();
    ExpectDelphi7ProjectEdited();
    ExpectCppBuilder6HelpMerged();
    ExpectCppBuilder6Registered();
    ExpectCppBuilder6ProjectEdited();
    ExpectMachineKeysUnchanged(before);

    // Everything but the box is the same, byte for byte.
    EXPECT_EQ(FirstDifference(visible.after.files, hidden.after.files), "");
    EXPECT_EQ(FirstDifference(visible.after.userKeys, hidden.after.userKeys), "");
    EXPECT_EQ(FirstDifference(visible.after.machineKeys, hidden.after.machineKeys), "");
}

TEST_F(InvisibleWindowStation, BackInItsOwnStationTheProcessGetsTheBoxAgain) {
    InstallDelphi7();
    InstallSuite();
    const StationRun hidden = RunInHiddenStation();
    ExpectNoBox(hidden.outcomes[0]);
    ExpectDelphi7HelpMerged();

    LayFreshMachine();
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7HelpMerged();
}

}  // namespace
