// Every test that touches the registry or files starts and ends with the
// suite's and the IDEs' keys gone and an empty directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace KitTest {

inline const std::string kProductKey = "SOFTWARE\\Ostrel\\Ostrel Components\\3.0";
inline const std::string kOstrelKey = "SOFTWARE\\Ostrel";
inline const std::string kBorlandKey = "SOFTWARE\\Borland";

// Wipes HKEY_LOCAL_MACHINE\SOFTWARE\Ostrel, ...\Borland and
// HKEY_CURRENT_USER\SOFTWARE\Borland.
void ResetMachine();

class Sandbox : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // C:\kitsetup-tests\<suite>.<test>, created empty.
    const std::string& Dir() const { return dir_; }
    std::string PathIn(const std::string& relative) const { return dir_ + "\\" + relative; }

private:
    std::string dir_;
};

}  // namespace KitTest
