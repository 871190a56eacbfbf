// Requests as a careless or hostile setup program might pass them, on a
// machine where the suite and both IDEs are installed. A request that names
// no IDE and version changes nothing at all; a long request that does is an
// ordinary full-edition request.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace KitTest;

class FaultRequest : public SetupMachine {};

TEST_F(FaultRequest, ACompleteMachineIsRegisteredAsExpected) {
    // The reference the fault cases are measured against.
    InstallAll();
    const MachineState before = Capture();

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectDelphi7Registered();
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();

    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");
    ExpectCppBuilder6Registered();
    ExpectCppBuilder6HelpMerged();
    ExpectCppBuilder6ProjectEdited();
    ExpectMachineKeysUnchanged(before);
}

TEST_F(FaultRequest, RequestsNamingNoIdeAndVersionChangeNothing) {
    InstallAll();
    const MachineState before = Capture();

    const std::string longWithoutDigit = "D" + std::string(1 << 20, 'x');
    const std::string longWithoutKind(1 << 20, '7');
    const char* requests[] = {"",   "D",  "C",  "7",       "DX",   "D-", "D\x7f",
                              "Dx7", " 7", "\xff\xfe", "\t\n", longWithoutDigit.c_str()};
    for (const char* request : requests) {
        SCOPED_TRACE(std::string(request).substr(0, 6));
        ExpectNoBox(dll_.Call(request));
    }
    // "77..." is C++Builder 7, which is not installed: nothing either.
    ExpectNoBox(dll_.Call(longWithoutKind));
    ExpectNoBox(dll_.Call(nullptr));
    ExpectNoBox(dll_.CallWithBlock(nullptr));
    ExpectUnchanged(before);
}

TEST_F(FaultRequest, AVeryLongRequestIsAFullEditionRequest) {
    InstallAll();
    const MachineState before = Capture();

    ExpectHelpBox(dll_.Call("D7" + std::string(1 << 20, 'T')), "Delphi 7");
    ExpectDelphi7Registered();
    ExpectDelphi7HelpMerged();
    ExpectDelphi7ProjectEdited();

    ExpectHelpBox(dll_.Call("C6" + std::string(100000, '\xff')), "C++Builder 6");
    ExpectCppBuilder6Registered();
    ExpectMachineKeysUnchanged(before);
}

TEST_F(FaultRequest, RepeatedBadRequestsBetweenGoodOnesLeaveNoTrace) {
    // Process-wide state from a bad call must not reach the next good one.
    InstallAll();
    ExpectNoBox(dll_.Call("D"));
    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectNoBox(dll_.Call(""));
    ExpectNoBox(dll_.Call("D9"));
    ExpectDelphi7Registered();
    ExpectDelphi7ProjectEdited();
}

}  // namespace
