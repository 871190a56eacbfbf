#include "tests/support/SetupMachine.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace KitTest {

namespace {

using KitPlatform::UniqueFindHandle;
using KitPlatform::UniqueHkey;

void ReadKeyInto(HKEY root, const std::string& path, const std::string& prefix,
                 RegistryTree& tree) {
    UniqueHkey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, &longestName, &longestData, nullptr,
                         nullptr) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot query " << path;
        return;
    }
    std::vector<char> name(2 * longestName + 2);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD index = 0; index < values; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        RegistryEntry entry;
        if (RegEnumValueA(key.get(), index, name.data(), &nameLength, nullptr, &entry.type,
                          data.data(), &dataSize) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot read value " << index << " of " << path;
            continue;
        }
        entry.bytes.assign(reinterpret_cast<const char*>(data.data()), dataSize);
        tree[prefix + std::string(name.data(), nameLength)] = entry;
    }
    for (const std::string& subkey : SubkeyNames(root, path)) {
        ReadKeyInto(root, path + "\\" + subkey, prefix + subkey + "\\", tree);
    }
}

void ReadDirectoryInto(const std::string& dir, const std::string& prefix, FileTree& tree) {
    WIN32_FIND_DATAA found;
    UniqueFindHandle find(FindFirstFileA((dir + "\\*").c_str(), &found));
    if (!find) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[prefix + name + "\\"] = "<directory>";
            ReadDirectoryInto(dir + "\\" + name, prefix + name + "\\", tree);
        } else {
            tree[prefix + name] = ReadBytes(dir + "\\" + name).value_or("<unreadable>");
        }
    } while (FindNextFileA(find.get(), &found));
}

// Longest path the file functions take without the long-path prefix.
constexpr std::size_t kLongestPath = MAX_PATH - 1;

// Lays out a file of the machine; below a root too long for it, there is
// none, as on a real machine.
void LayOut(const std::string& path, const std::string& bytes) {
    if (path.size() <= kLongestPath) WriteBytes(path, bytes);
}

std::string Shown(const std::string& bytes) {
    if (bytes.size() > 300) return "<" + std::to_string(bytes.size()) + " bytes>";
    return Printable(bytes);
}

void ExpectSameTree(const std::map<std::string, std::string>& expected,
                    const std::map<std::string, std::string>& actual, const char* what) {
    for (const auto& [path, bytes] : expected) {
        const auto found = actual.find(path);
        if (found == actual.end()) {
            ADD_FAILURE() << what << ": " << path << " is gone";
        } else if (found->second != bytes) {
            ADD_FAILURE() << what << ": " << path << " changed from " << Shown(bytes) << " to "
                          << Shown(found->second);
        }
    }
    for (const auto& [path, bytes] : actual) {
        if (!expected.count(path)) ADD_FAILURE() << what << ": " << path << " appeared";
    }
}

std::map<std::string, std::string> Flattened(const RegistryTree& tree) {
    std::map<std::string, std::string> flat;
    for (const auto& [name, entry] : tree) {
        flat[name] = "type " + std::to_string(entry.type) + ": " + entry.bytes;
    }
    return flat;
}

const std::string kBoxCaption = "Ostrel Components Help Registration";

// Wide paths with the "\\?\" prefix reach files whose paths are longer than
// the ANSI functions take, and names in any characters.
std::wstring LongPath(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

// Every name below dir, through the wide functions: also names that the ANSI
// functions cannot show, in directories too deep for them.
void ListNamesInto(const std::wstring& dir, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &found));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        names.push_back(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListNamesInto(dir + L"\\" + name, names);
        }
    } while (FindNextFileW(find.get(), &found));
}

void RemoveTreeW(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find.get(), &found));
        find.reset();  // the directory cannot go while it is being listed
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

FileTree ReadFileTree(const std::string& dir) {
    FileTree tree;
    ReadDirectoryInto(dir, "", tree);
    return tree;
}

RegistryTree ReadRegistryTree(HKEY root, const std::string& path) {
    RegistryTree tree;
    ReadKeyInto(root, path, "", tree);
    return tree;
}

RegistryEntry SzEntry(const std::string& text) {
    return {REG_SZ, std::string(text.c_str(), text.size() + 1)};
}

// ---- The machine ---------------------------------------------------------------

const std::string SetupMachine::kSuiteDir = "C:\\Program Files\\Ostrel\\Components 3.0\\";
const std::string SetupMachine::kOldSuiteDir = "C:\\Old Ostrel\\";
const std::string SetupMachine::kDelphiKey = "SOFTWARE\\Borland\\Delphi\\7.0";
const std::string SetupMachine::kCppBuilderKey = "SOFTWARE\\Borland\\C++Builder\\6.0";

const std::map<std::string, std::string> SetupMachine::kDelphiHelpOriginals = {
    {"D7.cnt",
     ":Base d7.hlp\r\n:Title Delphi 7 Help\r\n\r\n"
     ":Index Ostrel Components 2.52=OC25Help.hlp\r\n:Include OC25Help.cnt\r\n"
     ":Include d7vcl.cnt\r\n\r\n"},
    {"D7.ohc", ":Include d7.toc\r\n:Include OC25Help.toc\r\n:Include vcl7.toc\r\n"},
    {"D7.ohi",
     ":Index Delphi 7=d7.hlp\r\n:Index Ostrel Components 2.52=OC25Help.hlp\r\n"
     ":Index VCL=vcl7.hlp\r\n"},
    {"D7.ohl", ":Link d7.hlp\r\n:Link OC25Help.hlp\r\n:Link vcl7.hlp\r\n"},
};

const std::map<std::string, std::string> SetupMachine::kDelphiHelpMerged = {
    {"D7.cnt", ":Base d7.hlp\r\n:Title Delphi 7 Help\r\n:Include d7vcl.cnt\r\n\r\n\r\n"},
    {"D7.ohc", ":Include d7.toc\r\n:Include vcl7.toc\r\n:Include OC3Help.toc\r\n\r\n"},
    {"D7.ohi",
     ":Index Delphi 7=d7.hlp\r\n:Index VCL=vcl7.hlp\r\n"
     ":Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n"},
    {"D7.ohl", ":Link d7.hlp\r\n:Link vcl7.hlp\r\n:Link OC3Help.hlp\r\n\r\n"},
};

const std::map<std::string, std::string> SetupMachine::kDelphiHelpBackups = {
    {"D7.cnt", "D7.~cn"},
    {"D7.ohc", "DelphiOHC.bak"},
    {"D7.ohi", "DelphiOHI.bak"},
    {"D7.ohl", "DelphiOHL.bak"},
};

const std::string SetupMachine::kDefProjOriginal =
    "[FileVersion]\r\nVersion=7.0\r\n[Compiler]\r\nA=8\r\n[Directories]\r\nOutputDir=\r\n"
    "Packages=vcl;rtl;vclx;OS252N70;dbrtl\r\nConditionals=\r\n";
const std::string SetupMachine::kPackagesAfter = "vcl;rtl;vclx;dbrtl;Os30Ctls70;Os30DBCtls70;";

const std::map<std::string, std::string> SetupMachine::kCppBuilderHelpOriginals = {
    {"BCB6.ohi", ":Index C++Builder 6=bcb6.hlp\r\n:INDEX Ostrel Components v2.5=OC25Help.hlp\r\n"},
    {"BCB6.ohl", ":Link bcb6.hlp\r\n:LINK OC25Help.hlp\r\n"},
};

const std::map<std::string, std::string> SetupMachine::kCppBuilderHelpMerged = {
    {"BCB6.ohi",
     ":Index C++Builder 6=bcb6.hlp\r\n:Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n"},
    {"BCB6.ohl", ":Link bcb6.hlp\r\n:Link OC3Help.hlp\r\n\r\n"},
};

const std::string SetupMachine::kDefaultBprOriginal =
    "# ---------------\r\nVERSION = BCB.06.00\r\nPROJECT = Project1.exe\r\n"
    "PACKAGES = vcl.bpi rtl.bpi Os252N60.bpi\r\nSPARELIBS = vcl.lib rtl.lib\r\n";
const std::string SetupMachine::kDefaultBprEdited =
    "# ---------------\r\nVERSION = BCB.06.00\r\nPROJECT = Project1.exe\r\n"
    "PACKAGES = vcl.bpi rtl.bpi Os30Ctls60.bpi Os30DBCtls60.bpi \r\n"
    "SPARELIBS = vcl.lib rtl.lib\r\n";

void SetupMachine::InstallSuite() {
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", kSuiteDir);
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ostrel\\Ostrel Components\\2.52", "InstallDir",
              kOldSuiteDir);
}

void SetupMachine::InstallDelphi7() { InstallDelphi7At(Dir() + "\\Delphi7"); }

void SetupMachine::InstallDelphi7At(const std::string& root) {
    delphiRoot_ = root;
    SetString(HKEY_LOCAL_MACHINE, kDelphiKey, "RootDir", root);
    SetString(HKEY_LOCAL_MACHINE, kDelphiKey, "Version", "ENT");

    const std::string known = kDelphiKey + "\\Known Packages";
    SetString(HKEY_CURRENT_USER, known, "$(DELPHI)\\Bin\\dclstd70.bpl",
              "Borland Standard Components");
    SetString(HKEY_CURRENT_USER, known, kOldSuiteDir + "Bin\\Os252NDsgn70.bpl",
              "Ostrel Components 2.52");
    SetString(HKEY_CURRENT_USER, kDelphiKey + "\\Library", "Search Path",
              "$(DELPHI)\\Lib;$(DELPHI)\\Bin;c:\\old ostrel\\Lib7;$(DELPHI)\\Imports");
    SetString(HKEY_CURRENT_USER, kDelphiKey + "\\Palette", "Standard", "TMainMenu,TPopupMenu");
    SetString(HKEY_CURRENT_USER, kDelphiKey + "\\Palette", "Ostrel", "TOsPanel");
    SetString(HKEY_CURRENT_USER, kDelphiKey + "\\Palette", "Ostrel.Hidden", "TOsHidden");

    for (const auto& [name, bytes] : kDelphiHelpOriginals) LayOut(DelphiHelp(name), bytes);
    LayOut(DelphiHelp("Delphi7.gid"), "gid");
    LayOut(DelphiHelp("Del7vcl.gid"), "gid");
    LayOut(DelphiDefProj(), kDefProjOriginal);
}

void SetupMachine::InstallCppBuilder6() { InstallCppBuilder6At(Dir() + "\\CBuilder6"); }

void SetupMachine::InstallCppBuilder6At(const std::string& root) {
    cppBuilderRoot_ = root;
    SetString(HKEY_LOCAL_MACHINE, kCppBuilderKey, "RootDir", root);
    SetString(HKEY_LOCAL_MACHINE, kCppBuilderKey, "Version", "ENT");

    const std::string known = kCppBuilderKey + "\\Known Packages";
    SetString(HKEY_CURRENT_USER, known, "$(BCB)\\Bin\\dclstd60.bpl",
              "Borland Standard Components");
    SetString(HKEY_CURRENT_USER, known, kOldSuiteDir + "Bin\\Os252NDsgn60.bpl",
              "Ostrel Components 2.52");
    SetString(HKEY_CURRENT_USER, kCppBuilderKey + "\\Library", "Search Path",
              "$(BCB)\\Lib;c:\\old ostrel\\LibBCB6;$(BCB)\\Include");
    SetString(HKEY_CURRENT_USER, kCppBuilderKey + "\\Palette", "Samples", "TGauge");
    SetString(HKEY_CURRENT_USER, kCppBuilderKey + "\\Palette", "Ostrel List", "TOsList");

    for (const auto& [name, bytes] : kCppBuilderHelpOriginals) LayOut(CppBuilderHelp(name), bytes);
    LayOut(CppBuilderHelp("BCB6.gid"), "gid");
    LayOut(CppBuilderProject(), kDefaultBprOriginal);
}

void SetupMachine::InstallAll() {
    InstallSuite();
    InstallDelphi7();
    InstallCppBuilder6();
}

std::string SetupMachine::DelphiHelp(const std::string& name) const {
    return delphiRoot_ + "\\Help\\" + name;
}

std::string SetupMachine::DelphiDefProj() const { return delphiRoot_ + "\\Bin\\DefProj.dof"; }

std::string SetupMachine::CppBuilderHelp(const std::string& name) const {
    return cppBuilderRoot_ + "\\Help\\" + name;
}

std::string SetupMachine::CppBuilderProject() const {
    return cppBuilderRoot_ + "\\Bin\\Default.bpr";
}

MachineState SetupMachine::Capture() const {
    MachineState state;
    state.files = ReadFileTree(Dir());
    state.userKeys = ReadRegistryTree(HKEY_CURRENT_USER, kBorlandKey);
    for (const std::string& key : {kOstrelKey, kBorlandKey}) {
        for (auto& [name, entry] : ReadRegistryTree(HKEY_LOCAL_MACHINE, key)) {
            state.machineKeys[key + "\\" + name] = entry;
        }
    }
    return state;
}

void SetupMachine::ExpectUnchanged(const MachineState& before) const {
    const MachineState after = Capture();
    ExpectSameTree(before.files, after.files, "file");
    ExpectSameTree(Flattened(before.userKeys), Flattened(after.userKeys), "user value");
    ExpectSameTree(Flattened(before.machineKeys), Flattened(after.machineKeys), "machine value");
}

void SetupMachine::ExpectMachineKeysUnchanged(const MachineState& before) const {
    ExpectSameTree(Flattened(before.machineKeys), Flattened(Capture().machineKeys),
                   "machine value");
}

void SetupMachine::ExpectDelphi7Registered() const {
    const RegistryTree expected = {
        {"Known Packages\\$(DELPHI)\\Bin\\dclstd70.bpl", SzEntry("Borland Standard Components")},
        {"Known Packages\\" + kSuiteDir + "Bin\\Os30Ctls_Dsgn70.bpl",
         SzEntry("Ostrel Components 3.0.3")},
        {"Known Packages\\" + kSuiteDir + "Bin\\Os30DBCtls_Dsgn70.bpl",
         SzEntry("Ostrel Components 3.0.3 (Data-Aware)")},
        {"Library\\Search Path",
         SzEntry("$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;" + kSuiteDir + "Lib7;")},
        {"Palette\\Standard", SzEntry("TMainMenu,TPopupMenu")},
    };
    ExpectSameTree(Flattened(expected), Flattened(ReadRegistryTree(HKEY_CURRENT_USER, kDelphiKey)),
                   "Delphi 7 value");
}

void SetupMachine::ExpectDelphi7HelpMerged() const {
    for (const auto& [name, merged] : kDelphiHelpMerged) {
        EXPECT_EQ(ReadBytes(DelphiHelp(name)), merged) << name;
        EXPECT_EQ(ReadBytes(DelphiHelp(kDelphiHelpBackups.at(name))),
                  kDelphiHelpOriginals.at(name))
            << "backup of " << name;
    }
    for (const char* gone : {"Delphi7.gid", "Del7vcl.gid", "D7.new", "DelphiOHC.new",
                             "DelphiOHI.new", "DelphiOHL.new"}) {
        EXPECT_FALSE(FileExists(DelphiHelp(gone))) << gone;
    }
}

void SetupMachine::ExpectDelphi7ProjectEdited() const {
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Directories", "Packages"), kPackagesAfter);
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "Compiler", "A"), "8");
    EXPECT_EQ(ProfileValue(DelphiDefProj(), "FileVersion", "Version"), "7.0");
}

void SetupMachine::ExpectDelphi7HelpWholeOrUntouched(const CallOutcome& outcome,
                                                     bool workFilesAllowed) const {
    bool allMerged = true;
    for (const auto& [name, original] : kDelphiHelpOriginals) {
        const std::optional<std::string> now = ReadBytes(DelphiHelp(name));
        ASSERT_TRUE(now.has_value()) << name << " is gone";
        if (*now == kDelphiHelpMerged.at(name)) {
            EXPECT_EQ(ReadBytes(DelphiHelp(kDelphiHelpBackups.at(name))), original)
                << "backup of the rewritten " << name;
        } else {
            EXPECT_EQ(Shown(*now), Shown(original)) << name << " is neither old nor merged";
            allMerged = false;
        }
    }
    if (!workFilesAllowed) {
        for (const char* work : {"D7.new", "DelphiOHC.new", "DelphiOHI.new", "DelphiOHL.new"}) {
            EXPECT_FALSE(FileExists(DelphiHelp(work))) << work;
        }
    }
    if (allMerged) {
        ExpectHelpBox(outcome, "Delphi 7");
    } else {
        ExpectNoBox(outcome);
    }
}

void SetupMachine::ExpectCppBuilder6Registered() const {
    const RegistryTree expected = {
        {"Known Packages\\$(BCB)\\Bin\\dclstd60.bpl", SzEntry("Borland Standard Components")},
        {"Known Packages\\" + kSuiteDir + "Bin\\Os30Ctls_Dsgn60.bpl",
         SzEntry("Ostrel Components 3.0.3")},
        {"Known Packages\\" + kSuiteDir + "Bin\\Os30DBCtls_Dsgn60.bpl",
         SzEntry("Ostrel Components 3.0.3 (Data-Aware)")},
        {"Library\\Search Path",
         SzEntry("$(BCB)\\Lib;$(BCB)\\Include;" + kSuiteDir + "LibBCB6;")},
        {"Palette\\Samples", SzEntry("TGauge")},
    };
    ExpectSameTree(Flattened(expected),
                   Flattened(ReadRegistryTree(HKEY_CURRENT_USER, kCppBuilderKey)),
                   "C++Builder 6 value");
}

void SetupMachine::ExpectCppBuilder6HelpMerged() const {
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCB6.ohi")), kCppBuilderHelpMerged.at("BCB6.ohi"));
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCB6.ohl")), kCppBuilderHelpMerged.at("BCB6.ohl"));
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCBOHI.bak")), kCppBuilderHelpOriginals.at("BCB6.ohi"));
    EXPECT_EQ(ReadBytes(CppBuilderHelp("BCBOHL.bak")), kCppBuilderHelpOriginals.at("BCB6.ohl"));
    for (const char* gone : {"BCB6.gid", "BCBOHI.new", "BCBOHL.new"}) {
        EXPECT_FALSE(FileExists(CppBuilderHelp(gone))) << gone;
    }
}

void SetupMachine::ExpectCppBuilder6ProjectEdited() const {
    EXPECT_EQ(ReadBytes(CppBuilderProject()), kDefaultBprEdited);
    EXPECT_EQ(ReadBytes(cppBuilderRoot_ + "\\Bin\\Default.~bp"), kDefaultBprOriginal);
    EXPECT_FALSE(FileExists(cppBuilderRoot_ + "\\Bin\\Default.new"));
}

void SetupMachine::ExpectHelpBox(const CallOutcome& outcome, const std::string& ideAndVersion) {
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.stackDelta, 0);
    EXPECT_EQ(outcome.messageBoxCalls, 1);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].caption, kBoxCaption);
    EXPECT_EQ(outcome.boxes[0].text,
              "The help files for Ostrel Components have been merged\rinto the " +
                  ideAndVersion + " help system.");
    EXPECT_EQ(outcome.boxes[0].style, 0x40u);
}

void SetupMachine::ExpectNoBox(const CallOutcome& outcome) {
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.stackDelta, 0);
    EXPECT_EQ(outcome.messageBoxCalls, 0);
    EXPECT_TRUE(outcome.boxes.empty());
}

std::string SetupMachine::ProfileValue(const std::string& path, const std::string& section,
                                       const std::string& key) {
    std::vector<char> buffer(1 << 22);
    const DWORD length =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buffer.data(),
                                 static_cast<DWORD>(buffer.size()), path.c_str());
    return std::string(buffer.data(), length);
}

void SetupMachine::ExpectNoScratchFilesBelow(const std::string& dir) const {
    std::vector<std::wstring> names;
    ListNamesInto(LongPath(dir), names);
    for (const std::wstring& name : names) {
        std::wstring lower;
        for (const wchar_t c : name) lower += static_cast<wchar_t>(towlower(c));
        const bool temporary = lower.rfind(L"kit", 0) == 0 ||
                               (lower.size() > 4 && lower.compare(lower.size() - 4, 4, L".tmp") == 0);
        EXPECT_FALSE(temporary) << "scratch file left: " << std::string(name.begin(), name.end());
    }
}

void SetupMachine::SetUp() {
    Sandbox::SetUp();
    // A run that failed may have left paths too long for the sandbox's own
    // clean-up.
    RemoveTreeW(LongPath(Dir()));
    MakeDirectories(Dir());
}

void SetupMachine::TearDown() {
    RemoveTreeW(LongPath(Dir()));
    Sandbox::TearDown();
}

}  // namespace KitTest
