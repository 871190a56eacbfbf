#include "setup/HelpMerge.h"

#include <optional>
#include <string>

#include "platform/FileOperations.h"
#include "platform/LineFile.h"
#include "platform/WholeFile.h"
#include "setup/Discovery.h"
#include "setup/text/HelpPlans.h"
#include "setup/text/UninstallText.h"

namespace ComponentSetup {

using KitPlatform::LineFile;

namespace {

// Writes the target's lines that match neither list to a fresh work file,
// then the added lines in list order and one empty line. Both files are
// closed on every path; the closes of the normal path are the ones that
// report a failed write.
void WriteMergedLines(const std::string& targetPath, const std::string& workPath,
                      HelpLineList removeLines, HelpLineList addLines) {
    LineFile work(workPath);
    work.CreateTextForWriting();
    LineFile target(targetPath);
    target.OpenTextForReading();
    const HelpLineFilter stays(addLines, removeLines);
    target.CopyTextLinesTo(work, KitPlatform::LineSelection{stays.Screen(),
                                                            [&stays](std::string_view line) {
                                                                return stays(line);
                                                            }});
    target.CloseText();
    for (std::string_view line : addLines) work.WriteTextLine(line);
    work.WriteTextLine({});
    work.CloseText();
}

// Rewrites targetPath without the lines of either list and with addLines
// appended, building the new content in workPath; the original is kept in
// backupPath. False when the target doesn't exist (nothing is touched) or when
// the rewritten content could not replace the target's (the target is then
// as before, the backup a copy of it). A failed read or write raises
// KitPlatform::InOutError, the backup then holding a copy of the target.
bool MergeHelpFile(const std::string& targetPath, const std::string& workPath,
                   const std::string& backupPath, HelpLineList removeLines,
                   HelpLineList addLines) {
    if (!KitPlatform::IsExistingFile(targetPath)) return false;
    // A backup that cannot be written (say, a read-only one from an earlier
    // run) does not stop the merge; a target that cannot be replaced
    // (read-only, or held open by another process) stays exactly as it was,
    // and the merge did not happen.
    return KitPlatform::RewriteKeepingBackup(targetPath, workPath, backupPath, [&] {
        WriteMergedLines(targetPath, workPath, removeLines, addLines);
        return true;
    });
}

bool RunPlanSteps(const HelpPlan& plan) {
    bool merged = false;
    for (const HelpMergeStep& step : plan.Steps) {
        merged = MergeHelpFile(step.TargetPath, step.WorkPath, step.BackupPath,
                               step.RemoveLines, step.AddLines);
        if (!merged) break;
    }
    return merged;
}

// The help system rebuilds these from the edited files; a missing one is fine.
void DeleteGidFiles(const HelpPlan& plan) {
    for (const std::string& gid : plan.GidFiles) KitPlatform::RemoveFile(gid);
}

// One help file without the suite's lines; true when it was rewritten. Any
// failure leaves the file as it was.
bool RemoveSuiteLinesFrom(const HelpMergeStep& step) noexcept {
    try {
        if (!KitPlatform::IsExistingFile(step.TargetPath)) return false;
        const std::optional<std::string> kept = HelpTextWithoutSuiteLines(
            KitPlatform::ReadWholeFile(step.TargetPath), step.AddLines);
        return kept && KitPlatform::ReplaceWholeFile(step.TargetPath, step.WorkPath, *kept);
    } catch (...) {
        return false;
    }
}

}  // namespace

bool MergeIdeHelp(IdeKind kind, int majorVersion) noexcept {
    try {
        const HelpPlan plan = HelpPlanFor(kind, majorVersion, ReadIdeRootDir(kind, majorVersion));
        const bool merged = RunPlanSteps(plan);
        DeleteGidFiles(plan);
        return merged;
    } catch (...) {
        // An I/O error or a failure to get memory: what had not run yet,
        // the ".gid" deletions included, does not run.
        return false;
    }
}

void RemoveSuiteHelpLines(IdeKind kind, int majorVersion, const std::string& rootDir) noexcept {
    try {
        const HelpPlan plan = HelpPlanFor(kind, majorVersion, rootDir);
        bool rewritten = false;
        for (const HelpMergeStep& step : plan.Steps) {
            if (AddsSuiteLines(step.AddLines) && RemoveSuiteLinesFrom(step)) rewritten = true;
        }
        if (rewritten) DeleteGidFiles(plan);
    } catch (...) {
        // Only a failure to get memory gets here.
    }
}

}  // namespace ComponentSetup
