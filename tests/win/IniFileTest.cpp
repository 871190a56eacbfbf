// IniFile over the platform's profile functions, on real files.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/IniFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::IniFileError;
using KitPlatform::IniFile;
using KitTest::ReadBytes;
using KitTest::WriteBytes;

class IniFileTest : public KitTest::Sandbox {};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    WriteBytes(PathIn("DefProj.dof"),
               "[Directories]\r\nOutputDir=\r\nPackages=Vcl50;Vclx50\r\nQuoted=\"a;b\"\r\n");
    const IniFile file(PathIn("DefProj.dof"));
    EXPECT_EQ(file.ReadIniString("Directories", "Packages", "none"), "Vcl50;Vclx50");
    EXPECT_EQ(file.ReadIniString("directories", "PACKAGES", "none"), "Vcl50;Vclx50");
    EXPECT_EQ(file.ReadIniString("Directories", "OutputDir", "none"), "");
    EXPECT_EQ(file.ReadIniString("Directories", "Quoted", "none"), "a;b");
    EXPECT_EQ(file.ReadIniString("Directories", "Missing", "none"), "none");
    EXPECT_EQ(file.ReadIniString("Compiler", "Packages", "none"), "none");
    EXPECT_EQ(file.ReadIniString("Compiler", "Packages", "whole default"), "whole default");

    const IniFile missing(PathIn("missing.dof"));
    EXPECT_EQ(missing.ReadIniString("Directories", "Packages", "none"), "none");
    EXPECT_EQ(missing.ReadIniString("Directories", "Packages", ""), "");
    EXPECT_FALSE(KitTest::FileExists(PathIn("missing.dof")));
}

// The platform's profile read cuts a value at 2047 characters; this one never does.
TEST_F(IniFileTest, ReadIniStringIsNotCutAt2047) {
    std::string value;
    for (int i = 0; value.size() < 3000; ++i) value += "Pkg" + std::to_string(i) + ";";
    value.resize(3000);
    WriteBytes(PathIn("DefProj.dof"), "[Directories]\r\nPackages=" + value + "\r\nNext=1\r\n");
    const IniFile file(PathIn("DefProj.dof"));
    EXPECT_EQ(file.ReadIniString("Directories", "Packages", ""), value);
    EXPECT_NE(file.ReadIniString("Directories", "Packages", ""), value.substr(0, 2047));
    EXPECT_EQ(file.ReadIniString("Directories", "Next", ""), "1");
}

TEST_F(IniFileTest, ReadIniStringAtEveryBufferSizeItTries) {
    std::string content = "[S]\r\n";
    const std::size_t lengths[] = {2046, 2047, 2048, 4095, 4096, 8191, 70000};
    for (std::size_t length : lengths) {
        content += "k" + std::to_string(length) + "=" +
                   std::string(length - 1, static_cast<char>('a' + length % 26)) + "z\r\n";
    }
    WriteBytes(PathIn("sizes.ini"), content);
    const IniFile file(PathIn("sizes.ini"));
    for (std::size_t length : lengths) {
        const std::string value = file.ReadIniString("S", "k" + std::to_string(length), "");
        EXPECT_EQ(value.size(), length);
        EXPECT_EQ(value.back(), 'z') << length;
    }
    // A default longer than the first buffer comes back whole as well.
    const std::string longDefault(5000, 'd');
    EXPECT_EQ(file.ReadIniString("S", "missing", longDefault), longDefault);
}

TEST_F(IniFileTest, WriteIniStringCreatesFileSectionAndKey) {
    const std::string path = PathIn("DefProj.dof");
    const std::string longValue(10000, 'L');
    {
        IniFile file(path);
        file.WriteIniString("Directories", "Packages", "Vcl50;Os30Ctls50;");
        file.WriteIniString("Directories", "Long", longValue);
        file.WriteIniString("Compiler", "A", "8");
        EXPECT_EQ(file.ReadIniString("Directories", "Packages", ""), "Vcl50;Os30Ctls50;");
        EXPECT_EQ(file.ReadIniString("Directories", "Long", ""), longValue);
        file.WriteIniString("Directories", "Packages", "Vcl50;");
    }
    // Released: what was written is on the disk.
    const auto bytes = ReadBytes(path);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_NE(bytes->find("[Directories]"), std::string::npos);
    EXPECT_NE(bytes->find("Packages=Vcl50;\r\n"), std::string::npos);
    EXPECT_NE(bytes->find("Long=" + longValue + "\r\n"), std::string::npos);
    EXPECT_NE(bytes->find("[Compiler]"), std::string::npos);
    EXPECT_EQ(bytes->find("Os30Ctls50"), std::string::npos);
}

TEST_F(IniFileTest, RefusedWriteRaisesWithThePath) {
    const std::string path = PathIn("DefProj.dof");
    const std::string original = "[Directories]\r\nPackages=Vcl50\r\n";
    WriteBytes(path, original);
    KitTest::SetReadOnly(path, true);
    {
        IniFile file(path);
        try {
            file.WriteIniString("Directories", "Packages", "Vcl50;Os30Ctls50;");
            ADD_FAILURE() << "a read-only file was written";
        } catch (const IniFileError& error) {
            EXPECT_STREQ(error.what(), ("Unable to write to " + path).c_str());
        }
    }
    KitTest::SetReadOnly(path, false);
    EXPECT_EQ(ReadBytes(path), original);

    const std::string nowhere = PathIn("no-such-dir\\DefProj.dof");
    IniFile file(nowhere);
    try {
        file.WriteIniString("Directories", "Packages", "x");
        ADD_FAILURE() << "a file in a missing directory was written";
    } catch (const IniFileError& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + nowhere).c_str());
    }
}

}  // namespace
