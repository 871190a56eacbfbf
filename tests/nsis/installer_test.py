#!/usr/bin/env python3
"""The example installer (examples/nsis) on the sample machine, end to end.

    installer_test.py --bin BUILD/bin --work DIR --makensis PATH

Builds the installer with makensis against BUILD/bin/KitSetup.dll and runs
the scenario of tests/installers/sample_installation.py in DIR/wineprefix:

1. silently, full edition, into another directory (/S /D=...);
2. silently, trial edition, over the first (/S /TRIAL);
3. through its wizard (boxcloser presses the buttons), full edition, over
   the trial one;
4. its uninstaller, silently (Uninstall.exe /S).

Exits 0 when every check passed, 1 when one failed, 77 when makensis is
missing. The prefix's wineserver is stopped on every way out.
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "installers"))
import sample_installation as sample  # noqa: E402

SCRIPT = os.path.join(sample.SOURCE, "examples", "nsis", "OstrelComponents.nsi")
INSTALLER_NAME = "OstrelComponents-3.0.3-Setup.exe"
WIZARD_CAPTION = "Ostrel Components 3.0.3 Setup"
WIZARD_PRESSES = ["&Next >", "&Next >", "&Install", "&Next >", "&Finish"]


class Installer:
    # /D= takes the rest of the command line unquoted; Wine would quote a
    # directory with blanks, so this one has none.
    install_dir = "C:\\Ostrel\\OC303\\"
    temp_pattern = "ns*.tmp"  # the plugins directory, with KitSetup.dll in it
    entry = "Ostrel Components 3.0"
    uninstaller = "Uninstall.exe"


RUNS = [
    sample.Run("silent, full edition, another directory",
               ["/S", "/D=" + Installer.install_dir.rstrip("\\")], trial=False),
    sample.Run("silent, trial edition over the full one", ["/S", "/TRIAL"], trial=True),
    sample.Run("wizard, full edition over the trial one", [], trial=False,
               presses=WIZARD_PRESSES),
]


def build_installer(makensis, bin_dir, work):
    installer = os.path.join(work, INSTALLER_NAME)
    if os.path.exists(installer):
        os.remove(installer)
    # -WX: a warning (an unused define, a file not found by a wildcard) fails the build.
    subprocess.run([makensis, "-V2", "-WX", "-DKITSETUP_DLL=" + os.path.join(bin_dir, "KitSetup.dll"),
                    "-DOUTFILE=" + installer, SCRIPT], check=True)
    return installer


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--makensis", default="makensis")
    args = parser.parse_args(argv[1:])
    if not os.path.isfile(args.makensis) or not os.access(args.makensis, os.X_OK):
        print("makensis not found (%s): tools/bootstrap.sh installs it" % args.makensis)
        return sample.SKIPPED
    bin_dir = os.path.abspath(args.bin)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    prefix = os.path.join(work, "wineprefix")

    started = time.monotonic()
    checks = sample.Checks()
    try:
        sample.run_scenario(checks, prefix, bin_dir, work, Installer,
                            lambda prefix: build_installer(args.makensis, bin_dir, work), RUNS,
                            WIZARD_CAPTION, ["/S"])
    finally:
        sample.wine_prefix.stop(prefix)
    return checks.report(started)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
