#!/usr/bin/env python3
"""The setup author's whole job, checked: lay the sample machine, run
`kitsetup --acknowledge D7 C6 D6` in it, report, and compare the report with
what IDEInstall must change there, value by value and file by file.

    sample_report_test.py --bin BUILD/bin --work DIR

Runs the tools as tools/demo.sh does. DIR receives the prefix (DIR/wineprefix,
kept between runs; the sample machine replaces its own keys and files), the
snapshots, kitsetup's output and the report (DIR/report.txt, DIR/report.json).
Exits 1 and prints the report when a check fails.
"""

import argparse
import json
import os
import re
import subprocess
import sys

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

REQUESTS = ["D7", "C6", "D6"]
SUITE = r"C:\Program Files\Ostrel\Components 3.0" + "\\"
OLD = r"C:\Program Files\Ostrel\Components 2.52" + "\\"
D6_ROOT = r"C:\Program Files\Borland\Delphi6"
D7_ROOT = r"C:\Program Files\Borland\Delphi7"
C6_ROOT = r"C:\Program Files\Borland\CBuilder6"
HKCU_D6 = r"Software\Borland\Delphi\6.0"
HKCU_D7 = r"Software\Borland\Delphi\7.0"
HKCU_C6 = r"Software\Borland\C++Builder\6.0"
FULL = "Ostrel Components 3.0.3"
FULL_DB = "Ostrel Components 3.0.3 (Data-Aware)"

BOX_CAPTION = "Ostrel Components Help Registration"
BOX_TEXT = "The help files for Ostrel Components have been merged\rinto the %s %d help system."

# Value changes under HKEY_CURRENT_USER, and nothing else: {(key, name): (change, data after)}
EXPECTED_USER_CHANGES = {
    # Delphi 7, full edition, data-aware allowed.
    (HKCU_D7 + r"\Known Packages", OLD + r"Bin\Os252NDsgn70.bpl"): ("removed", None),
    (HKCU_D7 + r"\Known Packages", OLD + r"Bin\Os252DDsgn70.bpl"): ("removed", None),
    (HKCU_D7 + r"\Known Packages", SUITE + r"Bin\Os30Ctls_Dsgn70.bpl"): ("added", FULL),
    (HKCU_D7 + r"\Known Packages", SUITE + r"Bin\Os30DBCtls_Dsgn70.bpl"): ("added", FULL_DB),
    (HKCU_D7 + r"\Library", "Search Path"): (
        "changed",
        r"$(DELPHI)\Lib;$(DELPHI)\Bin;$(DELPHI)\Imports;$(DELPHI)\Projects\Bpl;"
        r"C:\Program Files\Brackwater\Grid 4\Lib;C:\Program Files\Quillmark\Reports\Lib;"
        + SUITE + "Lib7;"),
    (HKCU_D7 + r"\Palette", "Ostrel"): ("removed", None),
    (HKCU_D7 + r"\Palette", "Ostrel.Hidden"): ("removed", None),
    (HKCU_D7 + r"\Palette", "Ostrel Data"): ("removed", None),
    (HKCU_D7 + r"\Palette", "Ostrel Data.Hidden"): ("removed", None),
    (HKCU_D7 + r"\Palette", "Ostrel Misc"): ("removed", None),
    # C++Builder 6, full edition, data-aware allowed.
    (HKCU_C6 + r"\Known Packages", OLD + r"Bin\Os252NDsgn60.bpl"): ("removed", None),
    (HKCU_C6 + r"\Known Packages", OLD + r"Bin\Os252DDsgn60.bpl"): ("removed", None),
    (HKCU_C6 + r"\Known Packages", SUITE + r"Bin\Os30Ctls_Dsgn60.bpl"): ("added", FULL),
    (HKCU_C6 + r"\Known Packages", SUITE + r"Bin\Os30DBCtls_Dsgn60.bpl"): ("added", FULL_DB),
    (HKCU_C6 + r"\Library", "Search Path"): (
        "changed",
        r"$(BCB)\Lib;$(BCB)\Lib\Obj;$(BCB)\Bin;C:\Program Files\Quillmark\Reports\Lib;"
        + SUITE + "LibBCB6;"),
    (HKCU_C6 + r"\Palette", "Ostrel Panels"): ("removed", None),
    (HKCU_C6 + r"\Palette", "Ostrel Panels.Hidden"): ("removed", None),
    (HKCU_C6 + r"\Palette", "Ostrel Display"): ("removed", None),
    (HKCU_C6 + r"\Palette", "Ostrel Shell"): ("removed", None),
    (HKCU_C6 + r"\Palette", "Ostrel Widgets"): ("removed", None),
    (HKCU_C6 + r"\Palette", "Ostrel Widgets.Hidden"): ("removed", None),
    (HKCU_C6 + r"\Palette", "Ostrel Buttons"): ("removed", None),
    # Delphi 6, STD edition: the data-aware package is taken away, not put back.
    (HKCU_D6 + r"\Known Packages", OLD + r"Bin\Os252NDsgn60.bpl"): ("removed", None),
    (HKCU_D6 + r"\Known Packages", OLD + r"Bin\Os252DDsgn60.bpl"): ("removed", None),
    (HKCU_D6 + r"\Known Packages", SUITE + r"Bin\Os30Ctls_Dsgn60.bpl"): ("added", FULL),
    (HKCU_D6 + r"\Library", "Search Path"): (
        "changed",
        r"$(DELPHI)\Lib;$(DELPHI)\Bin;$(DELPHI)\Imports;$(DELPHI)\Projects\Bpl;"
        r"C:\Program Files\Brackwater\Grid 4\Lib;" + SUITE + "Lib6;"),
    (HKCU_D6 + r"\Palette", "Ostrel Panels"): ("removed", None),
    (HKCU_D6 + r"\Palette", "Ostrel Edits"): ("removed", None),
    (HKCU_D6 + r"\Palette", "Ostrel Edits.Hidden"): ("removed", None),
    (HKCU_D6 + r"\Palette", "Ostrel Lists"): ("removed", None),
    (HKCU_D6 + r"\Palette", "Ostrel Buttons"): ("removed", None),
}

# "Packages" of each DefProj.dof afterwards.
EXPECTED_DELPHI_PACKAGES = {
    D7_ROOT: "vcl;rtl;dbcore;netcore;BwGrid70;QmRep70;Os30Ctls70;Os30DBCtls70;",
    D6_ROOT: "vcl;rtl;dbcore;QmRep60;Os30Ctls60;",
}
EXPECTED_CPPBUILDER_PACKAGES = ["vcl.bpi", "rtl.bpi", "dbcore.bpi", "netcore.bpi",
                                "QmRep60.bpi", "Os30Ctls60.bpi", "Os30DBCtls60.bpi"]

EARLIER_CONTENTS = [
    ":Include OsHlp3.cnt", ":Link OsHlp3.hlp", ":Index Ostrel Components II=Os20Help.hlp",
    ":Include Os20Help.cnt", ":Link Os20Help.hlp", ":Index Ostrel Components v2.5=OC25Help.hlp",
    ":Include OC25Help.cnt", ":Link OC25Help.hlp", ":Index Ostrel Components 2.52=OC25Help.hlp",
]
INDEX_LINE = ":Index Ostrel Components 3.0=OC3Help.hlp"
LINK_LINE = ":Link OC3Help.hlp"


def delphi_help_steps(root, base):
    """(target, backup, lines removed, lines added) of a Delphi 6 or 7 help merge."""
    h = root + "\\Help\\"
    return [
        (h + base + ".cnt", h + base + ".~cn", EARLIER_CONTENTS, [""]),
        (h + base + ".ohc", h + "DelphiOHC.bak", [":Include OC25Help.toc"], [":Include OC3Help.toc"]),
        (h + base + ".ohi", h + "DelphiOHI.bak",
         [":Index Ostrel Components 2.52=OC25Help.hlp"], [INDEX_LINE]),
        (h + base + ".ohl", h + "DelphiOHL.bak", [":Link OC25Help.hlp"], [LINK_LINE]),
    ]


HELP_STEPS = delphi_help_steps(D7_ROOT, "D7") + delphi_help_steps(D6_ROOT, "Delphi6") + [
    (C6_ROOT + r"\Help\BCB6.ohi", C6_ROOT + r"\Help\BCBOHI.bak",
     [":INDEX Ostrel List Pack=OsHlp3.hlp", ":INDEX Ostrel Components II=Os20Help.hlp",
      ":INDEX Ostrel Components v2.5=OC25Help.hlp", ":Index Ostrel Components 2.52=OC25Help.hlp"],
     [INDEX_LINE]),
    (C6_ROOT + r"\Help\BCB6.ohl", C6_ROOT + r"\Help\BCBOHL.bak",
     [":LINK OsHlp3.hlp", ":LINK Os20Help.hlp", ":LINK OC25Help.hlp"], [LINK_LINE]),
]
DELETED = [D6_ROOT + r"\Help\Del6vcl.gid", D6_ROOT + r"\Help\Delphi6.gid",
           D7_ROOT + r"\Help\Del7vcl.gid", D7_ROOT + r"\Help\Delphi7.gid",
           C6_ROOT + r"\Help\BCB6.gid"]


def upper_ascii(text):
    return "".join(chr(ord(c) - 32) if "a" <= c <= "z" else c for c in text)


def merged(text, remove, add):
    """A help file after the merge: lines equal (ignoring ASCII case) to an
    added or removed line are dropped; the added lines and one empty line
    follow, each with CR LF."""
    lines = re.split(r"\r\n|\n", text)
    if lines and lines[-1] == "":
        lines.pop()
    drop = {upper_ascii(line) for line in remove + add}
    kept = [line for line in lines if upper_ascii(line) not in drop]
    return "".join(line + "\r\n" for line in kept + add + [""])


class Checks:
    def __init__(self):
        self.failures = []
        self.passed = 0

    def equal(self, what, actual, expected):
        if actual == expected:
            self.passed += 1
        else:
            self.failures.append("%s:\n    expected %r\n    actual   %r" % (what, expected, actual))


def check_box(checks, result):
    names = {"D": "Delphi", "C": "C++Builder"}
    requests = result["requests"] or []
    checks.equal("requests run", [r["request"] for r in requests], REQUESTS)
    for request in requests:
        expected_text = BOX_TEXT % (names[request["request"][0]], int(request["request"][1]))
        checks.equal("result of " + request["request"], request["result"], 0)
        checks.equal("boxes after " + request["request"], request["boxes"],
                     [{"caption": BOX_CAPTION, "text": expected_text}])


def check_registry(checks, result):
    hkcu = result["registry"]["HKEY_CURRENT_USER"]
    actual = {}
    for change in hkcu["values"]:
        data = change["after"]["data"] if change["after"] else None
        actual[(change["key"].lower(), change["name"].lower())] = (change["change"], data)
    expected = {(k.lower(), n.lower()): v for (k, n), v in EXPECTED_USER_CHANGES.items()}
    for key in sorted(set(actual) | set(expected)):
        checks.equal("HKCU %s, value %r" % key, actual.get(key), expected.get(key))
    checks.equal("HKCU keys created", hkcu["keys_created"], [])
    checks.equal("HKCU keys deleted", hkcu["keys_deleted"], [])
    hklm = result["registry"]["HKEY_LOCAL_MACHINE"]
    checks.equal("HKLM changes", (hklm["values"], hklm["keys_created"], hklm["keys_deleted"]),
                 ([], [], []))


def xml_packages(text):
    match = re.search(r'<PACKAGES value="([^"]*)"/>', text)
    return match and match.group(1).split()


def without_xml_packages(text):
    return re.sub(r'<PACKAGES value="[^"]*"/>', "<PACKAGES/>", text)


def check_files(checks, result, before, after):
    files = result["files"]
    text_before = {p: e.get("text") for p, e in before["files"].items()}
    text_after = {p: e.get("text") for p, e in after["files"].items()}

    changed = sorted(e["path"] for e in files["changed"])
    expected_changed = sorted([s[0] for s in HELP_STEPS] +
                              [r + r"\Bin\DefProj.dof" for r in EXPECTED_DELPHI_PACKAGES] +
                              [C6_ROOT + r"\Bin\Default.bpr"])
    checks.equal("files changed", changed, expected_changed)

    for target, _backup, remove, add in HELP_STEPS:
        checks.equal("content of " + target, text_after.get(target),
                     merged(text_before[target], remove, add))

    for root, packages in EXPECTED_DELPHI_PACKAGES.items():
        path = root + r"\Bin\DefProj.dof"
        expected = re.sub(r"(?m)^Packages=.*?(?=\r?$)", lambda _m: "Packages=" + packages,
                          text_before[path])
        checks.equal("content of " + path, text_after.get(path), expected)

    bpr = C6_ROOT + r"\Bin\Default.bpr"
    checks.equal("packages in " + bpr, xml_packages(text_after.get(bpr) or ""),
                 EXPECTED_CPPBUILDER_PACKAGES)
    checks.equal("the rest of " + bpr, without_xml_packages(text_after.get(bpr) or ""),
                 without_xml_packages(text_before[bpr]))

    expected_backups = sorted([(s[1], s[0]) for s in HELP_STEPS] +
                              [(C6_ROOT + r"\Bin\Default.~bp", bpr)])
    checks.equal("backups", sorted((b["path"], b["copy_of"]) for b in files["backups"]),
                 expected_backups)
    checks.equal("files deleted", sorted(e["path"] for e in files["deleted"]), sorted(DELETED))
    checks.equal("other new files (work files left behind?)", files["added"], [])
    checks.equal("IDE trees touched",
                 sorted(r["root"] for r in result["ide_roots"] if r["touched"]),
                 sorted([C6_ROOT, D6_ROOT, D7_ROOT]))


def check_text(checks, text):
    """What a reader must find in the plain-text report."""
    for line in [
        "  requests:    D7 returned 0, C6 returned 0, D6 returned 0",
        "      The help files for Ostrel Components have been merged\\r",
        "      into the C++Builder 6 help system.",
        "  [Software\\Borland\\Delphi\\6.0\\Known Packages]",
        '    + "%sBin\\Os30Ctls_Dsgn60.bpl" = "%s"' % (SUITE, FULL),
        "        entry removed: %sLib7" % OLD,
        "        entry added:   %sLib7" % SUITE,
        "    -Packages=vcl;rtl;dbcore;OS252N60;QmRep60",
        "    +Packages=vcl;rtl;dbcore;QmRep60;Os30Ctls60;",
        "  %s\\Help\\DelphiOHI.bak: copy of D7.ohi as it was" % D7_ROOT,
        "  %s\\Help\\BCB6.gid (256 bytes)" % C6_ROOT,
    ]:
        checks.equal("report line %r" % line, line in text.splitlines(), True)


def run(*args, **kwargs):
    return subprocess.run([*args], check=True, **kwargs)


def wine_tool(*args, **kwargs):
    return subprocess.run([os.path.join(SOURCE, "tools", "wine-prefix.sh"), *args], **kwargs)


def load_json(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args(argv[1:])
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    prefix = os.path.join(work, "wineprefix")
    files = {name: os.path.join(work, name) for name in
             ("before.json", "after.json", "kitsetup.out", "report.txt", "report.json")}
    for path in files.values():
        if os.path.exists(path):
            os.remove(path)
    tools = os.path.join(SOURCE, "tools")
    try:
        run(sys.executable, os.path.join(tools, "sample_machine.py"), prefix)
        run(sys.executable, os.path.join(tools, "report.py"), "snapshot", prefix,
            files["before.json"])
        with open(files["kitsetup.out"], "wb") as out:
            status = wine_tool("run", prefix, os.path.join(args.bin, "kitsetup.exe"),
                               "--acknowledge", *REQUESTS, stdout=out, timeout=120).returncode
        run(sys.executable, os.path.join(tools, "report.py"), "snapshot", prefix,
            files["after.json"])
    finally:
        wine_tool("stop", prefix, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run(sys.executable, os.path.join(tools, "report.py"), "compare", files["before.json"],
        files["after.json"], "--host-output", files["kitsetup.out"],
        "--out", os.path.join(work, "report"), stdout=subprocess.DEVNULL)

    result = load_json(files["report.json"])
    with open(files["report.txt"], encoding="utf-8") as f:
        text = f.read()
    checks = Checks()
    checks.equal("kitsetup exit status", status, 0)
    check_box(checks, result)
    check_registry(checks, result)
    check_files(checks, result, load_json(files["before.json"]), load_json(files["after.json"]))
    check_text(checks, text)
    if checks.failures:
        print(text)
        print("Checks that failed:")
        for failure in checks.failures:
            print("  " + failure)
    print("%d passed, %d failed" % (checks.passed, len(checks.failures)))
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
