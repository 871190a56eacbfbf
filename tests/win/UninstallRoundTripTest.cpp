// The uninstall's central property: on generated IDE states (other vendors'
// packages, paths, palette pages and help lines in any letter case; keys,
// values and files missing; XML and makefile Default.bpr; every IDE and
// version; full and trial; one to three installs), IDEInstall n times and then
// IDEUninstall give back the IDE's per-user registry subtree and its directory
// tree as they were, except for the documented residue (UninstallResidue.h).
// A second IDEUninstall then changes nothing at all, not even a timestamp.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/support/ExpectedLines.h"
#include "tests/support/KitSetupDll.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestRegistry.h"
#include "tests/win/UninstallResidue.h"

namespace {

using namespace KitTest;
using KitPlatform::UniqueFindHandle;
using KitPlatform::UniqueHkey;

constexpr int kCases = 60;
constexpr std::uint32_t kFirstSeed = 0x05150000;

// ---- Snapshots ------------------------------------------------------------------

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const Value& o) const {
        return name == o.name && type == o.type && bytes == o.bytes;
    }
};

struct Key {
    std::vector<Value> values;  // in enumeration order
    FILETIME written{};
};

// Every key below HKEY_CURRENT_USER\SOFTWARE\Borland, by its relative path.
using Keys = std::map<std::string, Key>;

struct File {
    std::string bytes;
    FILETIME written{};
};
using Files = std::map<std::string, File>;

struct Snapshot {
    Keys keys;
    Files files;
};

void ReadKeys(HKEY parent, const std::string& path, Keys& keys) {
    UniqueHkey key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    Key& entry = keys[path];
    DWORD subkeys = 0, values = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                     &longestName, &longestData, nullptr, &entry.written);
    std::vector<char> name(2 * longestName + 2);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        Value value;
        if (RegEnumValueA(key.get(), i, name.data(), &nameLength, nullptr, &value.type, data.data(),
                          &dataSize) != ERROR_SUCCESS) {
            continue;
        }
        value.name.assign(name.data(), nameLength);
        value.bytes.assign(reinterpret_cast<const char*>(data.data()), dataSize);
        entry.values.push_back(value);
    }
    for (const std::string& subkey : SubkeyNames(parent, path)) {
        ReadKeys(parent, path + "\\" + subkey, keys);
    }
}

void ReadFiles(const std::string& dir, const std::string& prefix, Files& files) {
    WIN32_FIND_DATAA found;
    const UniqueFindHandle find(FindFirstFileA((dir + "\\*").c_str(), &found));
    if (!find) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[prefix + name + "\\"] = {"<directory>", {}};
            ReadFiles(dir + "\\" + name, prefix + name + "\\", files);
        } else {
            files[prefix + name] = {ReadBytes(dir + "\\" + name).value_or("<unreadable>"),
                                    found.ftLastWriteTime};
        }
    } while (FindNextFileA(find.get(), &found));
}

// ---- Text views used by the residue rules -----------------------------------------

std::vector<std::string> WithoutEmptyLines(std::vector<std::string> lines) {
    lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
    return lines;
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string> SplitOn(const std::string& text, const char* separators) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find_first_of(separators, at), text.size());
        if (end > at) pieces.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return pieces;
}

// A makefile project: its lines with the PACKAGES macro folded into one
// line "PACKAGES = " + names joined by one blank. hadMacro tells whether the
// file had one.
std::vector<std::string> MakefileView(const std::string& bytes, bool& hadMacro) {
    const std::vector<std::string> lines = LinesOf(bytes);
    std::vector<std::string> view;
    hadMacro = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string trimmed = Trimmed(lines[i]);
        if (hadMacro || trimmed.compare(0, 11, "PACKAGES = ") != 0) {
            view.push_back(lines[i]);
            continue;
        }
        hadMacro = true;
        std::string text = trimmed.substr(11);
        std::vector<std::string> names;
        for (;;) {
            const bool continues = !text.empty() && text.back() == '\\';
            if (continues) text = Trimmed(text.substr(0, text.size() - 1));
            for (const std::string& name : SplitOn(text, " ")) names.push_back(name);
            if (!continues) break;
            if (++i >= lines.size()) break;
            text = Trimmed(lines[i]);
            if (text.empty()) break;
        }
        std::string folded = "PACKAGES = ";
        for (const std::string& name : names) folded += name + " ";
        view.push_back(folded);
    }
    return view;
}

// An XML project: the bytes outside the PACKAGES value, and the value's names.
struct XmlView {
    std::string outside;
    std::vector<std::string> names;
    bool operator==(const XmlView& o) const { return outside == o.outside && names == o.names; }
};
XmlView XmlProjectView(const std::string& bytes) {
    const std::string marker = "<PACKAGES value=\"";
    const std::size_t begin = bytes.find(marker);
    if (begin == std::string::npos) return {bytes, {}};
    const std::size_t valueBegin = begin + marker.size();
    const std::size_t valueEnd = bytes.find('"', valueBegin);
    return {bytes.substr(0, valueBegin) + bytes.substr(valueEnd),
            SplitOn(bytes.substr(valueBegin, valueEnd - valueBegin), " \t\r\n")};
}

// A profile file: sections in order, each with its key=value lines in order.
using Profile = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;
Profile ProfileView(const std::string& bytes) {
    Profile profile;
    for (const std::string& raw : LinesOf(bytes)) {
        const std::string line = Trimmed(raw);
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']') {
            profile.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        if (profile.empty()) profile.push_back({"", {}});
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            profile.back().second.push_back({line, "<no value>"});
        } else {
            profile.back().second.push_back(
                {Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))});
        }
    }
    return profile;
}

std::string Describe(const Profile& profile) {
    std::ostringstream out;
    for (const auto& [section, entries] : profile) {
        out << "[" << section << "]";
        for (const auto& [key, value] : entries) out << " " << key << "=" << value << ";;";
    }
    return Printable(out.str());
}

// ---- The IDEs ---------------------------------------------------------------------

struct IdeUnderTest {
    char letter;  // 'D' or 'C'
    int version;
    std::string Key() const {
        return std::string(letter == 'D' ? "SOFTWARE\\Borland\\Delphi\\"
                                         : "SOFTWARE\\Borland\\C++Builder\\") +
               std::to_string(version) + ".0";
    }
    // The key below HKEY_CURRENT_USER\SOFTWARE\Borland.
    std::string UserKey() const { return Key().substr(std::string("SOFTWARE\\Borland\\").size()); }
    std::string RootName() const { return std::string(1, letter) + std::to_string(version) + "Root"; }
    bool Delphi() const { return letter == 'D'; }
    std::string Digit() const { return std::to_string(version); }
    std::string HelpBase() const {
        return (version == 5 || version == 6) ? "Delphi" + Digit() : "D" + Digit();
    }
    // Help files that get suite lines, and the contents file that only
    // loses its empty lines.
    std::vector<std::string> SuiteHelpFiles() const {
        if (!Delphi()) return {"BCB" + Digit() + ".ohi", "BCB" + Digit() + ".ohl"};
        if (version == 5) return {HelpBase() + ".cnt"};
        return {HelpBase() + ".ohc", HelpBase() + ".ohi", HelpBase() + ".ohl"};
    }
    std::string ContentsFile() const {
        return Delphi() && version != 5 ? HelpBase() + ".cnt" : std::string();
    }
    std::vector<std::string> GidFiles() const {
        if (!Delphi()) return {"BCB" + Digit() + ".gid"};
        if (version == 5) return {};
        return {"Delphi" + Digit() + ".gid", "Del" + Digit() + "vcl.gid"};
    }
    std::vector<std::string> Backups() const {
        if (!Delphi()) return {"Help\\BCBOHI.bak", "Help\\BCBOHL.bak", "Bin\\Default.~bp"};
        if (version == 5) return {"Help\\" + HelpBase() + ".~cn"};
        return {"Help\\" + HelpBase() + ".~cn", "Help\\DelphiOHC.bak", "Help\\DelphiOHI.bak",
                "Help\\DelphiOHL.bak"};
    }
};

const IdeUnderTest kIdes[] = {{'D', 5}, {'D', 6}, {'D', 7}, {'C', 5}, {'C', 6}};

// ---- Generating an IDE state ---------------------------------------------------------

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    bool Chance(int percent) { return Below(100) < percent; }
    int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
    }
    // The same text with its ASCII letters in random case.
    std::string AnyCase(const std::string& text) {
        if (Chance(50)) return text;
        std::string out = text;
        for (char& c : out) {
            if (std::isalpha(static_cast<unsigned char>(c)) && Chance(40)) {
                c = static_cast<char>(std::isupper(static_cast<unsigned char>(c))
                                          ? std::tolower(static_cast<unsigned char>(c))
                                          : std::toupper(static_cast<unsigned char>(c)));
            }
        }
        return out;
    }
    std::vector<std::string> Some(const std::vector<std::string>& pool, int most) {
        std::vector<std::string> chosen;
        const int count = Below(most + 1);
        for (int i = 0; i < count; ++i) chosen.push_back(AnyCase(Pick(pool)));
        return chosen;
    }

private:
    std::mt19937 random_;
};

// Other vendors' names: none contains a name the suite ever used.
const std::vector<std::string> kVendorPackages = {
    "$(DELPHI)\\Bin\\dclstd#0.bpl", "$(BCB)\\Bin\\dclusr#0.bpl", "C:\\Acme\\Bin\\AcmeGrid#0.bpl",
    "C:\\Zeta Tools\\ZetaDB_Dsgn#0.bpl", "D:\\Libs\\Bin\\QReport#0.bpl", "dclnet#0.bpl",
    "C:\\Acme\\Bin\\AcmeCtls_Dsgn#0.bpl"};
const std::vector<std::string> kVendorPaths = {
    "$(DELPHI)\\Lib", "$(BCB)\\Include", "C:\\Acme\\Lib", "D:\\Zeta Tools\\Lib#\\",
    "$(DELPHI)\\Imports", "C:\\Program Files\\Ostrel\\Other\\Lib"};
const std::vector<std::string> kVendorPalettePages = {"Standard", "Samples", "Acme Grids",
                                                      "Zeta Data", "Ostrel Extras"};
const std::vector<std::string> kVendorRuntimeNames = {"vcl", "rtl", "vclx", "dbrtl#0",
                                                      "AcmeGrid#0", "ZetaDB#0", "qrpt#0"};
const std::vector<std::string> kVendorBpiNames = {"vcl.bpi", "rtl.bpi", "vclx.bpi",
                                                  "dbrtl.bpi", "AcmeGrid#0.bpi",
                                                  "ZetaDataControls#0.bpi", "qrpt#0.bpi",
                                                  "bcbsmp#0.bpi"};
const std::vector<std::string> kVendorHelpLines = {
    ":Base main.hlp", ":Title IDE Help", ":Index Acme Grids=acme.hlp", ":Link acme.hlp",
    ":Include acme.toc", ":INDEX VCL Reference=vcl.hlp", ":LINK vcl.hlp", "; a comment",
    "1 Getting Started", "", ":Include zeta.cnt"};
const std::vector<std::string> kSuiteDirs = {"C:\\Program Files\\Ostrel\\Components 3.0\\",
                                             "D:\\OC3\\", "C:\\Ostrel Components\\"};

std::string WithVersion(std::string text, int version) {
    for (char& c : text) {
        if (c == '#') c = static_cast<char>('0' + version);
    }
    return text;
}

std::string Joined(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? separator : "") + items[i];
    return text;
}

std::string TextFile(Generator& g, const std::vector<std::string>& lines) {
    const std::string lineEnd = g.Chance(70) ? "\r\n" : "\n";
    std::string text = Joined(lines, lineEnd);
    if (!lines.empty() && g.Chance(80)) text += lineEnd;
    return text;
}

std::vector<std::string> VersionedSome(Generator& g, const std::vector<std::string>& pool,
                                       int most, int version) {
    std::vector<std::string> chosen = g.Some(pool, most);
    for (std::string& item : chosen) item = WithVersion(item, version);
    return chosen;
}

// ---- The fixture ----------------------------------------------------------------------

class UninstallRoundTrip : public Sandbox {
protected:
    std::string Root(const IdeUnderTest& ide) const { return PathIn(ide.RootName()); }

    // The IDE under HKEY_LOCAL_MACHINE and its per-user state and files.
    void LayIde(Generator& g, const IdeUnderTest& ide) {
        SetString(HKEY_LOCAL_MACHINE, ide.Key(), "RootDir", Root(ide));
        if (!g.Chance(25)) SetString(HKEY_LOCAL_MACHINE, ide.Key(), "Version", g.Pick<std::string>({"ENT", "PRO", "STD", "std"}));
        MakeDirectories(Root(ide) + "\\Bin");
        WriteBytes(Root(ide) + "\\Bin\\ide32.exe", "MZ stub");
        LayUserKey(g, ide);
        LayDefaultProject(g, ide);
        LayHelp(g, ide);
    }

    void LayUserKey(Generator& g, const IdeUnderTest& ide) {
        const std::string key = ide.Key();
        if (g.Chance(10)) return;  // the IDE never started for this user
        SetDword(HKEY_CURRENT_USER, key + "\\Editor", "Tab Width", 8);
        if (!g.Chance(25)) {
            CreateKey(HKEY_CURRENT_USER, key + "\\Known Packages");
            for (const std::string& name : VersionedSome(g, kVendorPackages, 4, ide.version)) {
                SetString(HKEY_CURRENT_USER, key + "\\Known Packages", name, "Vendor package");
            }
        }
        if (g.Chance(40)) {
            for (const std::string& name : VersionedSome(g, kVendorPackages, 2, ide.version)) {
                SetString(HKEY_CURRENT_USER, key + "\\Disabled Packages", name, "Switched off");
            }
        }
        if (!g.Chance(15)) {
            SetString(HKEY_CURRENT_USER, key + "\\Library", "Browsing Path", "$(DELPHI)\\Source");
            if (!g.Chance(15)) {
                std::string path = Joined(VersionedSome(g, kVendorPaths, 4, ide.version), ";");
                if (!path.empty() && g.Chance(50)) path += ";";
                SetString(HKEY_CURRENT_USER, key + "\\Library", "Search Path", path);
            }
        }
        if (g.Chance(50)) {
            for (const std::string& page : g.Some(kVendorPalettePages, 3)) {
                SetString(HKEY_CURRENT_USER, key + "\\Palette", page, "TVendorThing");
                SetString(HKEY_CURRENT_USER, key + "\\Palette", page + ".Hidden", "");
            }
        }
    }

    void LayDefaultProject(Generator& g, const IdeUnderTest& ide) {
        if (g.Chance(15)) return;
        if (ide.Delphi()) {
            std::vector<std::string> lines = {"[FileVersion]", "Version=" + ide.Digit() + ".0"};
            if (g.Chance(30)) lines.push_back("");
            lines.push_back("[Compiler]");
            lines.push_back(g.Chance(30) ? "A = 8" : "A=8");
            if (!g.Chance(10)) {
                lines.push_back("[Directories]");
                lines.push_back("OutputDir=");
                if (!g.Chance(15)) {
                    std::string packages =
                        Joined(VersionedSome(g, kVendorRuntimeNames, 5, ide.version), ";");
                    if (!packages.empty() && g.Chance(50)) packages += ";";
                    lines.push_back("Packages=" + packages);
                }
                lines.push_back("Conditionals=");
            }
            WriteBytes(Root(ide) + "\\Bin\\DefProj.dof", TextFile(g, lines));
            return;
        }
        const std::vector<std::string> names = VersionedSome(g, kVendorBpiNames, 12, ide.version);
        const int form = g.Below(100);
        if (form < 55) {  // makefile
            std::vector<std::string> lines = {"# ---------------", "VERSION = BCB.0" + ide.Digit() + ".00",
                                              "PROJECT = Project1.exe"};
            if (form < 40) {
                std::string macro = "PACKAGES = ";
                for (std::size_t i = 0; i < names.size(); ++i) {
                    macro += names[i] + " ";
                    if (i + 1 < names.size() && g.Chance(20)) {
                        lines.push_back(macro + "\\");
                        macro = "  ";
                    }
                }
                if (names.empty()) macro = "PACKAGES = vcl.bpi";
                lines.push_back(g.Chance(50) ? Trimmed(macro) : macro);
            }
            lines.push_back("SPARELIBS = vcl.lib rtl.lib");
            WriteBytes(Root(ide) + "\\Bin\\Default.bpr", TextFile(g, lines));
        } else {  // XML
            std::string xml = "<?xml version='1.0' encoding='utf-8' ?>\r\n<!-- C++Builder XML Project -->\r\n"
                              "<PROJECT>\r\n  <MACROS>\r\n    <VERSION value=\"BCB.0" + ide.Digit() + ".00\"/>\r\n";
            if (form < 92) {
                std::string value = Joined(names, " ");
                if (g.Chance(30) && names.size() > 2) value = Joined(names, " \r\n      ");
                xml += "    <PACKAGES value=\"" + value + "\"/>\r\n";
            }
            xml += "  </MACROS>\r\n</PROJECT>\r\n";
            WriteBytes(Root(ide) + "\\Bin\\Default.bpr", xml);
        }
    }

    void LayHelp(Generator& g, const IdeUnderTest& ide) {
        const std::string help = Root(ide) + "\\Help\\";
        MakeDirectories(Root(ide) + "\\Help");
        std::vector<std::string> files = ide.SuiteHelpFiles();
        if (!ide.ContentsFile().empty()) files.push_back(ide.ContentsFile());
        for (const std::string& name : files) {
            if (g.Chance(10)) continue;
            WriteBytes(help + name, TextFile(g, g.Some(kVendorHelpLines, 6)));
        }
        for (const std::string& gid : ide.GidFiles()) {
            if (!g.Chance(30)) WriteBytes(help + gid, "gid");
        }
        WriteBytes(help + "main.hlp", "help file");
    }

    // Another IDE that already holds the suite; nothing of it may change.
    void LayOtherIde(const IdeUnderTest& other, const std::string& suiteDir) {
        const std::string key = other.Key();
        SetString(HKEY_LOCAL_MACHINE, key, "RootDir", Root(other));
        for (const char* file : {"Os30Ctls_Dsgn#0.bpl", "Os30TrialDBCtls_Dsgn#0.bpl"}) {
            SetString(HKEY_CURRENT_USER, key + "\\Known Packages",
                      suiteDir + "Bin\\" + WithVersion(file, other.version), "Ostrel Components 3.0.3");
        }
        SetString(HKEY_CURRENT_USER, key + "\\Library", "Search Path",
                  "$(DELPHI)\\Lib;" + suiteDir + WithVersion(other.Delphi() ? "Lib#;" : "LibBCB#;", other.version));
        SetString(HKEY_CURRENT_USER, key + "\\Palette", "Ostrel", "TOsPanel");
        for (const std::string& name : other.SuiteHelpFiles()) {
            WriteBytes(Root(other) + "\\Help\\" + name,
                       ":Link OC3Help.hlp\r\n:Index Ostrel Components 3.0=OC3Help.hlp\r\n\r\n");
        }
        for (const std::string& gid : other.GidFiles()) WriteBytes(Root(other) + "\\Help\\" + gid, "gid");
        WriteBytes(Root(other) + (other.Delphi() ? "\\Bin\\DefProj.dof" : "\\Bin\\Default.bpr"),
                   other.Delphi() ? "[Directories]\r\nPackages=vcl;Os30Ctls" + other.Digit() + "0;\r\n"
                                  : "PACKAGES = vcl.bpi Os30Ctls" + other.Digit() + "0.bpi \r\n");
    }

    Snapshot Take() const {
        Snapshot snapshot;
        ReadKeys(HKEY_CURRENT_USER, "SOFTWARE\\Borland", snapshot.keys);
        ReadFiles(Dir(), "", snapshot.files);
        return snapshot;
    }
};

// ---- Comparing with the residue rules -------------------------------------------------

class RoundTripCheck {
public:
    RoundTripCheck(const IdeUnderTest& ide, int installs, std::set<Residue>& seen)
        : ide_(ide), root_(ide.RootName() + "\\"), installs_(installs), seen_(seen) {}

    void Compare(const Snapshot& before, const Snapshot& after) {
        CompareKeys(before.keys, after.keys);
        CompareFiles(before.files, after.files);
    }

private:
    // Notes which documented difference explained something.
    void Allow(Residue residue) { seen_.insert(residue); }

    void CompareKeys(const Keys& before, const Keys& after) {
        const std::string ideKey = "SOFTWARE\\Borland\\" + ide_.UserKey();
        for (const auto& [path, key] : after) {
            if (before.count(path)) continue;
            // Keys IDEInstall creates where the IDE had none.
            const bool created = path == ideKey || path == ideKey + "\\Known Packages" ||
                                 path == ideKey + "\\Library" || path == "SOFTWARE\\Borland" ||
                                 path == "SOFTWARE\\Borland\\" + std::string(ide_.Delphi() ? "Delphi" : "C++Builder");
            if (!created) {
                ADD_FAILURE() << "key appeared: " << path;
                continue;
            }
            Allow(Residue::CreatedWhereNothingWas);
            for (const Value& value : key.values) {
                const bool emptySearchPath = path == ideKey + "\\Library" &&
                                             value.name == "Search Path" && value.type == REG_SZ &&
                                             value.bytes == std::string(1, '\0');
                if (!emptySearchPath) {
                    ADD_FAILURE() << "value in a created key: " << path << "\\" << value.name
                                  << " = " << Printable(value.bytes);
                }
            }
        }
        for (const auto& [path, key] : before) {
            const auto found = after.find(path);
            if (found == after.end()) {
                ADD_FAILURE() << "key gone: " << path;
                continue;
            }
            std::vector<Value> was = key.values;
            std::vector<Value> now = found->second.values;
            if (path == ideKey + "\\Library") AllowSearchPathResidue(was, now);
            if (was != now) {
                std::ostringstream out;
                out << "values of " << path << " differ:\n  before:";
                for (const Value& v : was) out << " [" << Printable(v.name) << "=" << Printable(v.bytes) << "]";
                out << "\n  after: ";
                for (const Value& v : now) out << " [" << Printable(v.name) << "=" << Printable(v.bytes) << "]";
                ADD_FAILURE() << out.str();
            }
        }
    }

    // "Search Path" may end with the ";" IDEInstall appended, or be there
    // empty where there was none.
    void AllowSearchPathResidue(std::vector<Value>& was, std::vector<Value>& now) {
        auto isSearchPath = [](const Value& v) { return v.name == "Search Path"; };
        const auto w = std::find_if(was.begin(), was.end(), isSearchPath);
        const auto n = std::find_if(now.begin(), now.end(), isSearchPath);
        if (n == now.end()) return;
        if (w == was.end()) {
            if (n->type == REG_SZ && n->bytes == std::string(1, '\0')) {
                Allow(Residue::CreatedWhereNothingWas);
                now.erase(n);
            }
            return;
        }
        const std::string text = w->bytes.substr(0, w->bytes.size() - 1);
        if (w->type == REG_SZ && n->type == REG_SZ && !text.empty() && text.back() != ';' &&
            n->bytes == text + ";" + std::string(1, '\0')) {
            Allow(Residue::FinalSemicolon);
            *n = *w;
        }
    }

    bool IsTargetFile(const std::string& path) const { return path.compare(0, root_.size(), root_) == 0; }

    void CompareFiles(const Files& before, const Files& after) {
        std::set<std::string> backups;
        for (const std::string& backup : ide_.Backups()) backups.insert(root_ + backup);
        std::set<std::string> gids;
        for (const std::string& gid : ide_.GidFiles()) gids.insert(root_ + "Help\\" + gid);

        for (const auto& [path, file] : after) {
            if (before.count(path)) continue;
            if (backups.count(path)) {
                Allow(Residue::Backups);
            } else {
                ADD_FAILURE() << "file appeared: " << path << " holding " << Printable(file.bytes);
            }
        }
        for (const auto& [path, file] : before) {
            const auto found = after.find(path);
            if (found == after.end()) {
                if (gids.count(path)) {
                    Allow(Residue::DeletedGidFiles);
                } else {
                    ADD_FAILURE() << "file gone: " << path;
                }
                continue;
            }
            const std::string& now = found->second.bytes;
            if (now == file.bytes) continue;
            if (!IsTargetFile(path) || !ExplainedFileChange(path.substr(root_.size()), file.bytes, now)) {
                ADD_FAILURE() << "file changed: " << path << "\n  before: " << Printable(file.bytes)
                              << "\n  after:  " << Printable(now);
            }
        }
    }

    bool ExplainedFileChange(const std::string& relative, const std::string& was,
                             const std::string& now) {
        if (relative == "Bin\\DefProj.dof") return ExplainedProfileChange(was, now);
        if (relative == "Bin\\Default.bpr") return ExplainedProjectChange(was, now);
        if (relative.compare(0, 5, "Help\\") != 0) return false;
        const std::string name = relative.substr(5);
        // Anything rewritten is rewritten with CR LF line ends.
        if (now != CrLfLines(LinesOf(now))) return false;
        Allow(Residue::CrLfLineEnds);
        if (name == ide_.ContentsFile()) {
            Allow(Residue::ContentsFileEmptyLines);
            return WithoutEmptyLines(LinesOf(was)) == WithoutEmptyLines(LinesOf(now));
        }
        const std::vector<std::string> suiteFiles = ide_.SuiteHelpFiles();
        if (std::find(suiteFiles.begin(), suiteFiles.end(), name) == suiteFiles.end()) return false;
        std::vector<std::string> expected = LinesOf(was);
        const std::vector<std::string> actual = LinesOf(now);
        // Up to one empty line for each install after the first.
        for (int extra = 0; extra < installs_; ++extra) {
            if (actual == expected) {
                if (extra > 0) Allow(Residue::EmptyLinePerExtraInstall);
                return true;
            }
            expected.push_back("");
        }
        return false;
    }

    // The file's lines, each with its own line end, apart from the ones an
    // edit of "Packages" touches.
    static std::vector<std::string> LinesBesidePackages(const std::string& bytes) {
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
            lines.push_back(bytes.substr(at, end + 1 - at));
            at = end + 1;
        }
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& line) {
                                       return line.compare(0, 8, "Packages") == 0 ||
                                              line == "[Directories]";
                                   }),
                    lines.end());
        return lines;
    }

    bool ExplainedProfileChange(const std::string& was, const std::string& now) {
        if (LinesBesidePackages(was) != LinesBesidePackages(now)) Allow(Residue::ProfileLayout);
        Profile expected = ProfileView(was);
        Profile actual = ProfileView(now);
        for (auto& [section, entries] : actual) {
            if (section != "Directories") continue;
            for (auto& [key, value] : entries) {
                if (key != "Packages") continue;
                // The value before, if any.
                std::string old;
                bool had = false;
                for (const auto& [s, es] : expected) {
                    if (s != "Directories") continue;
                    for (const auto& [k, v] : es) {
                        if (k == "Packages") {
                            old = v;
                            had = true;
                        }
                    }
                }
                if (had && !old.empty() && old.back() != ';' && value == old + ";") {
                    Allow(Residue::FinalSemicolon);
                    value = old;
                }
                if (!had && value.empty()) {
                    Allow(Residue::CreatedWhereNothingWas);
                    value = "<created>";
                }
            }
        }
        // Take the created "Packages" (and a created [Directories]) out again.
        for (auto it = actual.begin(); it != actual.end();) {
            auto& entries = it->second;
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [](const auto& e) { return e.second == "<created>"; }),
                          entries.end());
            const bool sectionCreated =
                it->first == "Directories" && entries.empty() &&
                std::none_of(expected.begin(), expected.end(),
                             [](const auto& s) { return s.first == "Directories"; });
            it = sectionCreated ? actual.erase(it) : it + 1;
        }
        if (expected == actual) return true;
        ADD_FAILURE() << "DefProj.dof differs beyond the residue:\n  before: " << Describe(expected)
                      << "\n  after:  " << Describe(actual);
        return false;
    }

    bool ExplainedProjectChange(const std::string& was, const std::string& now) {
        if (was.compare(0, 5, "<?xml") == 0) {
            Allow(Residue::XmlValueSpacing);
            return XmlProjectView(was) == XmlProjectView(now);
        }
        if (now != CrLfLines(LinesOf(now))) return false;
        Allow(Residue::CrLfLineEnds);
        Allow(Residue::MacroLineBreaks);
        bool hadMacro = false;
        bool hasMacro = false;
        std::vector<std::string> expected = MakefileView(was, hadMacro);
        const std::vector<std::string> actual = MakefileView(now, hasMacro);
        if (!hadMacro) {
            Allow(Residue::CreatedWhereNothingWas);
            expected.push_back("PACKAGES = ");
        }
        return expected == actual;
    }

    IdeUnderTest ide_;
    std::string root_;
    int installs_;
    std::set<Residue>& seen_;
};

void ExpectNoBoxAndZero(const CallOutcome& outcome) {
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.stackDelta, 0);
    EXPECT_EQ(outcome.messageBoxCalls, 0);
    EXPECT_TRUE(outcome.boxes.empty());
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A second uninstall writes nothing: every key and file as it was, down to
// the time it was last written.
void ExpectNothingWritten(const Snapshot& first, const Snapshot& second) {
    ASSERT_EQ(first.keys.size(), second.keys.size());
    for (const auto& [path, key] : first.keys) {
        const auto found = second.keys.find(path);
        ASSERT_NE(found, second.keys.end()) << path;
        EXPECT_TRUE(key.values == found->second.values) << "values of " << path << " changed";
        EXPECT_TRUE(SameTime(key.written, found->second.written)) << path << " was written again";
    }
    ASSERT_EQ(first.files.size(), second.files.size());
    for (const auto& [path, file] : first.files) {
        const auto found = second.files.find(path);
        ASSERT_NE(found, second.files.end()) << path;
        EXPECT_EQ(file.bytes, found->second.bytes) << path;
        EXPECT_TRUE(SameTime(file.written, found->second.written)) << path << " was rewritten";
    }
}

TEST_F(UninstallRoundTrip, InstallThenUninstallGivesTheIdeBackExceptTheDocumentedResidue) {
    KitSetupDll dll;
    std::set<Residue> seen;
    for (int i = 0; i < kCases; ++i) {
        const std::uint32_t seed = kFirstSeed + static_cast<std::uint32_t>(i);
        Generator g(seed);
        const IdeUnderTest& ide = kIdes[i % 5];
        const int installs = 1 + g.Below(3);
        std::ostringstream trace;
        trace << "seed 0x" << std::hex << seed << std::dec << ": " << ide.letter << ide.version
              << ", " << installs << " install(s)";
        SCOPED_TRACE(trace.str());

        ResetMachine();
        RemoveDirectoryTree(Dir());
        MakeDirectories(Dir());
        const std::string suiteDir = g.AnyCase(g.Pick(kSuiteDirs));
        const bool suiteKey = !g.Chance(10);
        if (suiteKey) SetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", suiteDir);
        LayIde(g, ide);
        if (g.Chance(40)) LayOtherIde(kIdes[(i + 1 + g.Below(4)) % 5], suiteDir);

        const Snapshot before = Take();
        std::string requests;
        const bool trialAlways = g.Chance(50);
        for (int n = 0; n < installs; ++n) {
            const bool trial = g.Chance(30) ? !trialAlways : trialAlways;
            const std::string request = std::string(1, ide.letter) + ide.Digit() + (trial ? "T" : "");
            requests += request + " ";
            EXPECT_EQ(dll.Call(request).result, 0);
        }
        SCOPED_TRACE("installed with " + requests);
        const std::string uninstall = std::string(1, ide.letter) + ide.Digit() + (g.Chance(50) ? "x" : "");
        ExpectNoBoxAndZero(dll.CallUninstall(uninstall));
        const Snapshot after = Take();
        RoundTripCheck(ide, installs, seen).Compare(before, after);

        ExpectNoBoxAndZero(dll.CallUninstall(uninstall));
        ExpectNothingWritten(after, Take());
        if (HasFailure()) return;  // one case's story is enough to read
    }
    // Every documented difference occurred: the generated states reach each
    // part of the list, and none of it is dead text.
    for (int residue = 0; residue <= static_cast<int>(Residue::ProfileLayout); ++residue) {
        EXPECT_TRUE(seen.count(static_cast<Residue>(residue))) << "residue " << residue << " never seen";
    }
}

}  // namespace
