// The export as a setup program calls it: whatever the request, it returns
// 0, pops its argument, lets nothing escape and touches nothing it should not.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestRegistry.h"

namespace {

using namespace KitTest;

const std::string kDelphi7 = "SOFTWARE\\Borland\\Delphi\\7.0";

class Entry : public Sandbox {
protected:
    void InstallSuiteAndDelphi7() {
        SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", "D:\\Suite\\");
        SetString(HKEY_LOCAL_MACHINE, kDelphi7, "RootDir", Dir() + "\\Delphi7");
        SetString(HKEY_LOCAL_MACHINE, kDelphi7, "Version", "PRO");
    }
    void ExpectQuietZero(const CallOutcome& outcome) {
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.stackDelta, 0);
        EXPECT_TRUE(outcome.boxes.empty());
        EXPECT_EQ(outcome.messageBoxCalls, 0);
    }
    KitSetupDll dll_;
};

TEST_F(Entry, RequestsWithoutAnIdeAndVersionDoNothing) {
    InstallSuiteAndDelphi7();
    const std::string veryLong(1 << 20, 'D');
    for (const char* request : {"", "D", "DX", "D ", "C-", "\xff\xfe", veryLong.c_str()}) {
        SCOPED_TRACE(std::string(request).substr(0, 8));
        ExpectQuietZero(dll_.Call(request));
    }
    ExpectQuietZero(dll_.Call(nullptr));
    ExpectQuietZero(dll_.CallWithBlock(nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDelphi7));
}

TEST_F(Entry, NothingIsTouchedWithoutTheSuiteKey) {
    SetString(HKEY_LOCAL_MACHINE, kDelphi7, "RootDir", Dir() + "\\Delphi7");
    ExpectQuietZero(dll_.Call("D7"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDelphi7));
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", "");
    ExpectQuietZero(dll_.Call("D7"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDelphi7));
}

TEST_F(Entry, AnIdeThatIsNotInstalledIsSkipped) {
    InstallSuiteAndDelphi7();
    for (const char* request : {"D6", "C6", "d7", "C6T", "D9"}) {
        SCOPED_TRACE(request);
        ExpectQuietZero(dll_.Call(request));
    }
    EXPECT_TRUE(SubkeyNames(HKEY_CURRENT_USER, kBorlandKey).empty());
}

TEST_F(Entry, OnlyTheRequestTextIsReadFromTheBlock) {
    InstallSuiteAndDelphi7();
    // The block ends right after the request pointer, at the end of a
    // committed page followed by one that is not: reading a byte past offset
    // 43 would fault.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    auto* pages = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(VirtualAlloc(pages, info.dwPageSize, MEM_COMMIT, PAGE_READWRITE), nullptr);
    unsigned char* block = pages + info.dwPageSize - 44;
    const char* request = "D6";
    std::memcpy(block + 40, &request, sizeof request);
    const CallOutcome outcome = dll_.CallWithBlock(block);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.stackDelta, 0);
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(Entry, TheBlockIsNeverWritten) {
    InstallSuiteAndDelphi7();
    unsigned char block[64];
    std::memset(block, 0x5A, sizeof block);
    const char* request = "D7";
    std::memcpy(block + 40, &request, sizeof request);
    unsigned char before[64];
    std::memcpy(before, block, sizeof block);
    dll_.CallWithBlock(block);
    EXPECT_EQ(std::memcmp(before, block, sizeof block), 0);
}

}  // namespace
