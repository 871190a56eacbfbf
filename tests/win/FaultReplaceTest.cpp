// Replacing a file through a sibling in a directory whose path leaves no room
// for the sibling's name: refused before the name is asked for, so that no
// truncated name is used and no scratch file is left.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/FileOperations.h"
#include "tests/support/SetupMachine.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace KitTest;

class FaultReplace : public SetupMachine {
protected:
    // A directory below the sandbox whose path has exactly length characters.
    std::string DirectoryOfLength(std::size_t length) const {
        std::string path = Dir() + "\\";
        while (path.size() < length) path += 'd';
        MakeDirectories(path);
        return path;
    }
};

TEST_F(FaultReplace, ADirectoryOfMoreThan246CharactersRefusesTheReplacement) {
    WriteBytes(PathIn("new.txt"), "new content");
    for (const std::size_t length : {247u, 248u, 250u, 252u}) {
        SCOPED_TRACE(length);
        const std::string target = DirectoryOfLength(length) + "\\t.txt";
        ASSERT_LE(target.size(), 259u);
        WriteBytes(target, "old content");

        EXPECT_FALSE(KitPlatform::ReplaceFileContents(PathIn("new.txt"), target));
        EXPECT_EQ(ReadBytes(target), "old content");
    }
    ExpectNoScratchFilesBelow(Dir());
}

TEST_F(FaultReplace, ADirectoryOf246CharactersStillTakesTheReplacement) {
    WriteBytes(PathIn("new.txt"), "new content");
    const std::string target = DirectoryOfLength(246) + "\\t.txt";
    WriteBytes(target, "old content");

    EXPECT_TRUE(KitPlatform::ReplaceFileContents(PathIn("new.txt"), target));
    EXPECT_EQ(ReadBytes(target), "new content");
    ExpectNoScratchFilesBelow(Dir());
}

}  // namespace
