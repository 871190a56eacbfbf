#include "setup/DefaultProjectFile.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileOperations.h"
#include "platform/LineFile.h"
#include "platform/StringList.h"
#include "platform/WholeFile.h"
#include "setup/text/PackageMacro.h"
#include "setup/text/UninstallText.h"
#include "setup/text/XmlPackages.h"

namespace ComponentSetup {

namespace {

using KitPlatform::LineFile;
using KitPlatform::StringList;

void RemoveProjectPackage(StringList& projectPackageList, const std::string& name) {
    const int index = projectPackageList.FindItem(name);
    if (index != StringList::NotFound) projectPackageList.RemoveItemAt(index);
}

void AddProjectPackage(StringList& projectPackageList, const std::string& name) {
    if (projectPackageList.FindItem(name) == StringList::NotFound) {
        projectPackageList.AddItem(name);
    }
}

// The plan's names out, then its names in. Names compare ignoring letter
// case the way the user's locale does.
void EditProjectPackages(std::vector<std::string>& names, const RegistrationPlan& plan) {
    StringList projectPackageList;
    for (std::string& name : names) projectPackageList.AddItem(std::move(name));
    for (const std::string& name : plan.RuntimeNamesToRemove) {
        RemoveProjectPackage(projectPackageList, name);
    }
    for (const std::string& name : plan.RuntimeNamesToAdd) {
        AddProjectPackage(projectPackageList, name);
    }
    names = projectPackageList.TakeItems();
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
                             project.CopyTextLinesTo(work, KitPlatform::LineSelection{{0}, {}});
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

}  // namespace

void EditDefaultProjectFile(const std::string& rootDir, const RegistrationPlan& plan) {
    const ProjectFiles files = ProjectFilesBelow(rootDir);
    if (!KitPlatform::IsExistingFile(files.project)) return;

    const PackageListEditor edit = [&plan](std::vector<std::string>& names) {
        EditProjectPackages(names, plan);
    };
    // The backup is the copy that the run can be undone from by hand; never
    // restored here. The project file holds either its old content or all of
    // the new one.
    KitPlatform::RewriteKeepingBackup(files.project, files.work, files.backup, [&] {
        // The IDE may keep this file as XML, which an appended makefile macro
        // would break. Only an XML project is held whole; a makefile-style
        // one, however long, streams through the work file line by line.
        if (IsXmlProjectFile(files.project)) {
            return WriteXmlProject(KitPlatform::ReadWholeFile(files.project), files, edit);
        }
        WriteMakefileProject(files, edit);
        return true;
    });
}

void RemoveSuiteProjectPackages(const std::string& rootDir, int majorVersion) {
    const ProjectFiles files = ProjectFilesBelow(rootDir);
    if (!KitPlatform::IsExistingFile(files.project)) return;
    const std::optional<std::string> edited =
        ProjectWithoutSuitePackages(KitPlatform::ReadWholeFile(files.project), majorVersion);
    if (edited) KitPlatform::ReplaceWholeFile(files.project, files.work, *edited);
}

}  // namespace ComponentSetup
