#!/usr/bin/env python3
"""The example installer (examples/nsis) on the sample machine, end to end.

    installer_test.py --bin BUILD/bin --work DIR --makensis PATH

Builds the installer with makensis against BUILD/bin/KitSetup.dll, lays the
sample machine (tools/sample_machine.py) in DIR/wineprefix, takes C++Builder
5's BCB5.ohl away (so that one help merge fails), and runs the installer
three times, each time with BUILD/bin/boxcloser.exe beside it to acknowledge
the information boxes from outside the installer's process:

1. silently, full edition, into another directory (/S /D=...);
2. silently, trial edition, over the first (/S /TRIAL);
3. through its wizard (boxcloser presses the buttons), full edition, over
   the trial one.

After each run it stops the prefix and checks the suite's key and files, the
exact "Known Packages", "Search Path" and palette of every IDE, the
"Packages" of each DefProj.dof, the package list of each Default.bpr, the
boxes seen (one per IDE whose help merge succeeded) and that the installer
left no plugins directory behind (KitSetup.dll was unloaded); after the first
run also the merged help files, a backup and the deleted ".gid" files.

Exits 0 when every check passed, 1 when one failed, 77 when makensis is
missing. The prefix's wineserver is stopped on every way out.
"""

import argparse
import glob
import os
import re
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "tools"))
import wine_registry  # noqa: E402

WINE_PREFIX_TOOL = os.path.join(SOURCE, "tools", "wine-prefix.sh")
SCRIPT = os.path.join(SOURCE, "examples", "nsis", "OstrelComponents.nsi")
PAYLOAD = os.path.join(SOURCE, "examples", "nsis", "payload")
INSTALLER_NAME = "OstrelComponents-3.0.3-Setup.exe"
WIZARD_CAPTION = "Ostrel Components 3.0.3 Setup"
SKIPPED = 77

# /D= takes the rest of the command line unquoted; Wine would quote a
# directory with blanks, so this one has none.
INSTALL_DIR = "C:\\Ostrel\\OC303\\"
SUITE_KEY = r"Software\Ostrel\Ostrel Components\3.0"
STOP_FILE = r"C:\windows\temp\boxcloser.stop"

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
SEARCH_PATHS = {
    "D5": DELPHI_BASE_PATH + BRACKWATER + r"\Lib;" + INSTALL_DIR + "Lib5;",
    "D6": DELPHI_BASE_PATH + BRACKWATER + r"\Lib;" + INSTALL_DIR + "Lib6;",
    "D7": DELPHI_BASE_PATH + BRACKWATER + r"\Lib;" + QUILLMARK + r"\Lib;" + INSTALL_DIR + "Lib7;",
    "C5": BCB_BASE_PATH + QUILLMARK + r"\Lib;" + INSTALL_DIR + "LibBCB5;",
    "C6": BCB_BASE_PATH + QUILLMARK + r"\Lib;" + INSTALL_DIR + "LibBCB6;",
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
WIZARD_PRESSES = ["&Next >", "&Next >", "&Install", "&Next >", "&Finish"]


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


class Run:
    def __init__(self, title, arguments, trial, wizard):
        self.title, self.arguments, self.trial, self.wizard = title, arguments, trial, wizard


RUNS = [
    Run("silent, full edition, another directory", ["/S", "/D=" + INSTALL_DIR.rstrip("\\")],
        trial=False, wizard=False),
    Run("silent, trial edition over the full one", ["/S", "/TRIAL"], trial=True, wizard=False),
    Run("wizard, full edition over the trial one", [], trial=False, wizard=True),
]


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


def unix_path(prefix, windows_path):
    drive, rest = windows_path.split(":", 1)
    assert drive.upper() == "C", windows_path
    return os.path.join(prefix, "drive_c", *[p for p in rest.split("\\") if p])


def read_bytes(prefix, windows_path):
    try:
        with open(unix_path(prefix, windows_path), "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def plugins_dirs(prefix):
    """The installers' temporary plugins directories (nsXXXX.tmp) in the prefix."""
    found = set()
    for pattern in ("users/*/Temp/ns*.tmp", "users/*/AppData/Local/Temp/ns*.tmp",
                    "windows/temp/ns*.tmp"):
        found.update(glob.glob(os.path.join(prefix, "drive_c", pattern)))
    return found


def wine_tool(*args, **kwargs):
    return subprocess.run([WINE_PREFIX_TOOL, *args], **kwargs)


def stop_prefix(prefix):
    wine_tool("stop", prefix, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def build_installer(makensis, bin_dir, work):
    installer = os.path.join(work, INSTALLER_NAME)
    if os.path.exists(installer):
        os.remove(installer)
    # -WX: a warning (an unused define, a file not found by a wildcard) fails the build.
    subprocess.run([makensis, "-V2", "-WX", "-DKITSETUP_DLL=" + os.path.join(bin_dir, "KitSetup.dll"),
                    "-DOUTFILE=" + installer, SCRIPT], check=True)
    return installer


def run_installer(prefix, bin_dir, work, installer, run, index):
    """Runs one installation with boxcloser beside it: (installer status,
    boxcloser status, boxcloser's lines)."""
    stop_path = unix_path(prefix, STOP_FILE)
    if os.path.exists(stop_path):
        os.remove(stop_path)
    closer_args = [os.path.join(bin_dir, "boxcloser.exe"), STOP_FILE]
    if run.wizard:
        closer_args += ["--wizard", WIZARD_CAPTION]
    closer_out = os.path.join(work, "boxcloser-%d.out" % index)
    with open(closer_out, "wb") as out:
        closer = subprocess.Popen([WINE_PREFIX_TOOL, "run", prefix, *closer_args], stdout=out)
        try:
            try:
                status = wine_tool("run", prefix, installer, *run.arguments,
                                   timeout=90).returncode
            except subprocess.TimeoutExpired:
                status = "timed out"
            with open(stop_path, "wb"):
                pass
            closer_status = closer.wait(timeout=30)
        finally:
            if closer.poll() is None:
                stop_prefix(prefix)  # ends boxcloser with everything else in the prefix
                closer.wait()
    with open(closer_out, "rb") as f:
        lines = f.read().decode("latin-1").replace("\r\n", "\n").splitlines()
    return status, closer_status, lines


def unescape(text):
    return re.sub(r"\\(\\|r|n|x[0-9A-F]{2})",
                  lambda m: {"\\": "\\", "r": "\r", "n": "\n"}.get(m.group(1))
                  or chr(int(m.group(1)[1:], 16)), text)


def suite_packages(ide, trial):
    version = ide[1]
    prefix = "Os30Trial" if trial else "Os30"
    suffix = " - Trial Edition" if trial else ""
    packages = {INSTALL_DIR + "Bin\\%sCtls_Dsgn%s0.bpl" % (prefix, version):
                "Ostrel Components 3.0.3" + suffix}
    if DATA_AWARE[ide]:
        packages[INSTALL_DIR + "Bin\\%sDBCtls_Dsgn%s0.bpl" % (prefix, version)] = \
            "Ostrel Components 3.0.3 (Data-Aware)" + suffix
    return packages


def string_values(hive, key_path):
    key = hive.get(key_path.lower())
    if key is None:
        return None
    return {v.name: (v.data if v.type == wine_registry.REG_SZ else v) for v in key.values.values()}


def check_registry(checks, prefix, trial):
    system = wine_registry.load(os.path.join(prefix, "system.reg"), [r"Software\Ostrel"])
    users = wine_registry.load(os.path.join(prefix, "user.reg"), [r"Software\Borland"])
    value = wine_registry.lookup(system, SUITE_KEY, "InstallDir")
    checks.equal("InstallDir", value and (value.type_name(), value.data), ("REG_SZ", INSTALL_DIR))
    for ide, key in USER_KEYS.items():
        expected = dict(FOREIGN_PACKAGES[ide])
        expected.update(suite_packages(ide, trial))
        checks.equal(ide + " Known Packages", string_values(users, key + r"\Known Packages"),
                     expected)
        path = wine_registry.lookup(users, key + r"\Library", "Search Path")
        checks.equal(ide + " Search Path", path and path.data, SEARCH_PATHS[ide])
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


def check_suite_files(checks, prefix, trial):
    names = ["ReadMe.txt", r"Help\OC3Help.hlp", r"Help\OC3Help.cnt", r"Help\OC3Help.toc"]
    edition = "Os30Trial" if trial else "Os30"
    for version in (5, 6, 7):
        names += [r"Bin\%sCtls_Dsgn%d0.bpl" % (edition, version),
                  r"Bin\%sDBCtls_Dsgn%d0.bpl" % (edition, version)]
    for name in names:
        checks.equal("installed " + name, read_bytes(prefix, INSTALL_DIR + name),
                     payload_bytes(name))
    for lib in ("Lib5", "Lib6", "Lib7", "LibBCB5", "LibBCB6"):
        checks.equal("directory " + lib, os.path.isdir(unix_path(prefix, INSTALL_DIR + lib)), True)


def check_help_files(checks, prefix, before):
    for path, expected in MERGED_HELP.items():
        checks.equal(path, read_bytes(prefix, path), expected)
    for backup, original in BACKUPS.items():
        checks.equal(backup, read_bytes(prefix, backup), before[original])
    for path in GID_DELETED:
        checks.equal(path + " deleted", read_bytes(prefix, path), None)
    for path in GID_KEPT:
        checks.equal(path + " kept", read_bytes(prefix, path) is not None, True)


def check_run(checks, prefix, run, outcome, plugins_before):
    status, closer_status, lines = outcome
    checks.equal("installer exit status", status, 0)
    checks.equal("boxcloser exit status", closer_status, 0)
    boxes = [unescape(line[len("box: "):]) for line in lines if line.startswith("box: ")]
    checks.equal("information boxes", boxes, EXPECTED_BOXES)
    presses = [line[len("pressed: "):] for line in lines if line.startswith("pressed: ")]
    checks.equal("wizard buttons pressed", presses, WIZARD_PRESSES if run.wizard else [])
    checks.equal("other boxcloser output",
                 [line for line in lines if not line.startswith(("box: ", "pressed: "))], [])
    checks.equal("plugins directories left", sorted(plugins_dirs(prefix) - plugins_before), [])
    check_registry(checks, prefix, run.trial)
    check_project_files(checks, prefix, run.trial)
    check_suite_files(checks, prefix, run.trial)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--makensis", default="makensis")
    args = parser.parse_args(argv[1:])
    if not os.path.isfile(args.makensis) or not os.access(args.makensis, os.X_OK):
        print("makensis not found (%s): tools/bootstrap.sh installs it" % args.makensis)
        return SKIPPED
    bin_dir = os.path.abspath(args.bin)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    prefix = os.path.join(work, "wineprefix")

    started = time.monotonic()
    installer = build_installer(args.makensis, bin_dir, work)
    checks = Checks()
    try:
        subprocess.run([sys.executable, os.path.join(SOURCE, "tools", "sample_machine.py"), prefix],
                       check=True, stdout=subprocess.DEVNULL)
        os.remove(unix_path(prefix, BROKEN_HELP_FILE))
        help_before = {path: read_bytes(prefix, path) for path in BACKUPS.values()}
        for index, run in enumerate(RUNS, 1):
            checks.context = "run %d (%s): " % (index, run.title)
            plugins_before = plugins_dirs(prefix)
            outcome = run_installer(prefix, bin_dir, work, installer, run, index)
            stop_prefix(prefix)  # Wine writes its registry files when the server stops
            check_run(checks, prefix, run, outcome, plugins_before)
            if index == 1:
                check_help_files(checks, prefix, help_before)
    finally:
        stop_prefix(prefix)
    for failure in checks.failures:
        print(failure)
    print("%d passed, %d failed (%.1f s)" % (checks.passed, len(checks.failures),
                                              time.monotonic() - started))
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
