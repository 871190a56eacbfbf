#include "setup/text/UninstallText.h"

#include <memory>
#include <string_view>
#include <utility>

#include "platform/text/AsciiText.h"
#include "platform/text/LineSplitter.h"
#include "setup/text/DefaultPackagesText.h"
#include "setup/text/PackageMacro.h"
#include "setup/text/RegistrationTables.h"
#include "setup/text/XmlPackages.h"

namespace ComponentSetup {

namespace {

constexpr bool kBothFlags[] = {false, true};

std::string_view LastPathComponent(std::string_view path) noexcept {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// A ";"-separated list ("Search Path", the "Packages" option) without every
// entry for which isSuiteEntry is true. An entry is the text between two ";"
// (or the list's ends); blanks ahead of it belong to it. A removed entry goes
// with the ";" behind it; every other byte stays. Nothing when no entry went.
template <typename Predicate>
std::optional<std::string> WithoutEntries(std::string_view list, Predicate isSuiteEntry) {
    std::string kept;
    bool removed = false;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t separator = list.find(';', at);
        const std::size_t end = separator == std::string_view::npos ? list.size() : separator;
        std::string_view entry = list.substr(at, end - at);
        const std::size_t next = separator == std::string_view::npos ? list.size() : end + 1;
        while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
        if (!entry.empty() && isSuiteEntry(entry)) {
            removed = true;
        } else {
            kept.append(list.data() + at, next - at);
        }
        at = next;
    }
    if (!removed) return std::nullopt;
    return kept;
}

// True when name is one of the suite's four run-time names of the version
// (either edition, standard or data-aware) as the IDE's table forms them,
// without the ";" that ends an entry of the Packages option.
bool IsSuiteRuntimeName(std::string_view name, IdeKind kind, int majorVersion) {
    const IdeTable& table = IdeTableFor(kind);
    for (const bool trial : kBothFlags) {
        for (const bool dataAware : kBothFlags) {
            std::string suiteName = SuiteRuntimeName(table, dataAware, majorVersion, trial);
            if (!suiteName.empty() && suiteName.back() == ';') suiteName.pop_back();
            if (KitText::EqualsIgnoringAsciiCase(name, suiteName)) return true;
        }
    }
    return false;
}

bool IsSuiteDefaultPackage(std::string_view entry, int majorVersion) {
    return IsSuiteRuntimeName(entry, IdeKind::Delphi, majorVersion);
}

// One of the version's four run-time package names of a C++Builder project
// (Os30Ctls60.bpi ...).
bool IsSuiteProjectPackage(std::string_view name, int majorVersion) {
    return IsSuiteRuntimeName(name, IdeKind::CppBuilder, majorVersion);
}

// Takes the suite's names out of a package list and tells whether any went.
class SuitePackageRemover {
public:
    explicit SuitePackageRemover(int majorVersion) : majorVersion_(majorVersion) {}

    void operator()(std::vector<std::string>& names) {
        std::vector<std::string> kept;
        kept.reserve(names.size());
        for (std::string& name : names) {
            if (IsSuiteProjectPackage(name, majorVersion_)) {
                *removed_ = true;
            } else {
                kept.push_back(std::move(name));
            }
        }
        names = std::move(kept);
    }

    bool Removed() const noexcept { return *removed_; }

private:
    int majorVersion_;
    // Shared with the copies that std::function makes of this editor.
    std::shared_ptr<bool> removed_ = std::make_shared<bool>(false);
};

std::optional<std::string> MakefileWithoutSuitePackages(std::string_view bytes,
                                                        int majorVersion) {
    const std::vector<std::string> lines = SplitTextLines(bytes);
    std::size_t next = 0;
    std::string written;
    written.reserve(bytes.size());
    const SuitePackageRemover remover(majorVersion);
    RewritePackageMacro({[&] { return next >= lines.size(); },
                         [&]() -> std::string {
                             return next < lines.size() ? lines[next++] : std::string();
                         },
                         [&](std::string_view line) {
                             written.append(line.data(), line.size());
                             written += "\r\n";
                         }},
                        remover);
    if (!remover.Removed()) return std::nullopt;
    return written;
}

}  // namespace

bool IsSuiteDesignPackageValue(std::string_view valueName, int majorVersion) {
    const std::string_view file = LastPathComponent(valueName);
    for (const std::string& suiteFile : SuiteDesignPackageFiles(majorVersion)) {
        if (KitText::EqualsIgnoringAsciiCase(file, suiteFile)) return true;
    }
    return false;
}

std::optional<std::string> SearchPathWithoutLibraryDir(std::string_view searchPath,
                                                       std::string_view libraryDir) {
    if (libraryDir.empty()) return std::nullopt;
    const std::string withBackslash = std::string(libraryDir) + "\\";
    return WithoutEntries(searchPath, [&](std::string_view entry) {
        return KitText::EqualsIgnoringAsciiCase(entry, libraryDir) ||
               KitText::EqualsIgnoringAsciiCase(entry, withBackslash);
    });
}

std::optional<std::string> DefaultPackagesWithoutSuite(std::string_view packages,
                                                       int majorVersion) {
    return WithoutEntries(packages, [majorVersion](std::string_view entry) {
        return IsSuiteDefaultPackage(entry, majorVersion);
    });
}

std::optional<std::string> ProjectWithoutSuitePackages(std::string_view bytes, int majorVersion) {
    if (IsXmlProject(bytes)) {
        const SuitePackageRemover remover(majorVersion);
        std::optional<std::string> edited = RewriteXmlPackages(bytes, remover);
        if (!edited || !remover.Removed()) return std::nullopt;
        return edited;
    }
    return MakefileWithoutSuitePackages(bytes, majorVersion);
}

bool AddsSuiteLines(HelpLineList addLines) noexcept {
    for (std::string_view line : addLines) {
        if (!line.empty()) return true;
    }
    return false;
}

std::optional<std::string> HelpTextWithoutSuiteLines(std::string_view bytes,
                                                     HelpLineList suiteLines) {
    const std::vector<std::string> lines = SplitTextLines(bytes);
    std::vector<bool> goes(lines.size(), false);
    std::size_t lastSuiteLine = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // HelpLineStays compares whole lines, ASCII letters folded.
        if (!HelpLineStays(lines[i], suiteLines, {})) {
            goes[i] = true;
            lastSuiteLine = i;
        }
    }
    if (lastSuiteLine == lines.size()) return std::nullopt;
    if (lastSuiteLine + 2 == lines.size() && lines.back().empty()) goes.back() = true;

    std::string kept;
    kept.reserve(bytes.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (goes[i]) continue;
        kept += lines[i];
        kept += "\r\n";
    }
    return kept;
}

std::vector<std::string> SplitTextLines(std::string_view bytes) {
    std::vector<std::string> lines;
    KitText::LineSplitter splitter;
    while (!splitter.AtEnd(bytes)) {
        bytes.remove_prefix(splitter.Feed(bytes));
        if (!splitter.LineReady()) splitter.EndInput();
        lines.push_back(splitter.TakeLine());
    }
    return lines;
}

}  // namespace ComponentSetup
