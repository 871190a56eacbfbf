"""One Wine prefix seen from Python: its paths, the programs run in it, its wineserver.

Every call goes through tools/wine-prefix.sh, which holds the environment that
makes a prefix 32-bit and headless; nothing here sets Wine variables of its
own. Python 3 standard library only.
"""

import os
import re
import subprocess

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine-prefix.sh")


def tool(*args, **kwargs):
    """Runs tools/wine-prefix.sh with ARGS (create, run, wait, stop)."""
    return subprocess.run([TOOL, *args], **kwargs)


def create(prefix):
    """Lays the prefix and starts it once, unless it is already there."""
    tool("create", prefix, check=True, stdout=subprocess.DEVNULL)


def run(prefix, program, *args, **kwargs):
    """Runs a Windows program in the prefix, as subprocess.run does."""
    return tool("run", prefix, program, *args, **kwargs)


def start(prefix, program, *args, **kwargs):
    """Starts a Windows program in the prefix without waiting for it (a Popen)."""
    return subprocess.Popen([TOOL, "run", prefix, program, *args], **kwargs)


def wait(prefix, timeout):
    """Waits until every program in the prefix has ended and its wineserver
    with them; False when that took longer than TIMEOUT seconds."""
    try:
        tool("wait", prefix, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        return False
    return True


def stop(prefix):
    """Stops the prefix's wineserver and everything in it. Wine writes its
    registry files (system.reg, user.reg) then."""
    tool("stop", prefix, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def unix_path(prefix, windows_path):
    """The file behind a Windows path in the prefix ("C:\\Dir\\File"), or None
    when the path names no drive of the prefix. Windows ignores letter case
    and the Unix directories do not, so each part that exists under another
    case is taken as it is spelled on disk; the parts that do not exist yet
    are joined as given."""
    match = re.match(r"^([A-Za-z]):\\?(.*)$", windows_path)
    if not match:
        return None
    drive = os.path.join(prefix, "dosdevices", match.group(1).lower() + ":")
    if not os.path.isdir(drive):
        return None
    path = os.path.realpath(drive)
    for part in (p for p in match.group(2).split("\\") if p):
        candidate = os.path.join(path, part)
        if not os.path.exists(candidate) and os.path.isdir(path):
            matches = [n for n in os.listdir(path) if n.lower() == part.lower()]
            if matches:
                candidate = os.path.join(path, matches[0])
        path = candidate
    return path


def windows_path(path):
    """A Unix path as a program in the prefix names it (through drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_bytes(prefix, path):
    """The bytes of a file in the prefix, or None when it does not exist."""
    unix = unix_path(prefix, path)
    if unix is None:
        return None
    try:
        with open(unix, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None
