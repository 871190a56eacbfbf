// Replacing a rewritten file the way ReplaceFileA does (the original renamed
// to the backup, the work file renamed into its place) and the copies it falls
// back to: whichever way is taken, the target ends either with the work
// file's bytes or exactly as it was, the backup holds the original's bytes,
// and neither the work file nor a scratch file stays behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "platform/FileOperations.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

namespace {

using KitPlatform::ReplaceFromWorkFile;
using KitPlatform::RewriteKeepingBackup;
using KitTest::HeldOpenFile;
using KitTest::ReadBytes;
using KitTest::WriteBytes;

const std::string kOriginal = ":Include vend1.toc\r\n:Include OC25Help.toc\r\n";
const std::string kRewritten = ":Include vend1.toc\r\n:Include OC3Help.toc\r\n\r\n";

class FileReplacement : public KitTest::Sandbox {
protected:
    std::string Target() const { return PathIn("D7.ohc"); }
    std::string Work() const { return PathIn("DelphiOHC.new"); }
    std::string Backup() const { return PathIn("DelphiOHC.bak"); }

    void LayTargetAndWork() const {
        WriteBytes(Target(), kOriginal);
        WriteBytes(Work(), kRewritten);
    }

    DWORD Attributes(const std::string& path) const { return GetFileAttributesA(path.c_str()); }

    // Every name in the sandbox: nothing but the target and its backup (and
    // what a case adds) may be there afterwards.
    std::set<std::string> Names() const { return KitTest::NamesIn(Dir()); }
};

TEST_F(FileReplacement, TheOriginalBecomesTheBackupAndTheWorkFileTakesItsPlace) {
    LayTargetAndWork();
    WriteBytes(Backup(), "backup of an earlier run");

    EXPECT_TRUE(ReplaceFromWorkFile(Target(), Work(), Backup()));

    EXPECT_EQ(ReadBytes(Target()), kRewritten);
    EXPECT_EQ(ReadBytes(Backup()), kOriginal);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc", "DelphiOHC.bak"}));
}

TEST_F(FileReplacement, TheTargetKeepsItsHiddenAndSystemMarksAndStaysWritable) {
    LayTargetAndWork();
    ASSERT_TRUE(SetFileAttributesA(Target().c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const DWORD before = Attributes(Target());
    ASSERT_NE(before, INVALID_FILE_ATTRIBUTES);
    const DWORD marks = before & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // The platform keeps at least one of the two marks, or the case proves nothing.
    ASSERT_NE(marks, 0u);

    EXPECT_TRUE(ReplaceFromWorkFile(Target(), Work(), Backup()));

    EXPECT_EQ(ReadBytes(Target()), kRewritten);
    EXPECT_EQ(Attributes(Target()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), marks);
    EXPECT_EQ(Attributes(Target()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ReadBytes(Backup()), kOriginal);
    // Written again through the same way, the replaced file is replaced once more.
    WriteBytes(Work(), "third");
    EXPECT_TRUE(ReplaceFromWorkFile(Target(), Work(), Backup()));
    EXPECT_EQ(ReadBytes(Target()), "third");
    EXPECT_EQ(ReadBytes(Backup()), kRewritten);
    SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(Backup().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileReplacement, AReadOnlyEarlierBackupStaysAndTheTargetIsReplacedByCopying) {
    LayTargetAndWork();
    WriteBytes(Backup(), "backup of an earlier run");
    KitTest::SetReadOnly(Backup(), true);

    EXPECT_TRUE(ReplaceFromWorkFile(Target(), Work(), Backup()));

    EXPECT_EQ(ReadBytes(Target()), kRewritten);
    EXPECT_EQ(ReadBytes(Backup()), "backup of an earlier run");
    EXPECT_NE(Attributes(Backup()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc", "DelphiOHC.bak"}));
    KitTest::SetReadOnly(Backup(), false);
}

TEST_F(FileReplacement, ATargetHeldOpenIsLeftAsItWasWithItsBytesInTheBackup) {
    // Held for reading without write sharing, then sharing writing but not
    // deletion: neither a rename nor the copy may replace it.
    for (const DWORD sharing : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        SCOPED_TRACE(sharing);
        LayTargetAndWork();
        DeleteFileA(Backup().c_str());
        {
            HeldOpenFile held(Target(), GENERIC_READ, sharing);
            ASSERT_TRUE(held.IsOpen());
            EXPECT_FALSE(ReplaceFromWorkFile(Target(), Work(), Backup()));
        }
        EXPECT_EQ(ReadBytes(Target()), kOriginal);
        EXPECT_EQ(ReadBytes(Backup()), kOriginal);
        EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc", "DelphiOHC.bak"}));
    }
}

TEST_F(FileReplacement, AReadOnlyTargetIsLeftAsItWasWithItsBytesInTheBackup) {
    LayTargetAndWork();
    KitTest::SetReadOnly(Target(), true);

    EXPECT_FALSE(ReplaceFromWorkFile(Target(), Work(), Backup()));

    EXPECT_EQ(ReadBytes(Target()), kOriginal);
    EXPECT_NE(Attributes(Target()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ReadBytes(Backup()), kOriginal);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc", "DelphiOHC.bak"}));
    KitTest::SetReadOnly(Target(), false);
}

TEST_F(FileReplacement, AWorkFileThatCannotTakeTheTargetsPlacePutsTheOriginalBack) {
    LayTargetAndWork();
    WriteBytes(Backup(), "backup of an earlier run");
    {
        // Nobody else may read, write or rename the work file: after the
        // original went to the backup, the work file cannot follow it, and
        // the copying way cannot read it either.
        HeldOpenFile held(Work(), GENERIC_READ, 0);
        ASSERT_TRUE(held.IsOpen());
        EXPECT_FALSE(ReplaceFromWorkFile(Target(), Work(), Backup()));
    }
    EXPECT_EQ(ReadBytes(Target()), kOriginal);
    EXPECT_EQ(ReadBytes(Backup()), kOriginal);
    // Only the work file the other program held stays; no scratch file.
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc", "DelphiOHC.bak", "DelphiOHC.new"}));
}

TEST_F(FileReplacement, WithoutABackupTheWorkFileIsRenamedOverTheTarget) {
    LayTargetAndWork();
    EXPECT_TRUE(ReplaceFromWorkFile(Target(), Work(), std::string()));
    EXPECT_EQ(ReadBytes(Target()), kRewritten);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc"}));

    WriteBytes(Work(), "again");
    KitTest::SetReadOnly(Target(), true);
    EXPECT_FALSE(ReplaceFromWorkFile(Target(), Work(), std::string()));
    EXPECT_EQ(ReadBytes(Target()), kRewritten);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc"}));
    KitTest::SetReadOnly(Target(), false);
}

// ---- The rewrite around it ----------------------------------------------------------

TEST_F(FileReplacement, ARewriteWhoseWriterFailsKeepsTheTargetAndCopiesItToTheBackup) {
    WriteBytes(Target(), kOriginal);
    WriteBytes(Backup(), "backup of an earlier run");
    const auto failingWriter = [this] {
        WriteBytes(Work(), "half of it");
        throw std::runtime_error("disk full");
        return true;
    };
    EXPECT_THROW(RewriteKeepingBackup(Target(), Work(), Backup(), failingWriter),
                 std::runtime_error);
    EXPECT_EQ(ReadBytes(Target()), kOriginal);
    EXPECT_EQ(ReadBytes(Backup()), kOriginal);
    // What the writer left stays for the next run to replace.
    EXPECT_EQ(ReadBytes(Work()), "half of it");

    DeleteFileA(Work().c_str());
    DeleteFileA(Backup().c_str());
    EXPECT_FALSE(RewriteKeepingBackup(Target(), Work(), Backup(), [] { return false; }));
    EXPECT_EQ(ReadBytes(Target()), kOriginal);
    EXPECT_EQ(ReadBytes(Backup()), kOriginal);
    EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc", "DelphiOHC.bak"}));
}

// Whatever stands in the way, the backup ends with the original's bytes (or,
// where it is read-only, as it was) and the target either rewritten or as it
// was, with nothing else left in the directory.
TEST_F(FileReplacement, TheBackupHoldsTheOriginalsBytesOnEveryWay) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool replaced;
    };
    const Case cases[] = {
        {"no earlier backup", [] {}, true},
        {"an earlier backup", [this] { WriteBytes(Backup(), "old"); }, true},
        {"a hidden target",
         [this] { SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_HIDDEN); }, true},
        {"a directory in the backup's place",
         [this] { KitTest::MakeDirectories(Backup()); }, true},
        {"a read-only target", [this] { KitTest::SetReadOnly(Target(), true); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayTargetAndWork();
        c.arrange();

        EXPECT_EQ(ReplaceFromWorkFile(Target(), Work(), Backup()), c.replaced);

        EXPECT_EQ(ReadBytes(Target()), c.replaced ? kRewritten : kOriginal);
        if (Attributes(Backup()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveDirectoryA(Backup().c_str());
        } else {
            EXPECT_EQ(ReadBytes(Backup()), kOriginal);
        }
        EXPECT_FALSE(KitTest::FileExists(Work()));
        // A copy of a read-only target is read-only too.
        SetFileAttributesA(Target().c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA(Backup().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(Backup().c_str());
        EXPECT_EQ(Names(), (std::set<std::string>{"D7.ohc"}));
    }
}

}  // namespace
