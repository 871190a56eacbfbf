#include "setup/CppBuilderRegistration.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileOperations.h"
#include "platform/LineFile.h"
#include "platform/Registry.h"
#include "platform/StringList.h"
#include "platform/WholeFile.h"
#include "setup/Discovery.h"
#include "setup/KnownPackages.h"
#include "setup/LibraryPath.h"
#include "setup/text/PackageMacro.h"
#include "setup/text/PackageNames.h"
#include "setup/text/XmlPackages.h"

namespace ComponentSetup {

namespace {

using KitPlatform::LineFile;
using KitPlatform::TRegIniFile;
using KitPlatform::TStringList;

constexpr IdeKind kKind = IdeKind::CppBuilder;

// Design-time packages of earlier suite versions and of either edition of
// this one, whose "Known Packages" entries go before this version's are
// written. The same for both editions.
constexpr const char* kEarlierDesignPackages[] = {
    "Os251NDsgn50.bpl",         "Os251DDsgn50.bpl",           "Os252NDsgn50.bpl",
    "Os252DDsgn50.bpl",         "Os252NDsgn60.bpl",           "Os252DDsgn60.bpl",
    "Os30TrialCtls_Dsgn50.bpl", "Os30TrialDBCtls_Dsgn50.bpl", "Os30TrialCtls_Dsgn60.bpl",
    "Os30TrialDBCtls_Dsgn60.bpl",
    "Os30Ctls_Dsgn50.bpl",      "Os30DBCtls_Dsgn50.bpl",
    "Os30Ctls_Dsgn60.bpl",      "Os30DBCtls_Dsgn60.bpl"};

// Run-time packages of earlier suite versions, always taken out of the
// default project.
constexpr const char* kEarlierRuntimePackages[] = {"Os251N50.bpi", "Os251D50.bpi",
                                                   "Os252N50.bpi", "Os252D50.bpi",
                                                   "Os252N60.bpi", "Os252D60.bpi"};

// The trial edition's run-time packages, taken out by a full-edition run.
constexpr const char* kTrialRuntimePackages[] = {"Os30TrialCtls50.bpi", "Os30TrialDBCtls50.bpi",
                                                 "Os30TrialCtls60.bpi", "Os30TrialDBCtls60.bpi"};

// ---- Registry phase ----------------------------------------------------------

void RegisterInIdeKey(int majorVersion, bool trialEdition) {
    TRegIniFile ideKey(IdeKeyPath(kKind, majorVersion));
    ReplaceKnownPackages(kKind, majorVersion, trialEdition,
                         {std::begin(kEarlierDesignPackages), std::end(kEarlierDesignPackages)},
                         ideKey);
    UpdateSearchPath(kKind, majorVersion, ideKey);
    DeleteOldPalettePages(ideKey);
}

// ---- Project-file phase ------------------------------------------------------

void RemoveProjectPackage(TStringList& projectPackageList, const std::string& name) {
    const int index = projectPackageList.FindItem(name);
    if (index != TStringList::NotFound) projectPackageList.RemoveItemAt(index);
}

void AddProjectPackage(TStringList& projectPackageList, const std::string& name) {
    if (projectPackageList.FindItem(name) == TStringList::NotFound) {
        projectPackageList.AddItem(name);
    }
}

// Earlier versions' names out (the trial edition's too for a full-edition
// run), this version's names in. Names compare ignoring letter case.
void EditProjectPackages(std::vector<std::string>& names, int majorVersion, bool trialEdition) {
    TStringList projectPackageList;
    for (const std::string& name : names) projectPackageList.AddItem(name);

    for (const char* name : kEarlierRuntimePackages) RemoveProjectPackage(projectPackageList, name);
    if (!trialEdition) {
        for (const char* name : kTrialRuntimePackages) {
            RemoveProjectPackage(projectPackageList, name);
        }
    }
    AddProjectPackage(projectPackageList, RuntimePackageName(false, majorVersion, trialEdition));
    if (DataAwareAllowed(kKind, majorVersion)) {
        AddProjectPackage(projectPackageList, RuntimePackageName(true, majorVersion, trialEdition));
    }

    names = projectPackageList.Items();
}

struct ProjectFiles {
    std::string project;
    std::string work;
    std::string backup;
};

// The root is used as read: an empty one gives paths beginning with "\Bin\".
ProjectFiles ProjectFilesBelow(const std::string& root) {
    return {root + "\\Bin\\Default.bpr", root + "\\Bin\\Default.new", root + "\\Bin\\Default.~bp"};
}

// A makefile-style project: copied line by line into the work file, the
// "PACKAGES = " macro rebuilt on the way. Both files are closed on every path;
// a failure leaves the work file as far as it got.
void WriteMakefileProject(const ProjectFiles& files, const PackageListEditor& edit) {
    LineFile work(files.work);
    work.CreateTextForWriting();
    LineFile project(files.project);
    project.OpenTextForReading();
    RewritePackageMacro({[&project] { return project.AtEndOfText(); },
                         [&project] { return project.ReadTextLine(); },
                         [&work](std::string_view line) { work.WriteTextLine(line); },
                         [&project, &work] {
                             project.CopyTextLinesTo(work, [](std::string_view) { return true; });
                         }},
                        edit);
    project.CloseText();
    work.CloseText();
}

// An XML project: only the value of its PACKAGES element changes, every other
// byte is kept. False when there is no such element; nothing is written then.
bool WriteXmlProject(const std::string& bytes, const ProjectFiles& files,
                     const PackageListEditor& edit) {
    const std::optional<std::string> edited = RewriteXmlPackages(bytes, edit);
    if (!edited) return false;
    KitPlatform::WriteWholeFile(files.work, *edited);
    return true;
}

// An XML project says so in its first non-blank line; this much of the file
// is enough to see that line.
constexpr std::size_t kProjectKindPrefixBytes = 64 * 1024;

bool IsXmlProjectFile(const std::string& path) {
    return IsXmlProject(KitPlatform::ReadFilePrefix(path, kProjectKindPrefixBytes));
}

void EditDefaultProject(int majorVersion, bool trialEdition) {
    const ProjectFiles files = ProjectFilesBelow(ReadIdeRootDir(kKind, majorVersion));
    if (!KitPlatform::IsExistingFile(files.project)) return;

    // The copy that the run can be undone from by hand; never restored here.
    KitPlatform::CopyFileOver(files.project, files.backup);

    const PackageListEditor edit = [majorVersion, trialEdition](std::vector<std::string>& names) {
        EditProjectPackages(names, majorVersion, trialEdition);
    };
    // The IDE may keep this file as XML, which an appended makefile macro
    // would break. Only an XML project is held whole; a makefile-style one,
    // however long, streams through the work file line by line.
    if (IsXmlProjectFile(files.project)) {
        if (!WriteXmlProject(KitPlatform::ReadWholeFile(files.project), files, edit)) return;
    } else {
        WriteMakefileProject(files, edit);
    }

    // The project file holds either its old content or all of the new one.
    KitPlatform::ReplaceFileContents(files.work, files.project);
    KitPlatform::RemoveFile(files.work);
}

}  // namespace

void RegisterCppBuilder(int majorVersion, bool trialEdition) noexcept {
    try {
        RegisterInIdeKey(majorVersion, trialEdition);
        EditDefaultProject(majorVersion, trialEdition);
    } catch (...) {
        // Whatever was written so far stays; the steps behind the failure
        // don't run, and the setup program is not told.
    }
}

}  // namespace ComponentSetup
