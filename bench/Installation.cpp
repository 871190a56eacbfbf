#include "bench/Installation.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "platform/UniqueHandle.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"

namespace KitBench {

using KitPlatform::UniqueFileHandle;
using KitPlatform::UniqueHkey;

const Ide kIdes[2] = {{"D7", true, 7}, {"C6", false, 6}};

const Ide& IdeFor(const std::string& request) {
    for (const Ide& ide : kIdes) {
        if (request == ide.request) return ide;
    }
    throw std::runtime_error("unknown request " + request);
}

namespace {

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

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace KitBench
