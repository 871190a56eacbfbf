#!/usr/bin/env python3
"""Lays a sample machine in a Wine prefix: the state a setup program finds
before it calls KitSetup.dll.

    tools/sample_machine.py PREFIX

Creates the prefix when it does not exist (tools/wine-prefix.sh create), then
lays, replacing any earlier sample:

- the suite's key, "InstallDir" of SOFTWARE\\Ostrel\\Ostrel Components\\3.0,
  and the keys that the earlier suite versions 2.51 and 2.52 left;
- Delphi 5, 6 and 7 and C++Builder 5 and 6, each with its machine-wide key
  ("RootDir", "Version"; Delphi 6 is the STD edition), its per-user key
  ("Known Packages", "Library", "Palette") as earlier suite versions and other
  vendors left it, its default project file and its help files.

Every vendor, package and help file name here except the suite's own is
made up. The registry is written with `wine regedit /s` and read back from the
prefix's registry files, since regedit reports success even for a bad file.
Python 3 standard library only.
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_prefix  # noqa: E402
import wine_registry  # noqa: E402

SUITE_KEY = r"SOFTWARE\Ostrel\Ostrel Components\3.0"
SUITE_DIR = "C:\\Program Files\\Ostrel\\Components 3.0\\"
OLD_252_DIR = "C:\\Program Files\\Ostrel\\Components 2.52\\"
OLD_251_DIR = "C:\\OSTREL\\OC251\\"
BRACKWATER = r"C:\Program Files\Brackwater\Grid 4"
QUILLMARK = r"C:\Program Files\Quillmark\Reports"

# (kind, version, root directory, "Version" value)
IDES = [
    ("Delphi", 5, r"C:\Program Files\Borland\Delphi5", "PRO"),
    ("Delphi", 6, r"C:\Program Files\Borland\Delphi6", "STD"),
    ("Delphi", 7, r"C:\Program Files\Borland\Delphi7", "PRO"),
    ("C++Builder", 5, r"C:\Program Files\Borland\CBuilder5", "PRO"),
    ("C++Builder", 6, r"C:\Program Files\Borland\CBuilder6", "ENT"),
]


def ide_key(kind, version):
    return "SOFTWARE\\Borland\\%s\\%d.0" % (kind, version)


def user_ide_key(kind, version):
    return "Software\\Borland\\%s\\%d.0" % (kind, version)


# --- Machine-wide keys ---------------------------------------------------------

def machine_values():
    """{key path under HKEY_LOCAL_MACHINE: {value name: text}}"""
    keys = {
        SUITE_KEY: {"InstallDir": SUITE_DIR},
        r"SOFTWARE\Ostrel\Ostrel Components\2.52": {"InstallDir": OLD_252_DIR},
        r"SOFTWARE\Ostrel\Ostrel Components\2.51": {"InstallDir": OLD_251_DIR},
    }
    for kind, version, root, edition in IDES:
        keys[ide_key(kind, version)] = {"RootDir": root, "Version": edition}
    return keys


# --- Per-user keys -------------------------------------------------------------

def old_suite_packages(version):
    """The design-time packages that suite 2.52 registered."""
    return {
        "%sBin\\Os252NDsgn%d0.bpl" % (OLD_252_DIR, version): "Ostrel Components 2.52",
        "%sBin\\Os252DDsgn%d0.bpl" % (OLD_252_DIR, version):
            "Ostrel Components 2.52 (Data-Aware)",
    }


def delphi_user_values(version):
    macro = "$(DELPHI)"
    known = {
        "%s\\Bin\\basedsgn%d0.bpl" % (macro, version): "Base Designers",
        "%s\\Bin\\datadsgn%d0.bpl" % (macro, version): "Data Access Designers",
        "%s\\Bin\\BwGridDsgn%d0.bpl" % (BRACKWATER, version): "Brackwater Grid 4",
    }
    palette = {
        "Standard": "TLabelBox;TEditLine;TPushButton;TCheckMark;TRadioMark",
        "Data Access": "TDataLink;TDataFeed",
        "Brackwater": "TBwGrid;TBwGridColumns",
    }
    library = {
        "Browsing Path": "%s\\Source\\Core;%s\\Source\\Data" % (macro, macro),
        "Package DPL Output": "%s\\Projects\\Bpl" % macro,
        "Package DCP Output": "%s\\Projects\\Bpl" % macro,
    }
    base_path = "%s\\Lib;%s\\Bin;%s\\Imports;%s\\Projects\\Bpl" % (macro, macro, macro, macro)
    if version == 5:
        # 2.51 was installed first, then 2.52 over it; the 2.51 setup wrote
        # its paths in capitals.
        known.update(old_suite_packages(5))
        known["C:\\OSTREL\\OC251\\BIN\\OS251NDSGN50.BPL"] = "Ostrel Components 2.51"
        library["Search Path"] = (base_path + ";C:\\OSTREL\\OC251\\LIB5;" + OLD_252_DIR +
                                  "Lib5;" + BRACKWATER + "\\Lib;")
        palette.update({
            "Ostrel": "TOsPanel;TOsButton;TOsEdit",
            "Ostrel.Hidden": "",
            "OsData": "TOsDBGrid;TOsDBEdit",
            "OsData.Hidden": "TOsDBEdit",
            "Ostrel List Pack": "TOsListView;TOsTreeList",
        })
    elif version == 6:
        # The STD edition: the 2.52 setup registered its data-aware package
        # anyway. The path was edited by hand and lost its final ";".
        known.update(old_suite_packages(6))
        known["%s\\Bin\\QmRepDsgn60.bpl" % QUILLMARK] = "Quillmark Reports Designer"
        library["Search Path"] = base_path + ";" + BRACKWATER + "\\Lib;" + OLD_252_DIR + "Lib6"
        palette.update({
            "Ostrel Panels": "TOsPanel;TOsSplitter",
            "Ostrel Edits": "TOsEdit;TOsMaskEdit",
            "Ostrel Edits.Hidden": "TOsMaskEdit",
            "Ostrel Lists": "TOsListView",
            "Ostrel Buttons": "TOsButton;TOsSpeedButton",
            "Quillmark": "TQmReport;TQmBand",
        })
    else:
        known.update(old_suite_packages(7))
        known["%s\\Bin\\QmRepDsgn70.bpl" % QUILLMARK] = "Quillmark Reports Designer"
        library["Search Path"] = (base_path + ";" + OLD_252_DIR + "Lib7;" + BRACKWATER +
                                  "\\Lib;" + QUILLMARK + "\\Lib;")
        palette.update({
            "Ostrel": "TOsPanel;TOsButton;TOsEdit;TOsSplitter",
            "Ostrel.Hidden": "TOsSplitter",
            "Ostrel Data": "TOsDBGrid;TOsDBEdit",
            "Ostrel Data.Hidden": "",
            "Ostrel Misc": "TOsTimerList;TOsTray",
            "Quillmark": "TQmReport;TQmBand",
        })
    return {"Known Packages": known, "Library": library, "Palette": palette}


def cppbuilder_user_values(version):
    macro = "$(BCB)"
    known = {
        "%s\\Bin\\basedsgn%d0.bpl" % (macro, version): "Base Designers",
        "%s\\Bin\\datadsgn%d0.bpl" % (macro, version): "Data Access Designers",
        "%s\\Bin\\QmRepDsgn%d0.bpl" % (QUILLMARK, version): "Quillmark Reports Designer",
    }
    known.update(old_suite_packages(version))
    library = {
        "Search Path": "%s\\Lib;%s\\Lib\\Obj;%s\\Bin;%sLibBCB%d;%s\\Lib;" % (
            macro, macro, macro, OLD_252_DIR, version, QUILLMARK),
        "Browsing Path": "%s\\Source\\Core" % macro,
    }
    palette = {
        "Standard": "TLabelBox;TEditLine;TPushButton;TCheckMark;TRadioMark",
        "Quillmark": "TQmReport;TQmBand",
        "Ostrel Panels": "TOsPanel;TOsSplitter",
        "Ostrel Panels.Hidden": "TOsSplitter",
        "Ostrel Display": "TOsLabel;TOsGauge",
        "Ostrel Shell": "TOsFileList",
        "Ostrel Widgets": "TOsTray",
        "Ostrel Widgets.Hidden": "",
    }
    if version == 6:
        palette["Ostrel Buttons"] = "TOsButton;TOsSpeedButton"
    return {"Known Packages": known, "Library": library, "Palette": palette}


def user_values():
    """{key path under HKEY_CURRENT_USER: {value name: text}}"""
    keys = {}
    for kind, version, _root, _edition in IDES:
        sections = (delphi_user_values(version) if kind == "Delphi"
                    else cppbuilder_user_values(version))
        for section, values in sections.items():
            keys[user_ide_key(kind, version) + "\\" + section] = values
    return keys


# --- Files ---------------------------------------------------------------------

def crlf(lines):
    return ("\r\n".join(lines) + "\r\n").encode("latin-1")


def defproj_dof(version, packages):
    return crlf([
        "[FileVersion]",
        "Version=%d.0" % version,
        "[Compiler]",
        "Optimize=1",
        "RangeChecks=0",
        "OverflowChecks=0",
        "DebugInfo=1",
        "Warnings=1",
        "[Linker]",
        "MapFile=0",
        "ConsoleApp=1",
        "MinStackSize=16384",
        "MaxStackSize=1048576",
        "[Directories]",
        "OutputDir=",
        "UnitOutputDir=",
        "PackageDLLOutputDir=",
        "PackageDCPOutputDir=",
        "SearchPath=",
        "Packages=" + packages,
        "Conditionals=",
        "DebugSourceDirs=",
        "UsePackages=0",
        "[Parameters]",
        "RunParams=",
        "HostApplication=",
        "[Version Info]",
        "IncludeVerInfo=0",
        "AutoIncBuild=0",
        "MajorVer=1",
        "MinorVer=0",
        "Release=0",
        "Build=0",
        "Locale=1033",
        "CodePage=1252",
    ])


def default_bpr(version, package_lines):
    lines = [
        "<?xml version='1.0' encoding='utf-8' ?>",
        "<!-- C++Builder XML Project -->",
        "<PROJECT>",
        "  <MACROS>",
        '    <VERSION value="BCB.0%d.00"/>' % version,
        '    <PROJECT value="Project1.exe"/>',
        '    <OBJFILES value="Project1.obj"/>',
        '    <RESFILES value="Project1.res"/>',
        '    <DEFFILE value=""/>',
        '    <RESDEPEN value="$(RESFILES)"/>',
        '    <LIBFILES value=""/>',
        '    <LIBRARIES value=""/>',
        '    <SPARELIBS value="vcl.lib rtl.lib"/>',
        '    <PACKAGES value="' + package_lines[0],
    ]
    lines += ["      " + line for line in package_lines[1:-1]]
    lines += [
        "      " + package_lines[-1] + '"/>',
        '    <PATHCPP value=".;"/>',
        '    <PATHPAS value=".;"/>',
        '    <PATHRC value=".;"/>',
        '    <DEBUGLIBPATH value="$(BCB)\\lib\\debug"/>',
        '    <RELEASELIBPATH value="$(BCB)\\lib\\release"/>',
        '    <USERDEFINES value="_DEBUG"/>',
        '    <SYSDEFINES value="USEPACKAGES"/>',
        '    <MAINSOURCE value="Project1.cpp"/>',
        '    <INCLUDEPATH value="$(BCB)\\include;$(BCB)\\include\\vcl"/>',
        '    <LIBPATH value="$(BCB)\\lib\\obj;$(BCB)\\lib"/>',
        '    <WARNINGS value="-w-par"/>',
        "  </MACROS>",
        "  <OPTIONS>",
        '    <CFLAG1 value="-Od -v -c -tW"/>',
        '    <PFLAGS value="-$Y+ -$W -$O- -v"/>',
        '    <LFLAGS value="-Tpe -v"/>',
        "  </OPTIONS>",
        "  <LINKER>",
        '    <ALLOBJ value="$(PACKAGES) $(OBJFILES)"/>',
        '    <ALLRES value="$(RESFILES)"/>',
        '    <ALLLIB value="$(LIBFILES) $(LIBRARIES)"/>',
        "  </LINKER>",
        "  <IDEOPTIONS>",
        "[Version Info]",
        "IncludeVerInfo=0",
        "Locale=1033",
        "CodePage=1252",
        "",
        "[Debugging]",
        "DebugSourceDirs=$(BCB)\\source\\core",
        "  </IDEOPTIONS>",
        "</PROJECT>",
    ]
    return crlf(lines)


def gid_cache(seed):
    """A help system cache file: opaque binary bytes."""
    state = seed
    data = bytearray(b"GIDC\x01\x00\x00\x00")
    for _ in range(248):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        data.append(state >> 16 & 0xFF)
    return bytes(data)


def delphi_help(version):
    """{file name: bytes} of a Delphi help directory."""
    base = "Delphi%d" % version if version in (5, 6) else "D%d" % version
    core, lib = "d%dcore" % version, "d%dlib" % version
    contents = [
        ":Base %s.hlp>main" % core,
        ":Title Delphi %d Help" % version,
        ":Index Delphi Core Reference=%s.hlp" % core,
        ":Index Library Reference=%s.hlp" % lib,
        ":Include %s.cnt" % core,
        ":Include %s.cnt" % lib,
        "",
        ":Index Brackwater Grid=BwGrid.hlp",
        ":Include BwGrid.cnt",
        ":Link BwGrid.hlp",
        "",
    ]
    if version == 5:
        contents += [":Index Ostrel Components v2.5=OC25Help.hlp", ":Include OC25Help.cnt",
                     ":Link OC25Help.hlp", ""]
    contents += [":Index Ostrel Components 2.52=OC25Help.hlp", ":Include OC25Help.cnt",
                 ":Link OC25Help.hlp", ""]
    files = {base + ".cnt": crlf(contents)}
    if version == 5:
        files["Delphi5.gid"] = gid_cache(5)
        return files
    files[base + ".ohc"] = crlf([":Include %s.toc" % core, ":Include %s.toc" % lib,
                                 ":Include BwGrid.toc", ":Include OC25Help.toc"])
    files[base + ".ohi"] = crlf([":Index Delphi Core Reference=%s.hlp" % core,
                                 ":Index Library Reference=%s.hlp" % lib,
                                 ":Index Brackwater Grid=BwGrid.hlp",
                                 ":Index Ostrel Components 2.52=OC25Help.hlp"])
    files[base + ".ohl"] = crlf([":Link %s.hlp" % core, ":Link %s.hlp" % lib,
                                 ":Link BwGrid.hlp", ":Link OC25Help.hlp"])
    files["Delphi%d.gid" % version] = gid_cache(10 * version)
    files["Del%dvcl.gid" % version] = gid_cache(10 * version + 1)
    return files


def cppbuilder_help(version):
    core = "bcb%dcore" % version
    return {
        "BCB%d.cnt" % version: crlf([":Base %s.hlp>main" % core,
                                     ":Title C++Builder %d Help" % version,
                                     ":Index C++Builder Core Reference=%s.hlp" % core,
                                     ":Include %s.cnt" % core]),
        "BCB%d.ohi" % version: crlf([":Index C++Builder Core Reference=%s.hlp" % core,
                                     ":INDEX Ostrel Components v2.5=OC25Help.hlp",
                                     ":Index Ostrel Components 2.52=OC25Help.hlp",
                                     ":Index Quillmark Reports=QmRep.hlp"]),
        "BCB%d.ohl" % version: crlf([":Link %s.hlp" % core, ":LINK OC25Help.hlp",
                                     ":Link QmRep.hlp"]),
        "BCB%d.gid" % version: gid_cache(100 + version),
    }


def ide_files(kind, version):
    """{path relative to the IDE's root, with backslashes: bytes}"""
    files = {}
    if kind == "Delphi":
        packages = {
            5: "vcl50;dbcore50;OS251N50;OS252N50;OS252D50;BwGrid50",
            6: "vcl;rtl;dbcore;OS252N60;QmRep60",
            7: "vcl;rtl;dbcore;netcore;BwGrid70;QmRep70;OS252N70;OS252D70",
        }[version]
        files["Bin\\DefProj.dof"] = defproj_dof(version, packages)
        help_files = delphi_help(version)
    else:
        v = version
        package_lines = [
            "vcl.bpi rtl.bpi dbcore.bpi netcore.bpi QmRep%d0.bpi" % v,
            "Os252N%d0.bpi Os252D%d0.bpi" % (v, v),
        ]
        files["Bin\\Default.bpr"] = default_bpr(version, package_lines)
        help_files = cppbuilder_help(version)
    for name, content in help_files.items():
        files["Help\\" + name] = content
    return files


def suite_files():
    """What the setup program copied before it calls the DLL (a few placeholders)."""
    return {
        "Help\\OC3Help.hlp": b"",
        "Help\\OC3Help.cnt": crlf([":Base OC3Help.hlp>main", ":Title Ostrel Components 3.0"]),
        "Help\\OC3Help.toc": crlf([":Title Ostrel Components 3.0"]),
    }


# --- Laying it -----------------------------------------------------------------

def reg_quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def reg_file(machine, user):
    lines = ["REGEDIT4", ""]
    # Earlier samples go first, so that nothing stale survives.
    for root in (r"HKEY_LOCAL_MACHINE\SOFTWARE\Ostrel",
                 r"HKEY_LOCAL_MACHINE\SOFTWARE\Borland\Delphi",
                 r"HKEY_LOCAL_MACHINE\SOFTWARE\Borland\C++Builder",
                 r"HKEY_CURRENT_USER\Software\Borland"):
        lines += ["[-%s]" % root, ""]
    for hive, keys in (("HKEY_LOCAL_MACHINE", machine), ("HKEY_CURRENT_USER", user)):
        for path, values in keys.items():
            lines.append("[%s\\%s]" % (hive, path))
            for name, data in values.items():
                lines.append("%s=%s" % (reg_quote(name), reg_quote(data)))
            lines.append("")
    return crlf(lines)


def write_registry(prefix, machine, user):
    reg_path = os.path.join(prefix, "drive_c", "windows", "temp", "kitsetup-sample.reg")
    os.makedirs(os.path.dirname(reg_path), exist_ok=True)
    with open(reg_path, "wb") as f:
        f.write(reg_file(machine, user))
    try:
        wine_prefix.run(prefix, "regedit", "/s", r"C:\windows\temp\kitsetup-sample.reg", check=True,
                        stdout=subprocess.DEVNULL)
    finally:
        os.remove(reg_path)


def check_hive(hive, expected, name, owned_roots):
    """Every laid value is there as laid, and nothing else below owned_roots."""
    problems = []
    for path, values in expected.items():
        key = hive.get(path.lower())
        if key is None:
            problems.append("%s\\%s: key missing" % (name, path))
            continue
        for value_name, data in values.items():
            value = key.values.get(value_name.lower())
            if value is None or value.type != wine_registry.REG_SZ or value.data != data:
                problems.append("%s\\%s: %r is %r, not %r" % (
                    name, path, value_name, value and value.data, data))
        extra = set(key.values) - {v.lower() for v in values}
        if extra:
            problems.append("%s\\%s: stale values %s" % (name, path, sorted(extra)))
    expected_paths = {p.lower() for p in expected}
    for root in owned_roots:
        for path, key in wine_registry.subtree(hive, root).items():
            if path not in expected_paths and key.values:
                problems.append("%s\\%s: stale key" % (name, key.path))
    return problems


def verify_registry(prefix, machine, user):
    wine_prefix.stop(prefix)
    system = wine_registry.load(os.path.join(prefix, "system.reg"),
                                [r"Software\Ostrel", r"Software\Borland"])
    users = wine_registry.load(os.path.join(prefix, "user.reg"), [r"Software\Borland"])
    problems = check_hive(system, machine, "HKEY_LOCAL_MACHINE",
                          [r"Software\Ostrel", r"Software\Borland\Delphi",
                           r"Software\Borland\C++Builder"])
    problems += check_hive(users, user, "HKEY_CURRENT_USER", [r"Software\Borland"])
    return problems


def write_files(prefix):
    laid = []
    for kind, version, root, _edition in IDES:
        directory = wine_prefix.unix_path(prefix, root)
        shutil.rmtree(directory, ignore_errors=True)
        for relative, content in ide_files(kind, version).items():
            laid.append(write_file(prefix, root + "\\" + relative, content))
    suite_root = SUITE_DIR.rstrip("\\")
    shutil.rmtree(wine_prefix.unix_path(prefix, suite_root), ignore_errors=True)
    for relative, content in suite_files().items():
        laid.append(write_file(prefix, suite_root + "\\" + relative, content))
    return laid


def write_file(prefix, windows_path, content):
    path = wine_prefix.unix_path(prefix, windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    return windows_path


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        print("usage: %s PREFIX" % os.path.basename(argv[0]), file=sys.stderr)
        return 2
    prefix = os.path.abspath(argv[1])
    wine_prefix.create(prefix)
    machine, user = machine_values(), user_values()
    write_registry(prefix, machine, user)
    problems = verify_registry(prefix, machine, user)
    if problems:
        print("sample machine: the registry does not hold what was laid:", file=sys.stderr)
        for problem in problems:
            print("  " + problem, file=sys.stderr)
        return 1
    files = write_files(prefix)
    print("sample machine in %s:" % prefix)
    print("  suite 3.0 at %s (earlier 2.51 and 2.52 keys left behind)" % SUITE_DIR)
    for kind, version, root, edition in IDES:
        print("  %s %d (%s) at %s" % (kind, version, edition, root))
    print("  %d registry keys, %d files" % (len(machine) + len(user), len(files)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
