// How the loaded KitSetup.dll makes the files it writes: a file that does not
// exist yet is created as a new one, never by truncating it, so that no file
// system is made to write a truncated file out when it is closed (ext4 under
// Wine does, and a deletion that follows waits behind that write). A work
// file left by an earlier run is still replaced. Every CreateFileA the DLL
// makes is recorded through its import table.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/ImportPatch.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace KitTest;

struct FileCreation {
    std::string path;
    DWORD disposition;
    DWORD error;  // 0 when the file was opened
};

std::vector<FileCreation> gCreations;

using CreateFileAFn = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                      HANDLE);
CreateFileAFn gRealCreateFile = nullptr;

HANDLE WINAPI RecordingCreateFile(LPCSTR path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE model) {
    const HANDLE file = gRealCreateFile(path, access, share, security, disposition, flags, model);
    const DWORD error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    gCreations.push_back({path ? path : "", disposition, error});
    ::SetLastError(error);
    return file;
}

class FileCreationByTheDll : public SetupMachine {
protected:
    void SetUp() override {
        SetupMachine::SetUp();
        gCreations.clear();
    }
};

TEST_F(FileCreationByTheDll, FreshFilesAreMadeNewAndOnlyAnExistingOneIsTruncated) {
    InstallAll();
    // A work file an interrupted earlier run left behind.
    const std::string staleWork = CppBuilderHelp("BCBOHI.new");
    WriteBytes(staleWork, "stale bytes of an interrupted run\r\n");
    ImportPatch patch(dll_.Module(), "kernel32.dll", "CreateFileA",
                      reinterpret_cast<const void*>(&RecordingCreateFile));
    ASSERT_TRUE(patch.Applied());
    gCreations.clear();
    gRealCreateFile = reinterpret_cast<CreateFileAFn>(patch.Original());

    ExpectHelpBox(dll_.Call("D7"), "Delphi 7");
    ExpectHelpBox(dll_.Call("C6"), "C++Builder 6");
    ExpectDelphi7HelpMerged();
    ExpectCppBuilder6HelpMerged();
    ExpectCppBuilder6ProjectEdited();
    EXPECT_FALSE(ReadBytes(staleWork)) << "the stale work file was replaced, then renamed away";

    int madeNew = 0;
    bool staleReplaced = false;
    for (std::size_t i = 0; i < gCreations.size(); ++i) {
        const FileCreation& creation = gCreations[i];
        if (creation.disposition == CREATE_NEW && creation.error == 0) ++madeNew;
        if (creation.disposition != CREATE_ALWAYS) continue;
        // Truncation only after the file was found to exist.
        ASSERT_GT(i, 0u) << creation.path;
        const FileCreation& before = gCreations[i - 1];
        EXPECT_EQ(before.path, creation.path);
        EXPECT_EQ(before.disposition, static_cast<DWORD>(CREATE_NEW)) << creation.path;
        EXPECT_EQ(before.error, static_cast<DWORD>(ERROR_FILE_EXISTS)) << creation.path;
        if (creation.path == staleWork) staleReplaced = true;
    }
    // Four Delphi help work files; two C++Builder ones and the project's.
    EXPECT_GE(madeNew, 4 + 1 + 1);
    EXPECT_TRUE(staleReplaced);
}

}  // namespace
