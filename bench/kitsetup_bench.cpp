// How long one IDEInstall request takes on a developer's machine that has
// collected years of packages, set against the least any implementation must
// do for it, and how much memory and how many registry calls it needs.
//
// The program lays a large but plausible installation into the Wine prefix it
// runs in (C:\kitsetup-bench and the Borland/Ostrel keys), then, for D7 and
// C6:
//  - runs the request through the loaded KitSetup.dll several times, each in
//    a fresh process on a freshly laid installation, and takes the median;
//  - measures the floor the same way: the copies that the rewrite pattern
//    needs of every rewritten file (backup copy, one pass reading the target
//    and writing the work file, copy back) and one listing of the "Known
//    Packages" values;
//  - counts the registry, file and heap calls that KitSetup.dll makes, by
//    pointing its import table at counting wrappers;
//  - compares the peak working set with that of a run on small files.
//
//   kitsetup_bench [--runs N]        the whole benchmark (exit code 1 when a
//                                    target is missed)
//   kitsetup_bench --call REQ FILE   one request in this process (internal)
//   kitsetup_bench --floor REQ FILE  one floor pass in this process (internal)
//   kitsetup_bench --arrange REQ [small]  only lay the installation, and
//   kitsetup_bench --clear           remove it again (for profiling --call)
//
// The installation's keys and files are removed at the end. It wipes the same
// keys as the tests do, so it must not run beside them in one prefix.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace {

using KitPlatform::UniqueFileHandle;
using KitPlatform::UniqueHkey;

// What one measuring process found, by name.
using Figures = std::map<std::string, double>;

// ---- The installation ---------------------------------------------------------

constexpr int kKnownPackageValues = 5000;
constexpr int kSearchPathEntries = 2000;
constexpr int kMacroPackageNames = 2000;
constexpr std::size_t kDofPackagesChars = 20000;

struct Scale {
    const char* name;
    int helpLines;
    int projectLines;
};
constexpr Scale kLarge{"large", 200000, 100000};
// The same registry and package lists, but files of a few lines: memory that
// grows with the files shows as the difference between the two.
constexpr Scale kSmall{"small", 1000, 1000};

const std::string kBenchRoot = "C:\\kitsetup-bench";
const std::string kSuiteDir = kBenchRoot + "\\Ostrel Components 3.0\\";
const std::string kOldSuiteDir = kBenchRoot + "\\Ostrel Components 2.52\\";
const std::string kOlderSuiteDir = kBenchRoot + "\\Ostrel Components 2.5\\";

struct Ide {
    const char* request;  // "D7" or "C6"
    bool delphi;
    int version;

    std::string KeyPath() const {
        return std::string("SOFTWARE\\Borland\\") + (delphi ? "Delphi\\" : "C++Builder\\") +
               std::to_string(version) + ".0";
    }
    std::string Root() const {
        return kBenchRoot + (delphi ? "\\Delphi" : "\\CBuilder") + std::to_string(version);
    }
    std::string Help(const std::string& name) const { return Root() + "\\Help\\" + name; }
    std::string Bin(const std::string& name) const { return Root() + "\\Bin\\" + name; }
    std::string V() const { return std::to_string(version); }

    // The files a request rewrites through a work file and a backup.
    std::vector<std::string> RewrittenFiles() const {
        if (delphi) {
            return {Help("D" + V() + ".cnt"), Help("D" + V() + ".ohc"), Help("D" + V() + ".ohi"),
                    Help("D" + V() + ".ohl")};
        }
        return {Help("BCB" + V() + ".ohi"), Help("BCB" + V() + ".ohl"), Bin("Default.bpr")};
    }
    // Rewritten in place by the profile functions (Delphi only).
    std::string OptionsFile() const { return delphi ? Bin("DefProj.dof") : std::string(); }
};

const Ide kIdes[] = {{"D7", true, 7}, {"C6", false, 6}};

const Ide& IdeFor(const std::string& request) {
    for (const Ide& ide : kIdes) {
        if (request == ide.request) return ide;
    }
    throw std::runtime_error("unknown request " + request);
}

std::string Number(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

// Writes a file from lines made one at a time, through a small buffer, and
// makes it reach the disk before anything is timed.
class FileWriter {
public:
    explicit FileWriter(const std::string& path) {
        const std::size_t slash = path.find_last_of('\\');
        KitTest::MakeDirectories(path.substr(0, slash));
        file_.reset(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) throw std::runtime_error("cannot create " + path);
    }
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    void Line(const std::string& text) {
        buffer_ += text;
        buffer_ += "\r\n";
        if (buffer_.size() >= 1 << 16) Flush();
    }

    // Without it the file is incomplete.
    void Close() {
        Flush();
        ::FlushFileBuffers(file_.get());
        file_.reset();
    }

private:
    void Flush() {
        DWORD written = 0;
        if (!buffer_.empty() &&
            (!::WriteFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()),
                          &written, nullptr) ||
             written != buffer_.size())) {
            throw std::runtime_error("cannot write a benchmark file");
        }
        buffer_.clear();
    }

    UniqueFileHandle file_;
    std::string buffer_;
};

// Topic words of other vendors' help, of differing lengths, so that the lines
// differ in length as real ones do.
const char* const kTopicWords[] = {
    "Grid",     "Charts",  "Reports",   "Database Access", "Networking", "Components", "Serial",
    "Imaging",  "Spelling", "Docking",  "Ribbon Controls", "PDF",        "Barcodes",   "Scheduler",
    "Gauges",   "Editors", "Tree View", "Internet Protocols",
};

// Help lines of other vendors' products; every 5000th line is one the suite
// takes out (an earlier version's) so that the filter has work to do.
std::string HelpLine(const std::string& kind, int i, bool bcb) {
    const std::string vendor = std::to_string(i % 997);
    const std::string topic = std::to_string(i);
    const std::string word = kTopicWords[i % (sizeof kTopicWords / sizeof kTopicWords[0])];
    if (i % 5000 == 2500) {
        if (kind == "cnt") return ":Include OC25Help.cnt";
        if (kind == "ohc") return ":Include OC25Help.toc";
        if (kind == "ohi") return bcb ? ":INDEX Ostrel Components v2.5=OC25Help.hlp"
                                      : ":Index Ostrel Components 2.52=OC25Help.hlp";
        return bcb ? ":LINK OC25Help.hlp" : ":Link OC25Help.hlp";
    }
    if (kind == "cnt") {
        switch (i % 4) {
        case 0: return ":Index Vendor " + vendor + " " + word + "=vend" + vendor + ".hlp";
        case 1: return ":Include vend" + vendor + "_" + topic + ".cnt";
        case 2: return "2 " + word + " topic " + topic + "=IDH_" + topic;
        default: return ":Link vend" + vendor + ".hlp";
        }
    }
    if (kind == "ohc") return ":Include vend" + vendor + "_" + topic + ".toc";
    if (kind == "ohi") {
        return std::string(bcb ? ":INDEX" : ":Index") + " Vendor " + vendor + " " + word + " " +
               topic + "=vend" + vendor + ".hlp";
    }
    return std::string(bcb ? ":LINK" : ":Link") + " vend" + vendor + "_" + topic + ".hlp";
}

void WriteHelpFile(const std::string& path, const std::string& kind, int lines, bool bcb) {
    FileWriter file(path);
    if (kind == "cnt") {
        file.Line(":Base delphi7.hlp>main");
        file.Line(":Title Delphi Help");
    }
    for (int i = 0; i < lines; ++i) file.Line(HelpLine(kind, i, bcb));
    file.Close();
}

// "PACKAGES = " with 2000 names over continued lines, an earlier suite
// version's name among them, in the middle of a makefile-style project.
void WriteDefaultProject(const Ide& ide, int lines) {
    FileWriter file(ide.Bin("Default.bpr"));
    const char* head[] = {
        "# ---------------------------------------------------------------------------",
        "!if !$d(BCB)", "BCB = $(MAKEDIR)\\..", "!endif", "",
        "# ---------------------------------------------------------------------------",
        "# IDE SECTION",
        "# ---------------------------------------------------------------------------",
        "VERSION = BCB.06.00", "PROJECT = Project1.exe", "OBJFILES = Project1.obj Unit1.obj",
        "RESFILES = Project1.res", "MAINSOURCE = Project1.cpp", "RESDEPEN = $(RESFILES) Unit1.dfm",
        "LIBFILES =", "IDLFILES =", "IDLGENFILES =", "LIBRARIES =",
    };
    int written = 0;
    for (const char* line : head) {
        file.Line(line);
        ++written;
    }
    std::string line = "PACKAGES = vcl.bpi rtl.bpi vclx.bpi Os252N60.bpi ";
    for (int i = 4; i < kMacroPackageNames; ++i) {
        line += "Vend" + Number(i % 997, 3) + "Pkg" + Number(i, 4) + "60.bpi ";
        if (line.size() > 70 && i + 1 < kMacroPackageNames) {
            file.Line(line + "\\");
            ++written;
            line = "  ";
        }
    }
    file.Line(line);
    ++written;
    file.Line("SPARELIBS = vcl.lib rtl.lib");
    file.Line("DEFFILE =");
    written += 2;
    for (int i = 0; written < lines; ++i, ++written) {
        switch (i % 4) {
        case 0: file.Line("# Rule " + Number(i, 6)); break;
        case 1: file.Line("Unit" + Number(i, 6) + ".obj: Unit" + Number(i, 6) + ".cpp Unit" +
                          Number(i, 6) + ".h"); break;
        case 2: file.Line("    $(BCB)\\BIN\\$(BCC32) $(CFLAG1) $(CFLAG2) -n$(@D) {$< }"); break;
        default: file.Line(""); break;
        }
    }
    file.Close();
}

// A Delphi default project options file whose "Packages" has grown long.
void WriteOptionsFile(const Ide& ide) {
    FileWriter file(ide.Bin("DefProj.dof"));
    std::string packages = "vcl;rtl;vclx;indy;inet;xmlrtl;vclie;inetdbbde;inetdbxpress;OS252N" +
                           ide.V() + "0;";
    for (int i = 0; packages.size() < kDofPackagesChars; ++i) {
        packages += "Vend" + Number(i % 997, 3) + "Pkg" + Number(i, 4) + ide.V() + "0;";
    }
    packages.resize(kDofPackagesChars - 1);
    packages += ";";
    const std::string lines[] = {
        "[FileVersion]", "Version=7.0", "[Compiler]", "A=8", "B=0", "C=1", "D=1", "E=0",
        "F=0", "G=1", "H=1", "I=1", "J=0", "K=0", "L=1", "M=0", "N=1", "O=1", "P=1", "Q=0",
        "R=0", "S=0", "T=0", "U=0", "V=1", "W=0", "X=1", "Y=1", "Z=1",
        "ShowHints=1", "ShowWarnings=1", "UnitAliases=WinTypes=Windows;WinProcs=Windows;",
        "[Linker]", "MapFile=0", "OutputObjs=0", "ConsoleApp=1", "DebugInfo=0",
        "RemoteSymbols=0", "MinStackSize=16384", "MaxStackSize=1048576", "ImageBase=4194304",
        "ExeDescription=", "[Directories]", "OutputDir=", "UnitOutputDir=",
        "PackageDLLOutputDir=", "PackageDCPOutputDir=", "SearchPath=",
        "Packages=" + packages, "Conditionals=", "DebugSourceDirs=", "UsePackages=0",
        "[Parameters]", "RunParams=", "HostApplication=", "Launcher=", "UseLauncher=0",
        "DebugCWD=", "[Version Info]", "IncludeVerInfo=0", "AutoIncBuild=0", "MajorVer=1",
        "MinorVer=0", "Release=0", "Build=0", "Locale=1033", "CodePage=1252",
    };
    for (const std::string& line : lines) file.Line(line);
    file.Close();
}

void SetValues(HKEY root, const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& values) {
    UniqueHkey key;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create " + path);
    }
    for (const auto& [name, data] : values) {
        if (::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot set " + path + "\\" + name);
        }
    }
}

void ArrangeRegistry(const Ide& ide) {
    using KitTest::SetString;
    const std::string suiteKey = "SOFTWARE\\Ostrel\\Ostrel Components\\";
    SetString(HKEY_LOCAL_MACHINE, suiteKey + "3.0", "InstallDir", kSuiteDir);
    SetString(HKEY_LOCAL_MACHINE, suiteKey + "2.52", "InstallDir", kOldSuiteDir);
    SetString(HKEY_LOCAL_MACHINE, suiteKey + "2.5", "InstallDir", kOlderSuiteDir);
    SetString(HKEY_LOCAL_MACHINE, ide.KeyPath(), "RootDir", ide.Root());
    SetString(HKEY_LOCAL_MACHINE, ide.KeyPath(), "Version", "Enterprise");

    // Other vendors' design-time packages, and three of earlier suite versions.
    const std::string v = ide.V();
    std::vector<std::pair<std::string, std::string>> packages = {
        {kOldSuiteDir + "Bin\\Os252NDsgn" + v + "0.bpl", "Ostrel Components 2.52"},
        {kOldSuiteDir + "Bin\\Os252DDsgn" + v + "0.bpl", "Ostrel Components 2.52 (Data-Aware)"},
        {kSuiteDir + "Bin\\Os30TrialCtls_Dsgn" + v + "0.bpl",
         "Ostrel Components 3.0.3 - Trial Edition"},
    };
    for (int i = static_cast<int>(packages.size()); i < kKnownPackageValues; ++i) {
        const std::string vendor = Number(i % 997, 3);
        packages.emplace_back("C:\\Program Files\\Vendor " + vendor + "\\Bin\\vend" + vendor +
                                  "_pkg" + Number(i, 4) + "_d" + v + "0.bpl",
                              "Vendor " + vendor + " Package " + Number(i, 4));
    }
    SetValues(HKEY_CURRENT_USER, ide.KeyPath() + "\\Known Packages", packages);

    const std::string lib = ide.delphi ? "Lib" : "LibBCB";
    std::string searchPath = ide.delphi ? "$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;"
                                        : "$(BCB)\\Lib;$(BCB)\\Lib\\Obj;$(BCB)\\Bin;";
    for (int i = 3; i < kSearchPathEntries; ++i) {
        if (i == kSearchPathEntries / 2) searchPath += kOldSuiteDir + lib + v + ";";
        searchPath += "C:\\Program Files\\Vendor " + Number(i % 997, 3) + "\\" + lib + "\\" +
                      Number(i, 4) + ";";
    }
    SetValues(HKEY_CURRENT_USER, ide.KeyPath() + "\\Library", {{"Search Path", searchPath}});

    std::vector<std::pair<std::string, std::string>> palette = {
        {"Ostrel", "TOsPanel;TOsButton"}, {"Ostrel.Hidden", ""}, {"OsData", "TOsDBGrid"}};
    for (int i = 0; i < 60; ++i) {
        palette.emplace_back("Vendor Page " + Number(i, 2), "TVendorControl" + Number(i, 2));
    }
    SetValues(HKEY_CURRENT_USER, ide.KeyPath() + "\\Palette", palette);
}

// The help system's index, which the merge deletes.
void WriteGidFile(const std::string& path) {
    FileWriter file(path);
    file.Line("gid");
    file.Close();
}

void ArrangeFiles(const Ide& ide, const Scale& scale) {
    const std::string v = ide.V();
    if (ide.delphi) {
        for (const char* kind : {"cnt", "ohc", "ohi", "ohl"}) {
            WriteHelpFile(ide.Help("D" + v + "." + kind), kind, scale.helpLines, false);
        }
        WriteGidFile(ide.Help("Delphi" + v + ".gid"));
        WriteGidFile(ide.Help("Del" + v + "vcl.gid"));
        WriteOptionsFile(ide);
    } else {
        WriteHelpFile(ide.Help("BCB" + v + ".ohi"), "ohi", scale.helpLines, true);
        WriteHelpFile(ide.Help("BCB" + v + ".ohl"), "ohl", scale.helpLines, true);
        WriteGidFile(ide.Help("BCB" + v + ".gid"));
        WriteDefaultProject(ide, scale.projectLines);
    }
}

void Clear() {
    KitTest::ResetMachine();
    KitTest::RemoveDirectoryTree(kBenchRoot);
}

void Arrange(const Ide& ide, const Scale& scale) {
    Clear();
    KitTest::MakeDirectories(kBenchRoot);
    ArrangeRegistry(ide);
    ArrangeFiles(ide, scale);
}

// The last bytes of a file, without reading it whole.
std::string FileTail(const std::string& path, std::size_t count) {
    UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return {};
    LARGE_INTEGER start{};
    start.QuadPart = size.QuadPart > static_cast<LONGLONG>(count)
                         ? size.QuadPart - static_cast<LONGLONG>(count)
                         : 0;
    std::string tail(static_cast<std::size_t>(size.QuadPart - start.QuadPart), '\0');
    DWORD read = 0;
    if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) ||
        !::ReadFile(file.get(), &tail[0], static_cast<DWORD>(tail.size()), &read, nullptr)) {
        return {};
    }
    tail.resize(read);
    return tail;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A fast request that did not do its work would prove nothing: the result of
// every timed request is checked against what it must have changed.
void CheckRequestDone(const Ide& ide, const Figures& figures) {
    std::vector<std::string> missing;
    const auto expect = [&missing](bool done, const std::string& what) {
        if (!done) missing.push_back(what);
    };
    const std::string v = ide.V();
    const std::string knownPackages = ide.KeyPath() + "\\Known Packages";
    expect(figures.at("result") == 0 && figures.at("boxes") == 1, "one information box");
    expect(KitTest::ReadString(HKEY_CURRENT_USER, knownPackages,
                               kSuiteDir + "Bin\\Os30Ctls_Dsgn" + v + "0.bpl")
               .has_value(),
           "this version's \"Known Packages\" value");
    expect(!KitTest::ReadString(HKEY_CURRENT_USER, knownPackages,
                                kOldSuiteDir + "Bin\\Os252NDsgn" + v + "0.bpl")
                .has_value(),
           "an earlier version's \"Known Packages\" value removed");
    const auto searchPath =
        KitTest::ReadString(HKEY_CURRENT_USER, ide.KeyPath() + "\\Library", "Search Path");
    const std::string libraryEntry = kSuiteDir + (ide.delphi ? "Lib" : "LibBCB") + v + ";";
    expect(searchPath && EndsWith(*searchPath, libraryEntry) &&
               searchPath->find(kOldSuiteDir) == std::string::npos,
           "the \"Search Path\" updated");
    const std::string helpLinks = ide.Help((ide.delphi ? "D" : "BCB") + v + ".ohl");
    expect(EndsWith(FileTail(helpLinks, 64), ":Link OC3Help.hlp\r\n\r\n"),
           "the help links merged");
    if (ide.delphi) {
        std::vector<char> packages(kDofPackagesChars * 2);
        ::GetPrivateProfileStringA("Directories", "Packages", "", packages.data(),
                                   static_cast<DWORD>(packages.size()), ide.OptionsFile().c_str());
        const std::string text = packages.data();
        expect(EndsWith(text, "Os30Ctls" + v + "0;Os30DBCtls" + v + "0;") &&
                   text.find("OS252N" + v + "0;") == std::string::npos,
               "the \"Packages\" option edited");
    } else {
        const auto project = KitTest::ReadBytes(ide.Bin("Default.bpr"));
        expect(project && project->find("Os30Ctls" + v + "0.bpi Os30DBCtls" + v + "0.bpi") !=
                              std::string::npos &&
                   project->find("Os252N" + v + "0.bpi") == std::string::npos,
               "the PACKAGES macro edited");
    }
    if (!missing.empty()) {
        std::string list;
        for (const std::string& what : missing) list += "\n  missing: " + what;
        throw std::runtime_error(std::string(ide.request) + " did not do its work:" + list);
    }
}

// ---- Counting KitSetup.dll's calls ---------------------------------------------

// Points one import of the module at a replacement; returns what it pointed
// at before, or null when the module does not import that function.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return nullptr;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
            DWORD oldProtect = 0;
            ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                             &oldProtect);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
            ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, oldProtect,
                             &oldProtect);
            return previous;
        }
    }
    return nullptr;
}

// Every import of the module from dll, by name.
std::vector<std::string> ImportsFrom(HMODULE module, const char* dll) {
    std::vector<std::string> found;
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         dir.VirtualAddress && desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        for (auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
             names->u1.AddressOfData; ++names) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            found.emplace_back(reinterpret_cast<char*>(
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name));
        }
    }
    return found;
}

// The functions counted, their calls, and their originals. Counting must cost
// next to nothing beside the calls themselves: plain arrays, no look-ups.
enum Counted {
    kRegOpenKeyExA, kRegCreateKeyExA, kRegCloseKey, kRegQueryValueExA, kRegSetValueExA,
    kRegQueryInfoKeyA, kRegEnumValueA, kRegDeleteValueA,
    kCreateFileA, kReadFile, kWriteFile, kCopyFileA, kMoveFileExA, kDeleteFileA,
    kGetPrivateProfileStringA, kWritePrivateProfileStringA, kCompareStringA,
    kCloseHandle, kGetTempFileNameA, kFindFirstFileA, kGetFileAttributesA, kSetFileAttributesA,
    kmalloc, krealloc, kMessageBoxA,
    kCountedFunctions
};
long long gCalls[kCountedFunctions];
double gSeconds[kCountedFunctions];  // heap functions are counted, not timed
// The peak working set when the information box is about to be shown: the
// library's own, before the dialog brings in fonts and the like.
double gPeakBeforeBox = 0;
void* gReal[kCountedFunctions];
long long gBytesRead = 0;
long long gBytesWritten = 0;
long long gBytesCopied = 0;
long long gBytesAllocated = 0;

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

PROCESS_MEMORY_COUNTERS MemoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// Counts one call of a counted function and adds the time spent in it.
class Timed {
public:
    explicit Timed(Counted id) : id_(id), start_(Now()) { ++gCalls[id]; }
    ~Timed() { gSeconds[id_] += Now() - start_; }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    Counted id_;
    double start_;
};

// The original function, typed as declared.
#define KITBENCH_REAL(name) reinterpret_cast<decltype(&::name)>(gReal[k##name])

LONG WINAPI CountRegOpenKeyExA(HKEY a, LPCSTR b, DWORD c, REGSAM d, PHKEY e) {
    Timed timed(kRegOpenKeyExA);
    return KITBENCH_REAL(RegOpenKeyExA)(a, b, c, d, e);
}
LONG WINAPI CountRegCreateKeyExA(HKEY a, LPCSTR b, DWORD c, LPSTR d, DWORD e, REGSAM f,
                                 const LPSECURITY_ATTRIBUTES g, PHKEY h, LPDWORD i) {
    Timed timed(kRegCreateKeyExA);
    return KITBENCH_REAL(RegCreateKeyExA)(a, b, c, d, e, f, g, h, i);
}
LONG WINAPI CountRegCloseKey(HKEY a) {
    Timed timed(kRegCloseKey);
    return KITBENCH_REAL(RegCloseKey)(a);
}
LONG WINAPI CountRegQueryValueExA(HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f) {
    Timed timed(kRegQueryValueExA);
    return KITBENCH_REAL(RegQueryValueExA)(a, b, c, d, e, f);
}
LONG WINAPI CountRegSetValueExA(HKEY a, LPCSTR b, DWORD c, DWORD d, const BYTE* e, DWORD f) {
    Timed timed(kRegSetValueExA);
    return KITBENCH_REAL(RegSetValueExA)(a, b, c, d, e, f);
}
LONG WINAPI CountRegQueryInfoKeyA(HKEY a, LPSTR b, LPDWORD c, LPDWORD d, LPDWORD e, LPDWORD f,
                                  LPDWORD g, LPDWORD h, LPDWORD i, LPDWORD j, LPDWORD k,
                                  PFILETIME l) {
    Timed timed(kRegQueryInfoKeyA);
    return KITBENCH_REAL(RegQueryInfoKeyA)(a, b, c, d, e, f, g, h, i, j, k, l);
}
LONG WINAPI CountRegEnumValueA(HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPDWORD f,
                               LPBYTE g, LPDWORD h) {
    Timed timed(kRegEnumValueA);
    return KITBENCH_REAL(RegEnumValueA)(a, b, c, d, e, f, g, h);
}
LONG WINAPI CountRegDeleteValueA(HKEY a, LPCSTR b) {
    Timed timed(kRegDeleteValueA);
    return KITBENCH_REAL(RegDeleteValueA)(a, b);
}

HANDLE WINAPI CountCreateFileA(LPCSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e,
                               DWORD f, HANDLE g) {
    Timed timed(kCreateFileA);
    return KITBENCH_REAL(CreateFileA)(a, b, c, d, e, f, g);
}
BOOL WINAPI CountReadFile(HANDLE a, LPVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e) {
    Timed timed(kReadFile);
    const BOOL ok = KITBENCH_REAL(ReadFile)(a, b, c, d, e);
    if (ok && d) gBytesRead += *d;
    return ok;
}
BOOL WINAPI CountWriteFile(HANDLE a, LPCVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e) {
    Timed timed(kWriteFile);
    const BOOL ok = KITBENCH_REAL(WriteFile)(a, b, c, d, e);
    if (ok && d) gBytesWritten += *d;
    return ok;
}
BOOL WINAPI CountCopyFileA(LPCSTR a, LPCSTR b, BOOL c) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExA(a, GetFileExInfoStandard, &data)) {
        gBytesCopied += (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    Timed timed(kCopyFileA);
    return KITBENCH_REAL(CopyFileA)(a, b, c);
}
BOOL WINAPI CountMoveFileExA(LPCSTR a, LPCSTR b, DWORD c) {
    Timed timed(kMoveFileExA);
    return KITBENCH_REAL(MoveFileExA)(a, b, c);
}
BOOL WINAPI CountDeleteFileA(LPCSTR a) {
    Timed timed(kDeleteFileA);
    return KITBENCH_REAL(DeleteFileA)(a);
}
DWORD WINAPI CountGetPrivateProfileStringA(LPCSTR a, LPCSTR b, LPCSTR c, LPSTR d, DWORD e,
                                           LPCSTR f) {
    Timed timed(kGetPrivateProfileStringA);
    return KITBENCH_REAL(GetPrivateProfileStringA)(a, b, c, d, e, f);
}
BOOL WINAPI CountWritePrivateProfileStringA(LPCSTR a, LPCSTR b, LPCSTR c, LPCSTR d) {
    Timed timed(kWritePrivateProfileStringA);
    return KITBENCH_REAL(WritePrivateProfileStringA)(a, b, c, d);
}
int WINAPI CountCompareStringA(LCID a, DWORD b, LPCSTR c, int d, LPCSTR e, int f) {
    Timed timed(kCompareStringA);
    return KITBENCH_REAL(CompareStringA)(a, b, c, d, e, f);
}
BOOL WINAPI CountCloseHandle(HANDLE a) {
    Timed timed(kCloseHandle);
    return KITBENCH_REAL(CloseHandle)(a);
}
UINT WINAPI CountGetTempFileNameA(LPCSTR a, LPCSTR b, UINT c, LPSTR d) {
    Timed timed(kGetTempFileNameA);
    return KITBENCH_REAL(GetTempFileNameA)(a, b, c, d);
}
HANDLE WINAPI CountFindFirstFileA(LPCSTR a, LPWIN32_FIND_DATAA b) {
    Timed timed(kFindFirstFileA);
    return KITBENCH_REAL(FindFirstFileA)(a, b);
}
DWORD WINAPI CountGetFileAttributesA(LPCSTR a) {
    Timed timed(kGetFileAttributesA);
    return KITBENCH_REAL(GetFileAttributesA)(a);
}
BOOL WINAPI CountSetFileAttributesA(LPCSTR a, DWORD b) {
    Timed timed(kSetFileAttributesA);
    return KITBENCH_REAL(SetFileAttributesA)(a, b);
}
void* __cdecl CountMalloc(size_t size) {
    gBytesAllocated += static_cast<long long>(size);
    ++gCalls[kmalloc];
    return KITBENCH_REAL(malloc)(size);
}
void* __cdecl CountRealloc(void* block, size_t size) {
    gBytesAllocated += static_cast<long long>(size);
    ++gCalls[krealloc];
    return KITBENCH_REAL(realloc)(block, size);
}
// The information box waits for the user: its time is kept apart.
int WINAPI TimeMessageBoxA(HWND a, LPCSTR b, LPCSTR c, UINT d) {
    if (gPeakBeforeBox == 0) gPeakBeforeBox = static_cast<double>(MemoryNow().PeakWorkingSetSize);
    Timed timed(kMessageBoxA);
    return KITBENCH_REAL(MessageBoxA)(a, b, c, d);
}
#undef KITBENCH_REAL

struct Wrapper {
    Counted id;
    const char* dll;
    const char* function;
    void* replacement;
};
#define KITBENCH_WRAPPER(dll, name, wrapper) \
    { k##name, dll, #name, reinterpret_cast<void*>(&wrapper) }
const Wrapper kWrappers[] = {
    KITBENCH_WRAPPER("advapi32.dll", RegOpenKeyExA, CountRegOpenKeyExA),
    KITBENCH_WRAPPER("advapi32.dll", RegCreateKeyExA, CountRegCreateKeyExA),
    KITBENCH_WRAPPER("advapi32.dll", RegCloseKey, CountRegCloseKey),
    KITBENCH_WRAPPER("advapi32.dll", RegQueryValueExA, CountRegQueryValueExA),
    KITBENCH_WRAPPER("advapi32.dll", RegSetValueExA, CountRegSetValueExA),
    KITBENCH_WRAPPER("advapi32.dll", RegQueryInfoKeyA, CountRegQueryInfoKeyA),
    KITBENCH_WRAPPER("advapi32.dll", RegEnumValueA, CountRegEnumValueA),
    KITBENCH_WRAPPER("advapi32.dll", RegDeleteValueA, CountRegDeleteValueA),
    KITBENCH_WRAPPER("kernel32.dll", CreateFileA, CountCreateFileA),
    KITBENCH_WRAPPER("kernel32.dll", ReadFile, CountReadFile),
    KITBENCH_WRAPPER("kernel32.dll", WriteFile, CountWriteFile),
    KITBENCH_WRAPPER("kernel32.dll", CopyFileA, CountCopyFileA),
    KITBENCH_WRAPPER("kernel32.dll", MoveFileExA, CountMoveFileExA),
    KITBENCH_WRAPPER("kernel32.dll", DeleteFileA, CountDeleteFileA),
    KITBENCH_WRAPPER("kernel32.dll", GetPrivateProfileStringA, CountGetPrivateProfileStringA),
    KITBENCH_WRAPPER("kernel32.dll", WritePrivateProfileStringA, CountWritePrivateProfileStringA),
    KITBENCH_WRAPPER("kernel32.dll", CompareStringA, CountCompareStringA),
    KITBENCH_WRAPPER("kernel32.dll", CloseHandle, CountCloseHandle),
    KITBENCH_WRAPPER("kernel32.dll", GetTempFileNameA, CountGetTempFileNameA),
    KITBENCH_WRAPPER("kernel32.dll", FindFirstFileA, CountFindFirstFileA),
    KITBENCH_WRAPPER("kernel32.dll", GetFileAttributesA, CountGetFileAttributesA),
    KITBENCH_WRAPPER("kernel32.dll", SetFileAttributesA, CountSetFileAttributesA),
    KITBENCH_WRAPPER("msvcrt.dll", malloc, CountMalloc),
    KITBENCH_WRAPPER("msvcrt.dll", realloc, CountRealloc),
    KITBENCH_WRAPPER("user32.dll", MessageBoxA, TimeMessageBoxA),
};
#undef KITBENCH_WRAPPER
static_assert(sizeof kWrappers / sizeof kWrappers[0] == kCountedFunctions,
              "one wrapper for each counted function");

// Patches every wrapper in. A registry function the library imports but no
// wrapper counts would make the figures lie: such names are handed back.
std::vector<std::string> PatchImports(HMODULE module) {
    std::vector<std::string> counted;
    for (const Wrapper& wrapper : kWrappers) {
        if (void* real = PatchImport(module, wrapper.dll, wrapper.function, wrapper.replacement)) {
            gReal[wrapper.id] = real;
            counted.emplace_back(wrapper.function);
        }
    }
    std::vector<std::string> uncounted;
    for (const std::string& name : ImportsFrom(module, "advapi32.dll")) {
        if (std::find(counted.begin(), counted.end(), name) == counted.end()) {
            uncounted.push_back(name);
        }
    }
    return uncounted;
}

void ResetCounters() {
    std::fill(std::begin(gCalls), std::end(gCalls), 0);
    std::fill(std::begin(gSeconds), std::end(gSeconds), 0.0);
    gPeakBeforeBox = 0;
    gBytesRead = gBytesWritten = gBytesCopied = gBytesAllocated = 0;
}

// ---- Measurements in a process of their own ------------------------------------


void WriteFigures(const std::string& path, const Figures& figures) {
    std::ofstream out(path, std::ios::trunc);
    for (const auto& [name, value] : figures) out << name << ' ' << value << '\n';
    if (!out) throw std::runtime_error("cannot write " + path);
}

Figures ReadFigures(const std::string& path) {
    Figures figures;
    std::ifstream in(path);
    std::string name;
    double value = 0;
    while (in >> name >> value) figures[name] = value;
    return figures;
}

int MeasureRequest(const std::string& request, const std::string& resultPath) {
    KitTest::KitSetupDll dll;
    const std::vector<std::string> uncounted = PatchImports(dll.Module());
    ResetCounters();

    const PROCESS_MEMORY_COUNTERS before = MemoryNow();
    const double start = Now();
    const KitTest::CallOutcome outcome = dll.Call(request);
    const double seconds = Now() - start;
    const PROCESS_MEMORY_COUNTERS after = MemoryNow();

    Figures figures{
        {"seconds", seconds - gSeconds[kMessageBoxA]},
        {"box_seconds", gSeconds[kMessageBoxA]},
        {"boxes", static_cast<double>(outcome.boxes.size())},
        {"result", outcome.result},
        {"working_set_before", static_cast<double>(before.WorkingSetSize)},
        {"peak_working_set", static_cast<double>(after.PeakWorkingSetSize)},
        {"peak_before_box", gPeakBeforeBox != 0 ? gPeakBeforeBox
                                                 : static_cast<double>(after.PeakWorkingSetSize)},
        {"bytes_read", static_cast<double>(gBytesRead)},
        {"bytes_written", static_cast<double>(gBytesWritten)},
        {"bytes_copied", static_cast<double>(gBytesCopied)},
        {"bytes_allocated", static_cast<double>(gBytesAllocated)},
        {"uncounted_registry_functions", static_cast<double>(uncounted.size())},
    };
    for (const Wrapper& wrapper : kWrappers) {
        figures[std::string("calls.") + wrapper.function] = static_cast<double>(gCalls[wrapper.id]);
        figures[std::string("seconds.") + wrapper.function] = gSeconds[wrapper.id];
    }
    for (const std::string& name : uncounted) {
        std::fprintf(stderr, "not counted: %s\n", name.c_str());
    }
    WriteFigures(resultPath, figures);
    return 0;
}

// Reads the whole source once and writes it to destination, in chunks the
// size of the library's line buffer.
void PassThrough(const std::string& source, const std::string& destination) {
    UniqueFileHandle in(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueFileHandle out(::CreateFileA(destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in || !out) throw std::runtime_error("cannot open " + source + " for the floor");
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        DWORD written = 0;
        if (!::ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                        nullptr)) {
            throw std::runtime_error("cannot read " + source);
        }
        if (read == 0) return;
        if (!::WriteFile(out.get(), buffer.data(), read, &written, nullptr) || written != read) {
            throw std::runtime_error("cannot write " + destination);
        }
    }
}

// The names of the "Known Packages" values, listed once.
DWORD ListKnownPackages(const Ide& ide) {
    UniqueHkey key;
    const std::string path = ide.KeyPath() + "\\Known Packages";
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot open " + path);
    }
    DWORD count = 0;
    DWORD longest = 0;
    ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &longest, nullptr, nullptr, nullptr);
    std::vector<char> name(longest + 1);
    DWORD listed = 0;
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumValueA(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS) {
            ++listed;
        }
    }
    return listed;
}

// What any implementation has to do for the request: each rewritten file
// copied to its backup, read once while its work file is written, and the
// work file copied back; the profile file read and written once; the
// "Known Packages" values listed once. The file contents stay as they were.
int MeasureFloor(const std::string& request, const std::string& resultPath) {
    const Ide& ide = IdeFor(request);
    double copies = 0;
    double passes = 0;
    double deletions = 0;
    // Runs one step and adds its time to the given sum.
    const auto timed = [](double& sum, const auto& step) {
        const double start = Now();
        step();
        sum += Now() - start;
    };
    const double start = Now();
    for (const std::string& file : ide.RewrittenFiles()) {
        const std::string work = file + ".floor-new";
        timed(copies, [&] { ::CopyFileA(file.c_str(), (file + ".floor-bak").c_str(), FALSE); });
        timed(passes, [&] { PassThrough(file, work); });
        timed(copies, [&] { ::CopyFileA(work.c_str(), file.c_str(), FALSE); });
        timed(deletions, [&] { ::DeleteFileA(work.c_str()); });
    }
    if (!ide.OptionsFile().empty()) {
        const std::string work = ide.OptionsFile() + ".floor-new";
        timed(passes, [&] { PassThrough(ide.OptionsFile(), work); });
        timed(deletions, [&] { ::DeleteFileA(work.c_str()); });
    }
    DWORD listed = 0;
    double listing = 0;
    timed(listing, [&] { listed = ListKnownPackages(ide); });
    const double seconds = Now() - start;
    WriteFigures(resultPath, {{"seconds", seconds},
                              {"seconds.copies", copies},
                              {"seconds.passes", passes},
                              {"seconds.deletions", deletions},
                              {"seconds.listing", listing},
                              {"listed", static_cast<double>(listed)},
                              {"peak_working_set",
                               static_cast<double>(MemoryNow().PeakWorkingSetSize)}});
    return 0;
}

// ---- The driver ----------------------------------------------------------------

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ResultPath() {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "kitsetup-bench-" + std::to_string(::GetCurrentProcessId()) + ".txt";
}

// Runs this program with the arguments in a process of its own and gives
// back what it measured.
Figures RunChild(const std::string& mode, const Ide& ide) {
    const std::string result = ResultPath();
    ::DeleteFileA(result.c_str());
    std::string commandLine =
        "\"" + ProgramPath() + "\" " + mode + " " + ide.request + " \"" + result + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        throw std::runtime_error("cannot start " + commandLine);
    }
    UniqueFileHandle processHandle(process.hProcess);
    UniqueFileHandle threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    const Figures figures = ReadFigures(result);
    ::DeleteFileA(result.c_str());
    if (exitCode != 0 || figures.empty()) {
        throw std::runtime_error(mode + " " + ide.request + " failed (exit code " +
                                 std::to_string(exitCode) + ")");
    }
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double MiB(double bytes) { return bytes / (1024.0 * 1024.0); }

std::string Milliseconds(const std::vector<double>& seconds) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(0);
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        text << (i ? " " : "") << seconds[i] * 1000;
    }
    return text.str();
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Where the time of one request went: in the system functions it called, by
// kind, and in the library's own work (everything else).
void PrintTimeSpent(Figures& run) {
    const std::pair<const char*, std::vector<const char*>> kinds[] = {
        {"registry", {"RegOpenKeyExA", "RegCreateKeyExA", "RegCloseKey", "RegQueryValueExA",
                      "RegSetValueExA", "RegQueryInfoKeyA", "RegEnumValueA", "RegDeleteValueA"}},
        {"file copies", {"CopyFileA"}},
        {"other file calls",
         {"CreateFileA", "ReadFile", "WriteFile", "MoveFileExA", "DeleteFileA", "CloseHandle",
          "GetTempFileNameA", "FindFirstFileA", "GetFileAttributesA", "SetFileAttributesA"}},
        {"profile calls", {"GetPrivateProfileStringA", "WritePrivateProfileStringA"}},
        {"CompareStringA", {"CompareStringA"}},
    };
    double accounted = 0;
    std::printf("          of its middle run (%.0f ms):", run["seconds"] * 1000);
    for (const auto& [kind, functions] : kinds) {
        double seconds = 0;
        for (const char* function : functions) seconds += run[std::string("seconds.") + function];
        accounted += seconds;
        std::printf(" %s %.0f,", kind, seconds * 1000);
    }
    std::printf(" the library's own work %.0f ms\n", (run["seconds"] - accounted) * 1000);
}

constexpr double kTimeTarget = 1.5;
// Streaming needs a buffer or two, not the files: what a run on large files
// needs beyond a run on small ones stays far below the size of any one file.
constexpr double kMemoryGrowthAllowance = 2.0 * 1024 * 1024;

// Measures one IDE; false when it misses a target.
bool Benchmark(const Ide& ide, int runs) {
    std::printf("\n== %s ==\n", ide.request);
    std::vector<double> request;
    std::vector<double> box;
    double largePeak = 0;
    double largeGrowth = 0;
    double largePeakWithBox = 0;
    Arrange(ide, kLarge);
    long long rewrittenBytes = FileSize(ide.OptionsFile());
    std::printf("files: ");
    for (const std::string& file : ide.RewrittenFiles()) {
        rewrittenBytes += FileSize(file);
        std::printf("%s %.1f MiB  ", file.substr(file.find_last_of('\\') + 1).c_str(),
                    MiB(static_cast<double>(FileSize(file))));
    }
    std::printf("\n");

    // The floor and the request take turns, each on a freshly laid
    // installation, so that whatever else the machine does meets both alike.
    std::vector<double> floor;
    std::vector<Figures> floorRuns;
    std::vector<Figures> requestRuns;
    for (int run = 0; run < runs; ++run) {
        if (run > 0) Arrange(ide, kLarge);
        floorRuns.push_back(RunChild("--floor", ide));
        floor.push_back(floorRuns.back()["seconds"]);

        Arrange(ide, kLarge);
        Figures figures = RunChild("--call", ide);
        CheckRequestDone(ide, figures);
        request.push_back(figures["seconds"]);
        box.push_back(figures["box_seconds"]);
        largePeak = std::max(largePeak, figures["peak_before_box"]);
        largeGrowth =
            std::max(largeGrowth, figures["peak_before_box"] - figures["working_set_before"]);
        largePeakWithBox = std::max(largePeakWithBox, figures["peak_working_set"]);
        requestRuns.push_back(std::move(figures));
    }
    // Counts and the breakdowns of time come from the runs in the middle.
    const auto bySeconds = [](Figures& a, Figures& b) { return a["seconds"] < b["seconds"]; };
    std::sort(requestRuns.begin(), requestRuns.end(), bySeconds);
    Figures& last = requestRuns[requestRuns.size() / 2];
    std::sort(floorRuns.begin(), floorRuns.end(), bySeconds);
    Figures& floorMiddle = floorRuns[floorRuns.size() / 2];
    const double listed = floorMiddle["listed"];

    Arrange(ide, kSmall);
    Figures small = RunChild("--call", ide);
    CheckRequestDone(ide, small);
    const double smallGrowth = small["peak_before_box"] - small["working_set_before"];

    const double requestMedian = Median(request);
    const double floorMedian = Median(floor);
    const double ratio = requestMedian / floorMedian;
    const double memoryGrowth = largePeak - small["peak_before_box"];
    const double listings = last["calls.RegQueryInfoKeyA"];
    const double enumerations = last["calls.RegEnumValueA"];

    const bool timeMet = ratio <= kTimeTarget;
    const bool memoryMet = memoryGrowth <= kMemoryGrowthAllowance;
    const bool listingMet = listings == 1 && enumerations <= listed + 1 &&
                            last["uncounted_registry_functions"] == 0;

    std::printf("request   %7.0f ms  median of %d, without the information box (runs: %s ms;"
                " box %s ms)\n",
                requestMedian * 1000, runs, Milliseconds(request).c_str(),
                Milliseconds(box).c_str());
    PrintTimeSpent(last);
    std::printf("floor     %7.0f ms  median of %d (runs: %s ms): %.1f MiB of files backed up,"
                " passed through and copied back, %.0f values listed\n",
                floorMedian * 1000, runs, Milliseconds(floor).c_str(),
                MiB(static_cast<double>(rewrittenBytes)), listed);
    std::printf("          of its middle run: copies %.0f, passes %.0f, deletions %.0f,"
                " listing %.0f ms\n",
                floorMiddle["seconds.copies"] * 1000, floorMiddle["seconds.passes"] * 1000,
                floorMiddle["seconds.deletions"] * 1000, floorMiddle["seconds.listing"] * 1000);
    std::printf("ratio     %7.2f     target <= %.2f  %s\n", ratio, kTimeTarget,
                timeMet ? "met" : "MISSED");
    std::printf("memory    peak working set up to the information box %.1f MiB on large files"
                " (+%.1f MiB during the call), %.1f MiB on small files (+%.1f MiB): grows by"
                " %.1f MiB with the files, allowance %.1f  %s; %.1f MiB once the box is shown\n",
                MiB(largePeak), MiB(largeGrowth), MiB(small["peak_before_box"]), MiB(smallGrowth),
                MiB(memoryGrowth), MiB(kMemoryGrowthAllowance), memoryMet ? "met" : "MISSED",
                MiB(largePeakWithBox));
    std::printf("registry  calls per request:");
    double registryCalls = 0;
    for (const auto& [name, value] : last) {
        if (name.rfind("calls.Reg", 0) == 0) {
            std::printf(" %s %.0f", name.c_str() + 6, value);
            registryCalls += value;
        }
    }
    std::printf("; total %.0f\n", registryCalls);
    std::printf("listing   \"Known Packages\" listed %.0f time(s), %.0f names enumerated for %.0f"
                " values  %s\n",
                listings, enumerations, listed, listingMet ? "met" : "MISSED");
    std::printf("files     CreateFileA %.0f, ReadFile %.0f (%.1f MiB), WriteFile %.0f (%.1f MiB),"
                " CopyFileA %.0f (%.1f MiB), MoveFileExA %.0f, DeleteFileA %.0f,"
                " profile reads %.0f, profile writes %.0f\n",
                last["calls.CreateFileA"], last["calls.ReadFile"], MiB(last["bytes_read"]),
                last["calls.WriteFile"], MiB(last["bytes_written"]), last["calls.CopyFileA"],
                MiB(last["bytes_copied"]), last["calls.MoveFileExA"], last["calls.DeleteFileA"],
                last["calls.GetPrivateProfileStringA"], last["calls.WritePrivateProfileStringA"]);
    std::printf("other     CompareStringA %.0f, malloc %.0f, realloc %.0f (%.1f MiB asked),"
                " information boxes %.0f\n",
                last["calls.CompareStringA"], last["calls.malloc"], last["calls.realloc"],
                MiB(last["bytes_allocated"]), last["boxes"]);
    return timeMet && memoryMet && listingMet;
}

int RunBenchmark(int runs) {
    std::printf("KitSetup.dll benchmark: \"Known Packages\" %d values, \"Search Path\" %d entries,"
                " help files %d lines each, Default.bpr %d lines with %d PACKAGES names,"
                " DefProj.dof \"Packages\" %zu characters; %d runs, each in a fresh process.\n",
                kKnownPackageValues, kSearchPathEntries, kLarge.helpLines, kLarge.projectLines,
                kMacroPackageNames, kDofPackagesChars, runs);
    bool met = true;
    try {
        for (const Ide& ide : kIdes) met = Benchmark(ide, runs) && met;
    } catch (...) {
        Clear();
        throw;
    }
    Clear();
    std::printf("\n%s\n", met ? "All targets met." : "A target was MISSED.");
    return met ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (args.size() == 3 && args[0] == "--call") return MeasureRequest(args[1], args[2]);
        if (args.size() == 3 && args[0] == "--floor") return MeasureFloor(args[1], args[2]);
        // For a profiler: lay the installation, run --call on it, then --clear.
        if ((args.size() == 2 || args.size() == 3) && args[0] == "--arrange") {
            Arrange(IdeFor(args[1]), args.size() == 3 && args[2] == "small" ? kSmall : kLarge);
            return 0;
        }
        if (args.size() == 1 && args[0] == "--clear") {
            Clear();
            return 0;
        }
        int runs = 5;
        if (args.size() == 2 && args[0] == "--runs") {
            runs = std::atoi(args[1].c_str());
        } else if (!args.empty()) {
            std::fprintf(stderr, "usage: kitsetup_bench [--runs N]\n");
            return 2;
        }
        if (runs < 1) runs = 1;
        return RunBenchmark(runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kitsetup_bench: %s\n", error.what());
        return 2;
    }
}
