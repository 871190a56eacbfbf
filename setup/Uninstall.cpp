#include "setup/Uninstall.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/FileOperations.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/StringList.h"
#include "platform/WholeFile.h"
#include "setup/ComponentSetup.h"
#include "setup/DefaultProjectOptions.h"
#include "setup/Discovery.h"
#include "setup/KnownPackages.h"
#include "setup/LibraryPath.h"
#include "setup/text/HelpPlans.h"
#include "setup/text/SearchPathText.h"
#include "setup/text/UninstallText.h"

namespace ComponentSetup {

using KitPlatform::TIniFile;
using KitPlatform::TRegIniFile;
using KitPlatform::TRegistry;
using KitPlatform::TStringList;

namespace {

// The IDE moves a package the user switched off into this section.
constexpr const char* kDisabledPackagesSection = "Disabled Packages";

// The IDE's per-user key, opened only when it exists: the uninstall never
// creates a key. TRegIniFile creates its key when absent, so it is made only
// after the key was found.
std::unique_ptr<TRegIniFile> OpenExistingIdeUserKey(const UninstallTarget& target) {
    const std::string path = IdeKeyPath(target.Kind, target.MajorVersion);
    {
        TRegistry probe;  // HKEY_CURRENT_USER
        if (!probe.OpenKeyPath(path, false)) return nullptr;
    }
    return std::make_unique<TRegIniFile>(path);
}

void RemoveSuiteValues(const char* section, int majorVersion, TRegIniFile& ideKey) {
    TStringList names;
    ideKey.ListSectionValues(section, names);
    // Values are only deleted, never written again: the ones that stay keep
    // their order, which is the order the IDE loads packages in.
    for (const std::string& name : names.Items()) {
        if (IsSuiteDesignPackageValue(name, majorVersion)) {
            ideKey.DeleteSectionValue(section, name);
        }
    }
}

// A work file that is gone again on every path out, also when writing it
// failed halfway.
class WorkFile {
public:
    explicit WorkFile(std::string path) : path_(std::move(path)) {}
    ~WorkFile() { KitPlatform::RemoveFile(path_); }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;
    const std::string& Path() const noexcept { return path_; }

private:
    std::string path_;
};

// Puts content in target's place through the work file; the target holds
// either its old bytes or all of the new ones. False when it kept the old.
bool ReplaceThroughWorkFile(const std::string& target, const std::string& workPath,
                            const std::string& content) {
    const WorkFile work(workPath);
    KitPlatform::WriteWholeFile(work.Path(), content);
    return KitPlatform::ReplaceFileContents(work.Path(), target);
}

// One help file without the suite's lines; true when it was rewritten. Any
// failure leaves the file as it was.
bool RemoveSuiteLinesFrom(const HelpMergeStep& step) noexcept {
    try {
        if (!KitPlatform::IsExistingFile(step.TargetPath)) return false;
        const std::optional<std::string> kept = HelpTextWithoutSuiteLines(
            KitPlatform::ReadWholeFile(step.TargetPath), step.AddLines);
        return kept && ReplaceThroughWorkFile(step.TargetPath, step.WorkPath, *kept);
    } catch (...) {
        return false;
    }
}

}  // namespace

void RemoveSuitePackages(const UninstallTarget& target) noexcept {
    try {
        const std::unique_ptr<TRegIniFile> ideKey = OpenExistingIdeUserKey(target);
        if (!ideKey) return;
        RemoveSuiteValues(kKnownPackagesSection, target.MajorVersion, *ideKey);
        RemoveSuiteValues(kDisabledPackagesSection, target.MajorVersion, *ideKey);
    } catch (...) {
        // A key or value that cannot be read or deleted ends this step only.
    }
}

void RemoveSuiteLibraryDir(const UninstallTarget& target) noexcept {
    try {
        if (target.InstallDir.empty()) return;  // the suite's key may be gone already
        const std::unique_ptr<TRegIniFile> ideKey = OpenExistingIdeUserKey(target);
        if (!ideKey) return;
        std::string libraryDir =
            LibraryDirEntry(target.InstallDir, target.Kind, target.MajorVersion);
        libraryDir.pop_back();  // the entry's ";"
        // A missing value reads as empty, which holds nothing to remove.
        const std::optional<std::string> searchPath = SearchPathWithoutLibraryDir(
            ideKey->ReadSectionString(kLibrarySection, kSearchPathValue, ""), libraryDir);
        if (searchPath) ideKey->WriteSectionString(kLibrarySection, kSearchPathValue, *searchPath);
    } catch (...) {
    }
}

void RemoveSuitePalettePages(const UninstallTarget& target) noexcept {
    try {
        const std::unique_ptr<TRegIniFile> ideKey = OpenExistingIdeUserKey(target);
        if (!ideKey) return;
        for (const char* value : kOldPaletteValues) {
            ideKey->DeleteSectionValue(kPaletteSection, value);
        }
    } catch (...) {
    }
}

void RemoveSuiteDefaultProjectPackages(const UninstallTarget& target) noexcept {
    try {
        if (target.Kind == IdeKind::Delphi) {
            const std::string path = target.RootDir + "\\Bin\\DefProj.dof";
            if (!KitPlatform::IsExistingFile(path)) return;
            TIniFile options(path);
            const std::optional<std::string> packages = DefaultPackagesWithoutSuite(
                options.ReadIniStringWhole(kDirectoriesSection, kPackagesIdent, ""),
                target.MajorVersion);
            if (packages) options.WriteIniString(kDirectoriesSection, kPackagesIdent, *packages);
        } else {
            const std::string project = target.RootDir + "\\Bin\\Default.bpr";
            if (!KitPlatform::IsExistingFile(project)) return;
            const std::optional<std::string> edited = ProjectWithoutSuitePackages(
                KitPlatform::ReadWholeFile(project), target.MajorVersion);
            // No backup: IDEInstall's stays as it is.
            if (edited) {
                ReplaceThroughWorkFile(project, target.RootDir + "\\Bin\\Default.new", *edited);
            }
        }
    } catch (...) {
    }
}

void RemoveSuiteHelpLines(const UninstallTarget& target) noexcept {
    try {
        const HelpPlan plan = HelpPlanFor(target.Kind, target.MajorVersion, target.RootDir);
        bool rewritten = false;
        for (const HelpMergeStep& step : plan.Steps) {
            if (AddsSuiteLines(step.AddLines) && RemoveSuiteLinesFrom(step)) rewritten = true;
        }
        // The help system rebuilds its index from the edited files.
        if (rewritten) {
            for (const std::string& gid : plan.GidFiles) KitPlatform::RemoveFile(gid);
        }
    } catch (...) {
    }
}

int IDEUninstall(const void* paramBlock) noexcept {
    try {
        const char* text = RequestTextOf(paramBlock);
        if (!text) return 0;
        const std::optional<InstallRequest> request = ParseInstallRequest(text);
        if (!request || !IdeKeyExists(request->Kind, request->MajorVersion)) return 0;

        UninstallTarget target;
        target.Kind = request->Kind;
        target.MajorVersion = request->MajorVersion;
        target.InstallDir = ReadProductInstallDir();
        target.RootDir = ReadIdeRootDir(request->Kind, request->MajorVersion);

        RemoveSuitePackages(target);
        RemoveSuiteLibraryDir(target);
        RemoveSuitePalettePages(target);
        RemoveSuiteDefaultProjectPackages(target);
        RemoveSuiteHelpLines(target);
    } catch (...) {
        // Only a failure to get memory gets here; the setup program never
        // sees it.
    }
    return 0;
}

}  // namespace ComponentSetup
