#!/usr/bin/env python3
"""Screenshots of the real windows for the README: the Inno Setup example's
page that offers the edition and the IDEs, and KitSetup's information box.

    tools/screenshots.py [--dll KitSetup.dll] [--out docs/images] [--work DIR]

Runs the example installer (compiled with the pinned Inno Setup compiler,
tools/inno-compiler.sh) on the sample machine in a prefix of its own that
uses Wine's X11 driver on an Xvfb display (tools/bootstrap.sh installs Xvfb
and Wine's own fonts, which draw the caption buttons).
There is no window manager, so the prefix has Wine draw the caption bars
itself ("Managed"="N"). Xvfb keeps its screen in a file (-fbdir, XWD format);
each picture is cut from it to the window's bounds and written as PNG.

1. A silent install: the first information box is pictured, then
   boxcloser.exe acknowledges the boxes.
2. The wizard: the suite is installed now, so it opens on the page with the
   edition and the IDEs, which is pictured; then the prefix is stopped.

--dll defaults to build/windows-tests/bin/KitSetup.dll, which also holds
boxcloser.exe. Python 3 standard library only.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

TOOLS = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(TOOLS)
sys.path.insert(0, TOOLS)
import wine_prefix  # noqa: E402

SCRIPT = os.path.join(SOURCE, "examples", "inno", "OstrelComponents.iss")
INSTALLER_NAME = "OstrelComponents-3.0.3-InnoSetup.exe"
SILENT = ["/VERYSILENT", "/SUPPRESSMSGBOXES"]
STOP_FILE = r"C:\windows\temp\boxcloser.stop"
SCREEN = (1024, 768)
DISPLAY = ":77"
MARLETT = "/usr/share/wine/fonts/marlett.ttf"


# --- Xvfb's screen file and PNG ------------------------------------------------

def read_xwd(path):
    """(width, height, rows of (r, g, b) bytes) from Xvfb's 32-bit screen file."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel != 32:
        raise SystemExit("screenshots: Xvfb screen has %d bits per pixel" % bits_per_pixel)
    start = header_size + ncolors * 12
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * 4]
        if byte_order == 0:  # least significant byte first: B G R X
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        else:  # X R G B
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[1::4], line[2::4], line[3::4]
        rows.append(bytes(rgb))
    return width, height, rows


def content_bounds(width, rows):
    """The smallest box around every pixel that is not the black root window."""
    used = [y for y, row in enumerate(rows) if row.strip(b"\0")]
    if not used:
        return None
    left, right = width, 0
    for y in used:
        row = rows[y]
        first = len(row) - len(row.lstrip(b"\0"))
        last = len(row.rstrip(b"\0"))
        left, right = min(left, first // 3), max(right, (last + 2) // 3)
    return left, used[0], right, used[-1] + 1


def write_png(path, rows, bounds):
    left, top, right, bottom = bounds
    raw = b"".join(b"\0" + row[left * 3:right * 3] for row in rows[top:bottom])

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", right - left, bottom - top, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def capture_when_still(screen_file, path, timeout=60, still=2.0):
    """Waits until a window is on the screen and has not changed for STILL
    seconds, then writes it to PATH."""
    deadline = time.monotonic() + timeout
    last, since = None, None
    while time.monotonic() < deadline:
        width, _height, rows = read_xwd(screen_file)
        bounds = content_bounds(width, rows)
        picture = bounds and (bounds, b"".join(rows))
        if picture and picture == last:
            if time.monotonic() - since >= still:
                write_png(path, rows, bounds)
                return bounds
        else:
            last, since = picture, time.monotonic()
        time.sleep(0.25)
    raise SystemExit("screenshots: no still window for %s within %d s" % (path, timeout))


# --- The prefix ----------------------------------------------------------------

def lay_x11_prefix(prefix):
    """A prefix whose windows go to the X display, with Wine's own caption bars."""
    if not os.path.exists(os.path.join(prefix, "user.reg")):
        os.makedirs(prefix, exist_ok=True)
        with open(os.path.join(prefix, "user.reg"), "w") as f:
            f.write('WINE REGISTRY Version 2\n'
                    ';; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n'
                    '[Software\\\\Wine\\\\Drivers]\n"Graphics"="x11"\n\n'
                    '[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n\n')
    subprocess.run([sys.executable, os.path.join(TOOLS, "sample_machine.py"), prefix],
                   check=True, stdout=subprocess.DEVNULL)
    # The caption buttons are glyphs of Wine's Marlett font (Debian's
    # fonts-wine), which this Wine does not find on its own.
    fonts = wine_prefix.unix_path(prefix, r"C:\windows\Fonts")
    os.makedirs(fonts, exist_ok=True)
    shutil.copy(MARLETT, fonts)


def compile_installer(prefix, dll, work):
    iscc = subprocess.run([os.path.join(TOOLS, "inno-compiler.sh"),
                           os.path.join(work, "inno-compiler")],
                          check=True, stdout=subprocess.PIPE).stdout.decode().strip()
    wine_prefix.run(prefix, iscc, "/Q", "/DKitSetupDll=" + wine_prefix.windows_path(dll),
                    "/DOutputDir=" + wine_prefix.windows_path(work),
                    wine_prefix.windows_path(SCRIPT), check=True, stdout=subprocess.DEVNULL)
    return os.path.join(work, INSTALLER_NAME)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--dll", default=os.path.join(SOURCE, "build", "windows-tests", "bin",
                                                      "KitSetup.dll"))
    parser.add_argument("--out", default=os.path.join(SOURCE, "docs", "images"))
    parser.add_argument("--work", default=os.path.join(SOURCE, "build", "screenshots"))
    args = parser.parse_args(argv[1:])
    dll, out, work = (os.path.abspath(p) for p in (args.dll, args.out, args.work))
    boxcloser = os.path.join(os.path.dirname(dll), "boxcloser.exe")
    for needed in (dll, boxcloser):
        if not os.path.isfile(needed):
            raise SystemExit("screenshots: %s is missing (cmake --build --preset windows-tests)"
                             % needed)
    if not shutil.which("Xvfb") or not os.path.isfile(MARLETT):
        raise SystemExit("screenshots: Xvfb or Wine's fonts are missing (tools/bootstrap.sh "
                         "installs them)")
    os.makedirs(out, exist_ok=True)
    prefix = os.path.join(work, "wineprefix")
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(work, exist_ok=True)
    fbdir = os.path.join(work, "screen")
    os.makedirs(fbdir, exist_ok=True)

    xvfb = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", "%dx%dx24" % SCREEN, "-br",
                             "-nocursor", "-nolisten", "tcp", "-fbdir", fbdir],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = DISPLAY
    screen_file = os.path.join(fbdir, "Xvfb_screen0")
    try:
        deadline = time.monotonic() + 10
        while not os.path.exists(screen_file) and time.monotonic() < deadline:
            time.sleep(0.1)
        lay_x11_prefix(prefix)
        installer = compile_installer(prefix, dll, work)

        # 1. The first information box of a silent install.
        setup = wine_prefix.start(prefix, installer, *SILENT)
        capture_when_still(screen_file, os.path.join(out, "information-box.png"))
        closer = wine_prefix.start(prefix, boxcloser, STOP_FILE, stdout=subprocess.DEVNULL)
        setup.wait(timeout=120)
        with open(wine_prefix.unix_path(prefix, STOP_FILE), "wb"):
            pass
        closer.wait(timeout=30)
        wine_prefix.stop(prefix)

        # 2. The wizard opens on the page with the edition and the IDEs.
        wizard = wine_prefix.start(prefix, installer)
        capture_when_still(screen_file, os.path.join(out, "inno-setup-ide-page.png"))
        wine_prefix.stop(prefix)
        wizard.wait(timeout=30)
    finally:
        wine_prefix.stop(prefix)
        xvfb.terminate()
        xvfb.wait()
    print("screenshots: %s" % ", ".join(os.path.join(out, n) for n in
                                        ("inno-setup-ide-page.png", "information-box.png")))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
