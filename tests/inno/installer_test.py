#!/usr/bin/env python3
"""The Inno Setup example (examples/inno) on the sample machine, end to end.

    installer_test.py --bin BUILD/bin --work DIR --iscc PATH

Compiles examples/inno/OstrelComponents.iss with ISCC.exe (the pinned Inno
Setup 6 compiler that tools/inno-compiler.sh installs) under Wine against
BUILD/bin/KitSetup.dll and runs the scenario of
tests/installers/sample_installation.py in DIR/wineprefix:

1. silently, full edition, into a directory with blanks in its name
   (/VERYSILENT /SUPPRESSMSGBOXES /DIR=...);
2. silently, trial edition, over the first (/TRIAL);
3. through its wizard (boxcloser presses the buttons), full edition, over
   the trial one;
4. its uninstaller, silently (unins000.exe /VERYSILENT /SUPPRESSMSGBOXES).

Exits 0 when every check passed, 1 when one failed, 77 when ISCC.exe is
missing. The prefix's wineserver is stopped on every way out.
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "installers"))
import sample_installation as sample  # noqa: E402

wine_prefix = sample.wine_prefix
SCRIPT = os.path.join(sample.SOURCE, "examples", "inno", "OstrelComponents.iss")
INSTALLER_NAME = "OstrelComponents-3.0.3-InnoSetup.exe"
WIZARD_CAPTION = "Setup - Ostrel Components"
# The directory page is skipped when the suite is installed already; then
# the page with the edition and the IDEs, the ready page and the last page.
WIZARD_PRESSES = ["&Next", "&Install", "&Finish"]
SILENT = ["/VERYSILENT", "/SUPPRESSMSGBOXES"]


class Installer:
    install_dir = "C:\\Ostrel Suite\\OC 3.0.3\\"
    temp_pattern = "is-*.tmp"  # Setup's temporary directory, with KitSetup.dll in it
    entry = "Ostrel Components 3.0_is1"
    uninstaller = "unins000.exe"


RUNS = [
    sample.Run("silent, full edition, a directory with blanks",
               SILENT + ["/DIR=" + Installer.install_dir.rstrip("\\")], trial=False),
    sample.Run("silent, trial edition over the full one", SILENT + ["/TRIAL"], trial=True),
    sample.Run("wizard, full edition over the trial one", [], trial=False,
               presses=WIZARD_PRESSES),
]


def build_installer(iscc, bin_dir, work, prefix):
    installer = os.path.join(work, INSTALLER_NAME)
    if os.path.exists(installer):
        os.remove(installer)
    log = os.path.join(work, "iscc.log")
    with open(log, "wb") as out:
        status = wine_prefix.run(
            prefix, iscc, "/Q",
            "/DKitSetupDll=" + wine_prefix.windows_path(os.path.join(bin_dir, "KitSetup.dll")),
            "/DOutputDir=" + wine_prefix.windows_path(work),
            wine_prefix.windows_path(SCRIPT), stdout=out, stderr=out, timeout=120).returncode
    wine_prefix.stop(prefix)
    if status != 0 or not os.path.exists(installer):
        with open(log, "rb") as f:
            sys.stdout.write(f.read().decode("latin-1"))
        raise SystemExit("ISCC.exe failed (%s)" % status)
    return installer


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--iscc", required=True)
    args = parser.parse_args(argv[1:])
    if not os.path.isfile(args.iscc):
        print("ISCC.exe not found (%s): tools/inno-compiler.sh installs it" % args.iscc)
        return sample.SKIPPED
    bin_dir = os.path.abspath(args.bin)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    prefix = os.path.join(work, "wineprefix")

    started = time.monotonic()
    with open(os.path.join(bin_dir, "KitSetup.dll"), "rb") as f:
        shipped_dll = f.read()
    checks = sample.Checks()

    def dll_beside_suite(checks):
        checks.equal("KitSetup.dll beside the suite (for the uninstaller)",
                     sample.read_bytes(prefix, Installer.install_dir + "KitSetup.dll"),
                     shipped_dll)

    try:
        sample.run_scenario(
            checks, prefix, bin_dir, work, Installer,
            lambda prefix: build_installer(os.path.abspath(args.iscc), bin_dir, work, prefix),
            RUNS, WIZARD_CAPTION, SILENT, check_run=dll_beside_suite)
    finally:
        wine_prefix.stop(prefix)
    return checks.report(started)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
