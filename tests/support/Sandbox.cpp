#include "tests/support/Sandbox.h"

#include <windows.h>

#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace KitTest {

void ResetMachine() {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kOstrelKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kBorlandKey);
    DeleteKeyTree(HKEY_CURRENT_USER, kBorlandKey);
}

void Sandbox::SetUp() {
    ResetMachine();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?') c = '_';
    }
    dir_ = "C:\\kitsetup-tests\\" + name;
    RemoveDirectoryTree(dir_);
    MakeDirectories(dir_);
}

void Sandbox::TearDown() {
    ResetMachine();
    RemoveDirectoryTree(dir_);
}

}  // namespace KitTest
