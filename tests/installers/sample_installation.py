"""The sample machine before and after an example installer, shared by the
installer tests (tests/nsis, tests/inno).

Each test builds its installer with its real compiler, lays the sample
machine (tools/sample_machine.py) in a prefix of its own, takes C++Builder
5's BCB5.ohl away (so that one help merge fails), and then, with
boxcloser.exe acknowledging KitSetup's boxes from outside the installer's
process: a silent install of the full edition, a silent install of the trial
edition over it, the wizard (full edition), and a silent uninstall.

After each install: the suite's key and files, the entry in the list of
installed programs, the exact "Known Packages", "Search Path" and palette of
every IDE, the "Packages" of each DefProj.dof, the package list of each
Default.bpr, the boxes seen (one per IDE whose help merge succeeded); after
the first also the merged help files, a backup and the deleted ".gid" files.

After the uninstall: the suite's files, key and entry are gone, no box was
shown, and tools/report.py's comparison of the IDEs' keys and directory trees
before the first install and after the uninstall finds nothing but
IDEUninstall's documented residue and the earlier suite versions' traces that
IDEInstall removes on purpose (see residue_problems).
"""

import glob
import os
import re
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "tools"))
import report  # noqa: E402
import sample_machine  # noqa: E402
import wine_prefix  # noqa: E402
import wine_registry  # noqa: E402

SKIPPED = 77
PAYLOAD = os.path.join(SOURCE, "examples", "payload")
SUITE_KEY = r"Software\Ostrel\Ostrel Components\3.0"
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"
STOP_FILE = r"C:\windows\temp\boxcloser.stop"
INSTALLS = 3

BRACKWATER = r"C:\Program Files\Brackwater\Grid 4"
QUILLMARK = r"C:\Program Files\Quillmark\Reports"
ROOTS = {
    "D5": r"C:\Program Files\Borland\Delphi5",
    "D6": r"C:\Program Files\Borland\Delphi6",
    "D7": r"C:\Program Files\Borland\Delphi7",
    "C5": r"C:\Program Files\Borland\CBuilder5",
    "C6": r"C:\Program Files\Borland\CBuilder6",
}
USER_KEYS = {
    "D5": r"Software\Borland\Delphi\5.0",
    "D6": r"Software\Borland\Delphi\6.0",
    "D7": r"Software\Borland\Delphi\7.0",
    "C5": r"Software\Borland\C++Builder\5.0",
    "C6": r"Software\Borland\C++Builder\6.0",
}
# Delphi 6 is the STD edition on the sample machine: no data-aware package.
DATA_AWARE = {"D5": True, "D6": False, "D7": True, "C5": True, "C6": True}

# "Known Packages" that other vendors and the IDE itself registered: they stay.
FOREIGN_PACKAGES = {
    "D5": {r"$(DELPHI)\Bin\basedsgn50.bpl": "Base Designers",
           r"$(DELPHI)\Bin\datadsgn50.bpl": "Data Access Designers",
           BRACKWATER + r"\Bin\BwGridDsgn50.bpl": "Brackwater Grid 4"},
    "D6": {r"$(DELPHI)\Bin\basedsgn60.bpl": "Base Designers",
           r"$(DELPHI)\Bin\datadsgn60.bpl": "Data Access Designers",
           BRACKWATER + r"\Bin\BwGridDsgn60.bpl": "Brackwater Grid 4",
           QUILLMARK + r"\Bin\QmRepDsgn60.bpl": "Quillmark Reports Designer"},
    "D7": {r"$(DELPHI)\Bin\basedsgn70.bpl": "Base Designers",
           r"$(DELPHI)\Bin\datadsgn70.bpl": "Data Access Designers",
           BRACKWATER + r"\Bin\BwGridDsgn70.bpl": "Brackwater Grid 4",
           QUILLMARK + r"\Bin\QmRepDsgn70.bpl": "Quillmark Reports Designer"},
    "C5": {r"$(BCB)\Bin\basedsgn50.bpl": "Base Designers",
           r"$(BCB)\Bin\datadsgn50.bpl": "Data Access Designers",
           QUILLMARK + r"\Bin\QmRepDsgn50.bpl": "Quillmark Reports Designer"},
    "C6": {r"$(BCB)\Bin\basedsgn60.bpl": "Base Designers",
           r"$(BCB)\Bin\datadsgn60.bpl": "Data Access Designers",
           QUILLMARK + r"\Bin\QmRepDsgn60.bpl": "Quillmark Reports Designer"},
}

DELPHI_BASE_PATH = r"$(DELPHI)\Lib;$(DELPHI)\Bin;$(DELPHI)\Imports;$(DELPHI)\Projects\Bpl;"
BCB_BASE_PATH = r"$(BCB)\Lib;$(BCB)\Lib\Obj;$(BCB)\Bin;"
# The earlier versions' directories gone, the suite's appended.
def search_paths(install_dir):
    return {
        "D5": DELPHI_BASE_PATH + BRACKWATER + r"\Lib;" + install_dir + "Lib5;",
        "D6": DELPHI_BASE_PATH + BRACKWATER + r"\Lib;" + install_dir + "Lib6;",
        "D7": DELPHI_BASE_PATH + BRACKWATER + r"\Lib;" + QUILLMARK + r"\Lib;" + install_dir + "Lib7;",
        "C5": BCB_BASE_PATH + QUILLMARK + r"\Lib;" + install_dir + "LibBCB5;",
        "C6": BCB_BASE_PATH + QUILLMARK + r"\Lib;" + install_dir + "LibBCB6;",
    }


# The palette pages that are not the earlier suite versions'.
PALETTE_PAGES = {
    "D5": ["Brackwater", "Data Access", "Standard"],
    "D6": ["Brackwater", "Data Access", "Quillmark", "Standard"],
    "D7": ["Brackwater", "Data Access", "Quillmark", "Standard"],
    "C5": ["Quillmark", "Standard"],
    "C6": ["Quillmark", "Standard"],
}

# "Packages" of DefProj.dof after a full-edition run; a trial run adds its
# own entries behind the full edition's, which stay.
DELPHI_PACKAGES_FULL = {
    "D5": "vcl50;dbcore50;BwGrid50;Os30Ctls50;Os30DBCtls50;",
    "D6": "vcl;rtl;dbcore;QmRep60;Os30Ctls60;",
    "D7": "vcl;rtl;dbcore;netcore;BwGrid70;QmRep70;Os30Ctls70;Os30DBCtls70;",
}
DELPHI_PACKAGES_TRIAL_ADDED = {
    "D5": "Os30TrialCtls50;Os30TrialDBCtls50;",
    "D6": "Os30TrialCtls60;",
    "D7": "Os30TrialCtls70;Os30TrialDBCtls70;",
}
BPR_PACKAGES_FULL = {
    v: ["vcl.bpi", "rtl.bpi", "dbcore.bpi", "netcore.bpi", "QmRep%d0.bpi" % n,
        "Os30Ctls%d0.bpi" % n, "Os30DBCtls%d0.bpi" % n]
    for v, n in (("C5", 5), ("C6", 6))
}
BPR_PACKAGES_TRIAL_ADDED = {
    v: ["Os30TrialCtls%d0.bpi" % n, "Os30TrialDBCtls%d0.bpi" % n] for v, n in (("C5", 5), ("C6", 6))
}

BOX_TEXT = "The help files for Ostrel Components have been merged\rinto the %s help system."
# C++Builder 5's merge fails (BCB5.ohl is gone): no box for it.
EXPECTED_BOXES = [BOX_TEXT % ide for ide in ("Delphi 5", "Delphi 6", "Delphi 7", "C++Builder 6")]


def crlf(*lines):
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


# Help files after the first run (each merge appends its lines and one empty line).
MERGED_HELP = {
    ROOTS["D5"] + r"\Help\Delphi5.cnt": crlf(
        ":Base d5core.hlp>main", ":Title Delphi 5 Help",
        ":Index Delphi Core Reference=d5core.hlp", ":Index Library Reference=d5lib.hlp",
        ":Include d5core.cnt", ":Include d5lib.cnt", "",
        ":Index Brackwater Grid=BwGrid.hlp", ":Include BwGrid.cnt", ":Link BwGrid.hlp", "",
        "", "",
        ":Index Ostrel Components 3.0=OC3Help.hlp", ":Include OC3Help.cnt", ":Link OC3Help.hlp",
        ""),
    ROOTS["D7"] + r"\Help\D7.ohi": crlf(
        ":Index Delphi Core Reference=d7core.hlp", ":Index Library Reference=d7lib.hlp",
        ":Index Brackwater Grid=BwGrid.hlp", ":Index Ostrel Components 3.0=OC3Help.hlp", ""),
    ROOTS["C6"] + r"\Help\BCB6.ohl": crlf(
        ":Link bcb6core.hlp", ":Link QmRep.hlp", ":Link OC3Help.hlp", ""),
    # The first step of C++Builder 5's merge runs; the second finds no file.
    ROOTS["C5"] + r"\Help\BCB5.ohi": crlf(
        ":Index C++Builder Core Reference=bcb5core.hlp", ":Index Quillmark Reports=QmRep.hlp",
        ":Index Ostrel Components 3.0=OC3Help.hlp", ""),
}
BACKUPS = {ROOTS["D7"] + r"\Help\DelphiOHI.bak": ROOTS["D7"] + r"\Help\D7.ohi"}
GID_DELETED = [ROOTS["D6"] + r"\Help\Delphi6.gid", ROOTS["D6"] + r"\Help\Del6vcl.gid",
               ROOTS["D7"] + r"\Help\Delphi7.gid", ROOTS["D7"] + r"\Help\Del7vcl.gid",
               ROOTS["C5"] + r"\Help\BCB5.gid", ROOTS["C6"] + r"\Help\BCB6.gid"]
GID_KEPT = [ROOTS["D5"] + r"\Help\Delphi5.gid"]
BROKEN_HELP_FILE = ROOTS["C5"] + r"\Help\BCB5.ohl"


# The earlier suite versions' traces on the sample machine, which IDEInstall
# removes on purpose and which therefore stay gone after the uninstall.
EARLIER_DIRS = [sample_machine.OLD_252_DIR.lower(), sample_machine.OLD_251_DIR.lower()]
EARLIER_PACKAGE_FILE = re.compile(r"^os25\d[nd]dsgn\d0\.bpl$", re.I)
EARLIER_PALETTE_PAGE = re.compile(r"^(ostrel|osdata)( |\.|$)", re.I)
EARLIER_RUNTIME_PACKAGE = re.compile(r"^os25\d[nd]\d0(\.bpi)?$", re.I)
EARLIER_HELP_LINE = re.compile(r"oc25help", re.I)
# IDEInstall's backups and work files' leftovers (Default.~bp, Delphi5.~cn,
# DelphiOHI.bak, ...), which IDEUninstall leaves as they are.
INSTALL_BACKUP = re.compile(r"\\(bin|help)\\[^\\]+\.(bak|~[a-z]{2})$", re.I)
# The Delphi 6 and 7 contents files lose their empty lines to IDEInstall.
CONTENTS_WITHOUT_EMPTY_LINES = {(ROOTS["D6"] + r"\Help\Delphi6.cnt").lower(),
                                (ROOTS["D7"] + r"\Help\D7.cnt").lower()}


class Run:
    """One run of an installer: what it is, its arguments, the edition it
    installs, and the buttons boxcloser must press (none when silent)."""

    def __init__(self, title, arguments, trial, presses=()):
        self.title, self.arguments, self.trial = title, arguments, trial
        self.presses = list(presses)


class Checks:
    def __init__(self):
        self.failures = []
        self.passed = 0
        self.context = ""

    def equal(self, what, actual, expected):
        if actual == expected:
            self.passed += 1
        else:
            self.failures.append("%s%s:\n    expected %r\n    actual   %r" % (
                self.context, what, expected, actual))

    def report(self, started):
        """Prints the failures and the count; the exit status of the test."""
        for failure in self.failures:
            print(failure)
        print("%d passed, %d failed (%.1f s)" % (self.passed, len(self.failures),
                                                  time.monotonic() - started))
        return 1 if self.failures else 0


def read_bytes(prefix, windows_path):
    return wine_prefix.read_bytes(prefix, windows_path)


def temporary_dirs(prefix, pattern):
    """The installers' temporary directories (PATTERN: ns*.tmp, is-*.tmp)."""
    found = set()
    for folder in ("users/*/Temp", "users/*/AppData/Local/Temp", "windows/temp"):
        found.update(glob.glob(os.path.join(prefix, "drive_c", folder, pattern)))
    return found


def lay_sample_machine(prefix):
    """The sample machine with C++Builder 5's BCB5.ohl taken away; returns the
    help files whose backups the first install makes, as they were."""
    subprocess.run([sys.executable, os.path.join(SOURCE, "tools", "sample_machine.py"), prefix],
                   check=True, stdout=subprocess.DEVNULL)
    os.remove(wine_prefix.unix_path(prefix, BROKEN_HELP_FILE))
    return {path: read_bytes(prefix, path) for path in BACKUPS.values()}


def run_with_boxcloser(prefix, bin_dir, work, index, program, arguments, wizard_caption=None,
                       finished=None):
    """Runs PROGRAM with boxcloser beside it: (program status, boxcloser
    status, boxcloser's lines). FINISHED, when given, is polled after the
    program returns until it says the work is done (an uninstaller goes on in
    a copy of itself); then everything in the prefix may end within a minute."""
    stop_path = wine_prefix.unix_path(prefix, STOP_FILE)
    if os.path.exists(stop_path):
        os.remove(stop_path)
    closer_args = [os.path.join(bin_dir, "boxcloser.exe"), STOP_FILE]
    if wizard_caption:
        closer_args += ["--wizard", wizard_caption]
    closer_out = os.path.join(work, "boxcloser-%d.out" % index)
    with open(closer_out, "wb") as out:
        closer = wine_prefix.start(prefix, *closer_args, stdout=out)
        try:
            try:
                status = wine_prefix.run(prefix, program, *arguments, timeout=90).returncode
            except subprocess.TimeoutExpired:
                status = "timed out"
            if finished:
                deadline = time.monotonic() + 60
                while not finished() and time.monotonic() < deadline:
                    time.sleep(0.2)
                if not finished():
                    status = "not finished within 60 s"
            with open(stop_path, "wb"):
                pass
            closer_status = closer.wait(timeout=30)
            if status == 0 and finished and not wine_prefix.wait(prefix, 60):
                status = "programs still running 60 s after it finished"
        finally:
            if closer.poll() is None:
                wine_prefix.stop(prefix)  # ends boxcloser with everything else in the prefix
                closer.wait()
    wine_prefix.stop(prefix)  # Wine writes its registry files when the server stops
    with open(closer_out, "rb") as f:
        lines = f.read().decode("latin-1").replace("\r\n", "\n").splitlines()
    return status, closer_status, lines


def unescape(text):
    return re.sub(r"\\(\\|r|n|x[0-9A-F]{2})",
                  lambda m: {"\\": "\\", "r": "\r", "n": "\n"}.get(m.group(1))
                  or chr(int(m.group(1)[1:], 16)), text)


def suite_packages(ide, trial, install_dir):
    version = ide[1]
    prefix = "Os30Trial" if trial else "Os30"
    suffix = " - Trial Edition" if trial else ""
    packages = {install_dir + "Bin\\%sCtls_Dsgn%s0.bpl" % (prefix, version):
                "Ostrel Components 3.0.3" + suffix}
    if DATA_AWARE[ide]:
        packages[install_dir + "Bin\\%sDBCtls_Dsgn%s0.bpl" % (prefix, version)] = \
            "Ostrel Components 3.0.3 (Data-Aware)" + suffix
    return packages


def string_values(hive, key_path):
    key = hive.get(key_path.lower())
    if key is None:
        return None
    return {v.name: (v.data if v.type == wine_registry.REG_SZ else v) for v in key.values.values()}


def check_registry(checks, prefix, trial, install_dir):
    system = wine_registry.load(os.path.join(prefix, "system.reg"), [r"Software\Ostrel"])
    users = wine_registry.load(os.path.join(prefix, "user.reg"), [r"Software\Borland"])
    value = wine_registry.lookup(system, SUITE_KEY, "InstallDir")
    checks.equal("InstallDir", value and (value.type_name(), value.data), ("REG_SZ", install_dir))
    paths = search_paths(install_dir)
    for ide, key in USER_KEYS.items():
        expected = dict(FOREIGN_PACKAGES[ide])
        expected.update(suite_packages(ide, trial, install_dir))
        checks.equal(ide + " Known Packages", string_values(users, key + r"\Known Packages"),
                     expected)
        path = wine_registry.lookup(users, key + r"\Library", "Search Path")
        checks.equal(ide + " Search Path", path and path.data, paths[ide])
        palette = string_values(users, key + r"\Palette") or {}
        checks.equal(ide + " palette pages", sorted(palette), PALETTE_PAGES[ide])


def profile_value(data, section, name):
    """A value of an INI-style file, as the profile functions read it."""
    current = None
    for line in data.decode("latin-1").splitlines():
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            current = stripped[1:-1].lower()
        elif current == section.lower() and "=" in line:
            key, _, value = line.partition("=")
            if key.strip().lower() == name.lower():
                return value.strip()
    return None


def bpr_packages(data):
    match = re.search(r'<PACKAGES value="([^"]*)"/>', data.decode("latin-1"))
    return match and match.group(1).split()


def check_project_files(checks, prefix, trial):
    for ide, packages in DELPHI_PACKAGES_FULL.items():
        expected = packages + (DELPHI_PACKAGES_TRIAL_ADDED[ide] if trial else "")
        data = read_bytes(prefix, ROOTS[ide] + r"\Bin\DefProj.dof") or b""
        checks.equal(ide + " DefProj.dof Packages", profile_value(data, "Directories", "Packages"),
                     expected)
    for ide, packages in BPR_PACKAGES_FULL.items():
        expected = packages + (BPR_PACKAGES_TRIAL_ADDED[ide] if trial else [])
        data = read_bytes(prefix, ROOTS[ide] + r"\Bin\Default.bpr") or b""
        checks.equal(ide + " Default.bpr packages", bpr_packages(data), expected)


def payload_bytes(relative):
    with open(os.path.join(PAYLOAD, *relative.split("\\")), "rb") as f:
        return f.read()


def check_suite_files(checks, prefix, trial, install_dir):
    names = ["ReadMe.txt", r"Help\OC3Help.hlp", r"Help\OC3Help.cnt", r"Help\OC3Help.toc"]
    edition = "Os30Trial" if trial else "Os30"
    for version in (5, 6, 7):
        names += [r"Bin\%sCtls_Dsgn%d0.bpl" % (edition, version),
                  r"Bin\%sDBCtls_Dsgn%d0.bpl" % (edition, version)]
    for name in names:
        checks.equal("installed " + name, read_bytes(prefix, install_dir + name),
                     payload_bytes(name))
    for lib in ("Lib5", "Lib6", "Lib7", "LibBCB5", "LibBCB6"):
        checks.equal("directory " + lib,
                     os.path.isdir(wine_prefix.unix_path(prefix, install_dir + lib)), True)


def check_help_files(checks, prefix, before):
    for path, expected in MERGED_HELP.items():
        checks.equal(path, read_bytes(prefix, path), expected)
    for backup, original in BACKUPS.items():
        checks.equal(backup, read_bytes(prefix, backup), before[original])
    for path in GID_DELETED:
        checks.equal(path + " deleted", read_bytes(prefix, path), None)
    for path in GID_KEPT:
        checks.equal(path + " kept", read_bytes(prefix, path) is not None, True)


def installed_programs_entry(prefix, entry):
    """The values of ENTRY in the list of installed programs, or None."""
    system = wine_registry.load(os.path.join(prefix, "system.reg"), [UNINSTALL_KEY])
    return string_values(system, UNINSTALL_KEY + "\\" + entry)


def check_boxcloser(checks, outcome, boxes_expected, presses):
    status, closer_status, lines = outcome
    checks.equal("exit status", status, 0)
    checks.equal("boxcloser exit status", closer_status, 0)
    boxes = [unescape(line[len("box: "):]) for line in lines if line.startswith("box: ")]
    checks.equal("information boxes", boxes, boxes_expected)
    pressed = [line[len("pressed: "):] for line in lines if line.startswith("pressed: ")]
    checks.equal("wizard buttons pressed", pressed, presses)
    checks.equal("other boxcloser output",
                 [line for line in lines if not line.startswith(("box: ", "pressed: "))], [])


def check_install(checks, prefix, installer, run, outcome, temp_before):
    """INSTALLER: the test's description of its installer (install_dir,
    temp_pattern, entry, uninstaller)."""
    check_boxcloser(checks, outcome, EXPECTED_BOXES, run.presses)
    checks.equal("temporary directories left (KitSetup.dll unloaded)",
                 sorted(temporary_dirs(prefix, installer.temp_pattern) - temp_before), [])
    check_registry(checks, prefix, run.trial, installer.install_dir)
    check_project_files(checks, prefix, run.trial)
    check_suite_files(checks, prefix, run.trial, installer.install_dir)
    entry = installed_programs_entry(prefix, installer.entry) or {}
    uninstaller = installer.install_dir + installer.uninstaller
    checks.equal("installed programs entry", (entry.get("DisplayName"),
                                              entry.get("UninstallString")),
                 ("Ostrel Components 3.0.3", '"%s"' % uninstaller))
    checks.equal("uninstaller written", read_bytes(prefix, uninstaller) is not None, True)


def check_uninstall(checks, prefix, installer, outcome, before, after, installed):
    """BEFORE, AFTER, INSTALLED: report.py snapshots before the first install,
    after the uninstall and after the last install."""
    check_boxcloser(checks, outcome, [], [])
    checks.equal("suite's directory removed",
                 os.path.exists(wine_prefix.unix_path(prefix, installer.install_dir)), False)
    system = wine_registry.load(os.path.join(prefix, "system.reg"), [r"Software\Ostrel"])
    checks.equal("suite's key removed", SUITE_KEY.lower() in system, False)
    checks.equal("installed programs entry removed",
                 installed_programs_entry(prefix, installer.entry), None)
    checks.equal("IDE state as before the first install, up to the documented residue",
                 residue_problems(before, after), [])
    # The comparison itself tells an integrated IDE from one given back.
    checks.equal("the installed IDEs differ from the state before by more than that residue",
                 bool(residue_problems(before, installed)), True)


# --- The state before the first install and after the uninstall ---------------

def is_earlier_dir(entry):
    return any(entry.lower().startswith(d) for d in EARLIER_DIRS)


def list_without(text, separator, is_gone):
    return [e for e in text.split(separator) if e and not is_gone(e)]


def allowed_value_change(change):
    key, name, kind = change["key"].lower(), change["name"], change["change"]
    if kind == "removed" and key.endswith("\\known packages"):
        return bool(EARLIER_PACKAGE_FILE.match(name.rsplit("\\", 1)[-1]))
    if kind == "removed" and key.endswith("\\palette"):
        return bool(EARLIER_PALETTE_PAGE.match(name))
    if kind == "changed" and key.endswith("\\library") and name.lower() == "search path":
        old, new = change["before"], change["after"]
        if old["type"] != "REG_SZ" or new["type"] != "REG_SZ":
            return False
        kept = ";".join(list_without(old["data"], ";", is_earlier_dir))
        # IDEInstall ends the path with ";".
        return new["data"] in (kept, kept + ";")
    return False


def lines_of(entry):
    return report.split_lines(entry["text"])[0]


def allowed_defproj_change(old, new):
    if len(old) != len(new):
        return False
    for a, b in zip(old, new):
        if a == b:
            continue
        if not (a.lower().startswith("packages=") and b.lower().startswith("packages=")):
            return False
        kept = ";".join(list_without(a[9:], ";", EARLIER_RUNTIME_PACKAGE.match))
        if b[9:] not in (kept, kept + ";"):
            return False
    return True


def allowed_bpr_change(old_text, new_text):
    pattern = re.compile(r'(<PACKAGES value=")([^"]*)(")')
    old, new = pattern.search(old_text), pattern.search(new_text)
    if not old or not new:
        return False

    def outside(text, match):
        return (text[:match.start(2)] + text[match.end(2):]).replace("\r\n", "\n")
    kept = list_without(" ".join(old.group(2).split()), " ", EARLIER_RUNTIME_PACKAGE.match)
    return outside(old_text, old) == outside(new_text, new) and new.group(2).split() == kept


def allowed_help_change(path, old, new):
    kept = [line for line in old if not EARLIER_HELP_LINE.search(line)]
    if path.lower() in CONTENTS_WITHOUT_EMPTY_LINES:
        return [line for line in new if line] == [line for line in kept if line]
    # One more empty line for each install after the first.
    return any(new == kept + [""] * extra for extra in range(INSTALLS))


def allowed_file_change(path, before, after):
    if "text" not in before or "text" not in after:
        return False
    name = path.rsplit("\\", 1)[-1].lower()
    if name == "defproj.dof":
        return allowed_defproj_change(lines_of(before), lines_of(after))
    if name == "default.bpr":
        return allowed_bpr_change(before["text"], after["text"])
    if name.endswith((".cnt", ".ohc", ".ohi", ".ohl")):
        return allowed_help_change(path, lines_of(before), lines_of(after))
    return False


def residue_problems(before, after):
    """What tools/report.py finds changed in the IDEs' keys and directory
    trees between two snapshots, less IDEUninstall's documented residue and
    the earlier suite versions' traces: a ";" that IDEInstall put at the end of
    "Search Path" and "Packages", line ends, the Delphi 6 and 7 contents
    files' empty lines, one more empty line per install after the first, the
    deleted ".gid" files and IDEInstall's backups. Empty when nothing else
    changed."""
    result = report.compare(before, after)
    problems = []

    def ide_key(path):
        return path.lower().startswith("software\\borland\\")
    for hive in (report.HKCU, report.HKLM):
        changes = result["registry"][hive]
        for path in changes["keys_created"] + changes["keys_deleted"]:
            if ide_key(path):
                problems.append("%s\\%s: key created or deleted" % (hive, path))
        for change in changes["values"]:
            if ide_key(change["key"]) and not (hive == report.HKCU and
                                               allowed_value_change(change)):
                problems.append("%s\\%s: %r %s" % (hive, change["key"], change["name"],
                                                   change["change"]))
    files = result["files"]
    for entry in files["changed"]:
        path = entry["path"]
        if not allowed_file_change(path, before["files"][path], after["files"][path]):
            problems.append("%s: changed" % path)
    for entry in files["backups"]:
        if entry["replaced"] or not INSTALL_BACKUP.search(entry["path"]):
            problems.append("%s: now a copy of %s" % (entry["path"], entry["copy_of"]))
    for entry in files["added"]:
        if not INSTALL_BACKUP.search(entry["path"]):
            problems.append("%s: added" % entry["path"])
    for entry in files["deleted"]:
        if not entry["path"].lower().endswith(".gid"):
            problems.append("%s: deleted" % entry["path"])
    return problems


def snapshot(prefix):
    return report.take_snapshot(prefix)


def run_scenario(checks, prefix, bin_dir, work, installer_kind, build, runs, wizard_caption,
                 uninstall_arguments, check_run=None):
    """The scenario both example installers go through: lay the sample
    machine, BUILD(PREFIX) gives the installer's path, run it once for each of
    RUNS (checked after each, CHECK_RUN(CHECKS) adding the installer's own
    checks), then its uninstaller silently with UNINSTALL_ARGUMENTS, checked
    against the machine as it was before the first run."""
    help_before = lay_sample_machine(prefix)
    installer = build(prefix)
    before = snapshot(prefix)
    for index, run in enumerate(runs, 1):
        checks.context = "run %d (%s): " % (index, run.title)
        temp_before = temporary_dirs(prefix, installer_kind.temp_pattern)
        outcome = run_with_boxcloser(prefix, bin_dir, work, index, installer, run.arguments,
                                     wizard_caption if run.presses else None)
        check_install(checks, prefix, installer_kind, run, outcome, temp_before)
        if check_run:
            check_run(checks)
        if index == 1:
            check_help_files(checks, prefix, help_before)
    installed = snapshot(prefix)

    checks.context = "run %d (silent uninstall): " % (len(runs) + 1)
    uninstaller = installer_kind.install_dir + installer_kind.uninstaller
    # The uninstaller goes on in a copy of itself, which deletes the original
    # at the end.
    outcome = run_with_boxcloser(prefix, bin_dir, work, len(runs) + 1, uninstaller,
                                 uninstall_arguments,
                                 finished=lambda: read_bytes(prefix, uninstaller) is None)
    after = snapshot(prefix)
    check_uninstall(checks, prefix, installer_kind, outcome, before, after, installed)
