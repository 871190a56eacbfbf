// kitsetup.exe as a setup author runs it: started as a separate process, its
// exit status and output checked, against the shipped KitSetup.dll and against
// stand-in DLLs that each break the contract in one way.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/support/BuildPrefix.h"
#include "tests/support/Sandbox.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"
#include "tests/support/WindowStations.h"

namespace {

using namespace KitTest;

using UniqueProcessHandle = KitPlatform::UniqueKernelObject;

constexpr DWORD kHostTimeoutMs = 60000;

std::string BinDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// The printed text with the console's CR LF turned into LF. A CR from a box
// is printed as the two characters \r, so no real one is lost.
std::string WithoutCarriageReturns(std::string text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

struct HostRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

class Host : public Sandbox {
protected:
    void TearDown() override {
        if (realRoots_) {
            ResetMachine();
            realRoots_.reset();
        }
        Sandbox::TearDown();
    }

    // kitsetup.exe runs the shipped DLL in a process of its own, which sees
    // the real registry roots, not this process's scratch keys: the case
    // lays its machine there, which is allowed only in the build's own Wine
    // prefix. Returns false (the case is skipped) anywhere else.
    bool UseTheRealRegistry() {
        const std::string outside = OutsideBuildPrefixReason();
        if (!outside.empty()) {
            ADD_FAILURE() << "refused: " << outside;
            return false;
        }
        ScratchRegistry* scratch = ScratchRegistry::Current();
        if (!scratch) {
            ADD_FAILURE() << "the registry roots of this process are not redirected";
            return false;
        }
        realRoots_.emplace(*scratch);
        ResetMachine();
        return true;
    }

    const std::string kDelphi7Key = "SOFTWARE\\Borland\\Delphi\\7.0";

    // The suite and Delphi 7 on the real roots (a "Version" only when given),
    // with the IDE's help files as it left them.
    void LayDelphi7(const char* version) {
        SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", PathIn("Suite\\"));
        SetString(HKEY_LOCAL_MACHINE, kDelphi7Key, "RootDir", PathIn("Delphi7"));
        if (version) SetString(HKEY_LOCAL_MACHINE, kDelphi7Key, "Version", version);
        MakeDirectories(PathIn("Delphi7\\Help"));
        LayDelphi7HelpFiles();
    }

    void LayDelphi7HelpFiles() {
        for (const char* name : {"D7.cnt", "D7.ohc", "D7.ohi", "D7.ohl"}) {
            WriteBytes(PathIn(std::string("Delphi7\\Help\\") + name), ":Link Other.hlp\r\n");
        }
    }

    // desktop: "station\\desktop" to start it in, or empty for this process's own.
    HostRun RunKitsetup(const std::string& arguments, std::string desktop = "") {
        HostRun run;
        const std::string outPath = PathIn("stdout.txt");
        const std::string errPath = PathIn("stderr.txt");
        {
            SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
            KitPlatform::UniqueFileHandle out(CreateFileA(outPath.c_str(), GENERIC_WRITE,
                                                          FILE_SHARE_READ, &inheritable,
                                                          CREATE_ALWAYS, 0, nullptr));
            KitPlatform::UniqueFileHandle err(CreateFileA(errPath.c_str(), GENERIC_WRITE,
                                                          FILE_SHARE_READ, &inheritable,
                                                          CREATE_ALWAYS, 0, nullptr));
            if (!out || !err) {
                ADD_FAILURE() << "cannot create the output files";
                return run;
            }
            STARTUPINFOA startup{};
            startup.cb = sizeof startup;
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            startup.hStdOutput = out.get();
            startup.hStdError = err.get();
            if (!desktop.empty()) startup.lpDesktop = &desktop[0];
            std::string command = "\"" + BinDirectory() + "kitsetup.exe\" " + arguments;
            PROCESS_INFORMATION info{};
            // The child inherits this: should it crash before its own handler
            // is in place, no debugger starts and holds the test up.
            const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
            const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0,
                                                nullptr, nullptr, &startup, &info);
            SetErrorMode(oldMode);
            if (!started) {
                ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
                return run;
            }
            UniqueProcessHandle process(info.hProcess);
            UniqueProcessHandle thread(info.hThread);
            if (WaitForSingleObject(process.get(), kHostTimeoutMs) != WAIT_OBJECT_0) {
                TerminateProcess(process.get(), 0xDEAD);
                WaitForSingleObject(process.get(), INFINITE);
                ADD_FAILURE() << "kitsetup " << arguments << " did not end";
            }
            GetExitCodeProcess(process.get(), &run.exitCode);
        }
        run.out = WithoutCarriageReturns(ReadBytes(outPath).value_or(""));
        run.err = WithoutCarriageReturns(ReadBytes(errPath).value_or(""));
        return run;
    }

    static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }
    static std::string TestDll(const char* name) { return Quoted(BinDirectory() + name); }

private:
    std::optional<ScratchRegistry::RealRootsScope> realRoots_;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(Host, UsageErrorsExitWithTwoAndLoadNothing) {
    for (const char* arguments : {"", "--acknowledge", "--frobnicate D7", "--dll", "--dll=",
                                  "--acknowledge --dll"}) {
        SCOPED_TRACE(arguments);
        const HostRun run = RunKitsetup(arguments);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_TRUE(Contains(run.err, "usage: kitsetup")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const HostRun help = RunKitsetup("--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(Contains(help.out, "usage: kitsetup")) << help.out;
    EXPECT_EQ(help.err, "");
}

TEST_F(Host, ADllThatCannotBeLoadedExitsWithThree) {
    const std::string missing = PathIn("Missing\\KitSetup.dll");
    HostRun run = RunKitsetup("--dll " + Quoted(missing) + " D7");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_TRUE(Contains(run.err, "cannot load " + missing)) << run.err;
    EXPECT_FALSE(Contains(run.out, "request")) << run.out;

    const std::string notADll = PathIn("NotADll.dll");
    WriteBytes(notADll, "this is text, not a program\r\n");
    run = RunKitsetup("--acknowledge --dll " + Quoted(notADll) + " D7");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_TRUE(Contains(run.err, "cannot load " + notADll)) << run.err;
    EXPECT_FALSE(Contains(run.out, "request")) << run.out;
}

TEST_F(Host, ADllWithoutIdeInstallExitsWithFour) {
    const HostRun run = RunKitsetup("--acknowledge --dll " + TestDll("HostNoExport.dll") + " D7");
    EXPECT_EQ(run.exitCode, 4u);
    EXPECT_TRUE(Contains(run.err, "HostNoExport.dll has no export named IDEInstall")) << run.err;
    EXPECT_FALSE(Contains(run.out, "request")) << run.out;
}

TEST_F(Host, ADllWhoseOrdinalOneIsAnotherFunctionExitsWithFive) {
    const HostRun run =
        RunKitsetup("--acknowledge --dll " + TestDll("HostSwappedOrdinal.dll") + " D7");
    EXPECT_EQ(run.exitCode, 5u);
    EXPECT_TRUE(Contains(run.err, "ordinal 1 is another function")) << run.err;
    EXPECT_FALSE(Contains(run.out, "request")) << run.out;
}

TEST_F(Host, AcknowledgeClosesEachBoxAndPrintsItWithTheCarriageReturnVisible) {
    const HostRun run =
        RunKitsetup("--acknowledge --dll " + TestDll("HostProbe.dll") + " D7 C6T 2X _Q");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    // The probe echoes the request it found at offset 40 of the block.
    const std::string expected =
        "request \"D7\": IDEInstall returned 0\n"
        "  box caption: Probe box\n"
        "  box text:    Request D7\\rsecond line\n"
        "request \"C6T\": IDEInstall returned 0\n"
        "  box caption: Probe box\n"
        "  box text:    Request C6T\\rsecond line\n"
        "request \"2X\": IDEInstall returned 0\n"
        "  box caption: Probe box 1 of 2\n"
        "  box text:    first\n"
        "  box caption: Probe box 2 of 2\n"
        "  box text:    second\n"
        "request \"_Q\": IDEInstall returned 0\n"
        "  no box\n";
    const std::size_t start = run.out.find("request ");
    ASSERT_NE(start, std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(start), expected);
    EXPECT_TRUE(Contains(run.out.substr(0, start), "HostProbe.dll, IDEInstall at ordinal 1"))
        << run.out;
}

TEST_F(Host, AResultOtherThanZeroExitsWithOneAfterEveryRequestRan) {
    const HostRun run =
        RunKitsetup("--acknowledge --dll " + TestDll("HostProbe.dll") + " !A -- _B");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Contains(run.out, "request \"!A\": IDEInstall returned 5\n  no box\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "request \"_B\": IDEInstall returned 0\n  no box\n")) << run.out;
    EXPECT_TRUE(Contains(run.err, "IDEInstall returned 5 for \"!A\"")) << run.err;
}

TEST_F(Host, ACrashInTheCallEndsWithTheExceptionCodeAndAMessage) {
    const HostRun run =
        RunKitsetup("--acknowledge --dll " + TestDll("HostProbe.dll") + " _A *B _C");
    EXPECT_EQ(run.exitCode, 0xE0001234u);
    EXPECT_TRUE(Contains(run.err, "the call crashed with exception 0xE0001234")) << run.err;
    // What ran before the crash was printed; nothing ran after it.
    EXPECT_TRUE(Contains(run.out, "request \"_A\": IDEInstall returned 0\n  no box\n")) << run.out;
    EXPECT_FALSE(Contains(run.out, "\"_C\"")) << run.out;
}

TEST_F(Host, LoadsKitSetupBesideItselfByDefault) {
    if (!UseTheRealRegistry()) return;
    // No suite key: the shipped DLL returns 0 and shows nothing.
    const HostRun run = RunKitsetup("--acknowledge D7");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Contains(run.out, BinDirectory() + "KitSetup.dll, IDEInstall at ordinal 1"))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "request \"D7\": IDEInstall returned 0\n  no box\n")) << run.out;
}

TEST_F(Host, InAHiddenWindowStationItSaysWhyNoBoxWasShownAndEndsWithoutOne) {
    if (!UseTheRealRegistry()) return;
    LayDelphi7("PRO");
    const std::string reason =
        "  no box: this window station is not visible (service, scheduled task or remote "
        "shell), so no information box is shown or waited for\n";

    HiddenWindowStation hidden;
    // Without --acknowledge nothing would close a box: a run that shows one
    // ends only when the host's timeout ends it, and fails.
    for (const char* arguments : {"D7", "--acknowledge D7"}) {
        SCOPED_TRACE(arguments);
        // Each run finds the help files as the IDE left them.
        LayDelphi7HelpFiles();
        const HostRun run = RunKitsetup(arguments, hidden.DesktopPath());
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_TRUE(Contains(run.out, "request \"D7\": IDEInstall returned 0\n" + reason))
            << run.out;
        EXPECT_FALSE(Contains(run.out, "box caption")) << run.out;
        EXPECT_EQ(ReadBytes(PathIn("Delphi7\\Help\\D7.ohl")).value_or(""),
                  ":Link Other.hlp\r\n:Link OC3Help.hlp\r\n\r\n");
    }
    // The same run in this process's visible station gets the box.
    LayDelphi7HelpFiles();
    const HostRun visible = RunKitsetup("--acknowledge D7");
    EXPECT_EQ(visible.exitCode, 0u) << visible.err;
    EXPECT_FALSE(Contains(visible.out, "no box")) << visible.out;
    EXPECT_TRUE(Contains(visible.out, "  box caption: Ostrel Components Help Registration\n"))
        << visible.out;
}

TEST_F(Host, TheShippedDllsBoxIsReadAndClosedAfterTheHelpMerge) {
    if (!UseTheRealRegistry()) return;
    LayDelphi7("PRO");

    const HostRun run = RunKitsetup("--acknowledge D7");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Contains(run.out,
                         "request \"D7\": IDEInstall returned 0\n"
                         "  box caption: Ostrel Components Help Registration\n"
                         "  box text:    The help files for Ostrel Components have been "
                         "merged\\rinto the Delphi 7 help system.\n"))
        << run.out;
    EXPECT_EQ(ReadBytes(PathIn("Delphi7\\Help\\D7.ohl")).value_or(""),
              ":Link Other.hlp\r\n:Link OC3Help.hlp\r\n\r\n");
}

// ---- --uninstall ------------------------------------------------------------

TEST_F(Host, UninstallCallsIdeUninstallAtOrdinalTwoAndTakesTheMergedLinesOutAgain) {
    if (!UseTheRealRegistry()) return;
    LayDelphi7(nullptr);
    ASSERT_EQ(RunKitsetup("--acknowledge D7").exitCode, 0u);

    const HostRun run = RunKitsetup("--acknowledge --uninstall D7");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Contains(run.out, BinDirectory() + "KitSetup.dll, IDEUninstall at ordinal 2"))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "request \"D7\": IDEUninstall returned 0\n  no box\n")) << run.out;
    EXPECT_EQ(ReadBytes(PathIn("Delphi7\\Help\\D7.ohl")).value_or(""), ":Link Other.hlp\r\n");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDelphi7Key + "\\Library", "Search Path"), "");
}

TEST_F(Host, UninstallRefusesADllWithoutIdeUninstallAtOrdinalTwo) {
    HostRun run = RunKitsetup("--uninstall --dll " + TestDll("HostProbe.dll") + " D7");
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_TRUE(Contains(run.err, "HostProbe.dll has no export named IDEUninstall")) << run.err;
    EXPECT_FALSE(Contains(run.out, "request")) << run.out;

    run = RunKitsetup("--uninstall --dll " + TestDll("HostSwappedOrdinal.dll") + " D7");
    EXPECT_EQ(run.exitCode, 8u);
    EXPECT_TRUE(Contains(run.err, "ordinal 2 is another function")) << run.err;
    EXPECT_FALSE(Contains(run.out, "request")) << run.out;
}

}  // namespace
