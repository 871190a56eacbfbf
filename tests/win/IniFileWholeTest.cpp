// ReadIniString around the size of its first buffer (64 KiB): a value
// that fills it exactly, or just misses or passes it, comes back whole.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/IniFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::IniFile;
using KitTest::WriteBytes;

class IniFileWhole : public KitTest::Sandbox {};

TEST_F(IniFileWhole, ValuesAroundTheFirstBufferComeBackWhole) {
    constexpr std::size_t kFirstBuffer = 64 * 1024;
    const std::size_t lengths[] = {kFirstBuffer - 2, kFirstBuffer - 1, kFirstBuffer,
                                   kFirstBuffer + 1, 2 * kFirstBuffer - 1};
    std::string content = "[Directories]\r\n";
    for (std::size_t length : lengths) {
        // Each value ends in a mark of its own, so a cut one shows.
        content += "k" + std::to_string(length) + "=" +
                   std::string(length - 1, static_cast<char>('a' + length % 26)) + "Z\r\n";
    }
    content += "Packages=Vcl70;Rtl70;\r\n";
    WriteBytes(PathIn("DefProj.dof"), content);

    const IniFile file(PathIn("DefProj.dof"));
    for (std::size_t length : lengths) {
        const std::string value =
            file.ReadIniString("Directories", "k" + std::to_string(length), "");
        EXPECT_EQ(value.size(), length);
        EXPECT_EQ(value.back(), 'Z') << length;
    }
    EXPECT_EQ(file.ReadIniString("Directories", "Packages", ""), "Vcl70;Rtl70;");
}

}  // namespace
