#!/usr/bin/env python3
"""What a run of KitSetup.dll changed in a Wine prefix, for a person to read.

    tools/report.py snapshot PREFIX SNAPSHOT.json
        Stops the prefix's wineserver (so that Wine writes its registry files),
        then records HKEY_CURRENT_USER, the suite's and the IDEs' keys under
        HKEY_LOCAL_MACHINE, and every file below each IDE's "RootDir".

    tools/report.py compare BEFORE.json AFTER.json [--host-output FILE] [--out BASE]
        Prints the differences as plain text: registry values added, removed
        and changed (grouped by key), files changed (as unified diffs), backups
        made, files deleted, and the information boxes that `kitsetup
        --acknowledge` printed (FILE holds its output). With --out, also writes
        BASE.txt and the same facts as BASE.json.

Python 3 standard library only.
"""

import argparse
import base64
import difflib
import hashlib
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_prefix  # noqa: E402
import wine_registry  # noqa: E402

HKCU, HKLM = "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"
MACHINE_ROOTS = [r"Software\Ostrel", r"Software\Borland"]
IDE_KEY = re.compile(r"^software\\borland\\(delphi|c\+\+builder)\\[^\\]+$")
# Wine's own per-user settings; they say nothing about the run.
WINE_OWN_USER_KEYS = [r"Software\Wine"]
TEXT_LIMIT = 1 << 20


# --- Snapshots -----------------------------------------------------------------

def encode_value(value):
    data = value.data
    if isinstance(data, bytes):
        data = {"hex": data.hex()}
    return {"name": value.name, "type": value.type_name(), "data": data}


def encode_hive(hive):
    return {folded: {"path": key.path,
                     "values": {n: encode_value(v) for n, v in key.values.items()}}
            for folded, key in hive.items()}


def looks_like_text(data):
    return b"\0" not in data and len(data) <= TEXT_LIMIT


def snapshot_tree(prefix, root):
    files = {}
    top = wine_prefix.unix_path(prefix, root)
    if not top or not os.path.isdir(top):
        return files
    for directory, _dirs, names in os.walk(top):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, "rb") as f:
                data = f.read()
            relative = os.path.relpath(path, top).replace(os.sep, "\\")
            entry = {"size": len(data), "sha256": hashlib.sha256(data).hexdigest()}
            if looks_like_text(data):
                entry["text"] = data.decode("latin-1")
            else:
                entry["base64"] = base64.b64encode(data).decode("ascii")
            files[root.rstrip("\\") + "\\" + relative] = entry
    return files


def take_snapshot(prefix):
    # Wine writes its registry files when the wineserver stops.
    wine_prefix.stop(prefix)
    user = wine_registry.load(os.path.join(prefix, "user.reg"))
    machine = wine_registry.load(os.path.join(prefix, "system.reg"), MACHINE_ROOTS)
    roots = []
    for folded, key in sorted(machine.items()):
        root_dir = key.values.get("rootdir")
        if IDE_KEY.match(folded) and root_dir and isinstance(root_dir.data, str):
            roots.append({"key": key.path, "root": root_dir.data})
    files = {}
    for entry in roots:
        files.update(snapshot_tree(prefix, entry["root"]))
    return {"prefix": prefix, "registry": {HKCU: encode_hive(user), HKLM: encode_hive(machine)},
            "ide_roots": roots, "files": files}


# --- kitsetup's output ---------------------------------------------------------

def unescape_visible(text):
    """Undoes kitsetup's escapes (\\\\, \\r, \\n, \\t, \\xNN)."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if nxt in "\\rnt":
                out.append({"\\": "\\", "r": "\r", "n": "\n", "t": "\t"}[nxt])
                i += 2
                continue
            if nxt == "x" and re.match(r"[0-9A-Fa-f]{2}", text[i + 2:i + 4]):
                out.append(chr(int(text[i + 2:i + 4], 16)))
                i += 4
                continue
        out.append(c)
        i += 1
    return "".join(out)


def parse_host_output(text):
    """[{request, result, boxes: [{caption, text}]}] from kitsetup's output."""
    requests = []
    box = None
    for line in text.splitlines():
        line = line.rstrip("\r")
        match = re.match(r'^request "(.*)": (IDEInstall|IDEUninstall) returned (-?\d+)$', line)
        if match:
            requests.append({"request": unescape_visible(match.group(1)),
                             "export": match.group(2),
                             "result": int(match.group(3)), "boxes": [],
                             "boxes_watched": False})
            continue
        if not requests:
            continue
        current = requests[-1]
        # "  no box: ..." says why (a window station nobody can see).
        if line == "  no box" or line.startswith("  no box: "):
            current["boxes_watched"] = True
        elif line.startswith("  box caption: "):
            box = {"caption": unescape_visible(line[len("  box caption: "):]), "text": ""}
            current["boxes"].append(box)
            current["boxes_watched"] = True
        elif line.startswith("  box text:") and box is not None:
            box["text"] = unescape_visible(line[len("  box text:"):].lstrip(" "))
    return requests


# --- Comparing -----------------------------------------------------------------

def is_ignored(path, ignored):
    folded = path.lower()
    return any(folded == i.lower() or folded.startswith(i.lower() + "\\") for i in ignored)


def compare_hive(before, after, ignored=()):
    created = [after[k]["path"] for k in sorted(set(after) - set(before))
               if not is_ignored(after[k]["path"], ignored)]
    deleted = [before[k]["path"] for k in sorted(set(before) - set(after))
               if not is_ignored(before[k]["path"], ignored)]
    changes = []
    for folded in sorted(set(before) | set(after)):
        key = after.get(folded) or before.get(folded)
        if is_ignored(key["path"], ignored):
            continue
        old = before.get(folded, {"values": {}})["values"]
        new = after.get(folded, {"values": {}})["values"]
        for name in sorted(set(old) | set(new)):
            a, b = old.get(name), new.get(name)
            if a == b:
                continue
            kind = "added" if a is None else "removed" if b is None else "changed"
            changes.append({"key": key["path"], "name": (b or a)["name"], "change": kind,
                            "before": a, "after": b})
    return {"keys_created": created, "keys_deleted": deleted, "values": changes}


def split_lines(text):
    """Lines without their breaks, and what the breaks were."""
    lines = re.split(r"\r\n|\n|\r", text)
    ending = "none at the end"
    if text.endswith("\n") or text.endswith("\r"):
        lines.pop()
        ending = None
    crlf = text.count("\r\n")
    lf = text.count("\n") - crlf
    style = "CRLF" if crlf and not lf else "LF" if lf and not crlf else "mixed" if lf else "-"
    return lines, style, ending


def file_diff(path, before, after):
    entry = {"path": path, "size_before": before["size"], "size_after": after["size"]}
    if "text" not in before or "text" not in after:
        entry["binary"] = True
        return entry
    old_lines, old_style, old_end = split_lines(before["text"])
    new_lines, new_style, new_end = split_lines(after["text"])
    name = path.rsplit("\\", 1)[-1]
    entry["diff"] = list(difflib.unified_diff(old_lines, new_lines, name + " (before)",
                                              name + " (after)", n=1, lineterm=""))
    notes = []
    if old_style != new_style and "-" not in (old_style, new_style):
        notes.append("line breaks %s before, %s after" % (old_style, new_style))
    if old_end != new_end:
        notes.append("the last line %s a line break" % (
            "now has" if new_end is None else "lost"))
    if not entry["diff"] and not notes:
        notes.append("same lines, other bytes")
    entry["notes"] = notes
    return entry


def compare_files(before, after):
    added = sorted(set(after) - set(before), key=str.lower)
    deleted = sorted(set(before) - set(after), key=str.lower)
    changed = sorted((p for p in set(before) & set(after)
                      if before[p]["sha256"] != after[p]["sha256"]), key=str.lower)
    originals = {}
    for path, entry in before.items():
        originals.setdefault(entry["sha256"], []).append(path)

    def original_of(path):
        candidates = [p for p in originals.get(after[path]["sha256"], []) if p != path]
        if not candidates:
            return None
        folder = path.rsplit("\\", 1)[0].lower()
        candidates.sort(key=lambda p: (p not in changed, p.rsplit("\\", 1)[0].lower() != folder,
                                       p.lower()))
        return candidates[0]

    backups, kept_added, kept_changed = [], [], []
    for path in added + changed:
        source = original_of(path)
        if source:
            backups.append({"path": path, "copy_of": source, "replaced": path in before})
        elif path in before:
            kept_changed.append(path)
        else:
            kept_added.append(path)
    backups.sort(key=lambda b: b["path"].lower())
    return {
        "changed": [file_diff(p, before[p], after[p]) for p in sorted(kept_changed, key=str.lower)],
        "backups": backups,
        "deleted": [{"path": p, "size": before[p]["size"]} for p in deleted],
        "added": [{"path": p, "size": after[p]["size"]} for p in sorted(kept_added, key=str.lower)],
    }


def touched_roots(roots, files):
    touched = set()
    for group in ("changed", "backups", "deleted", "added"):
        for entry in files[group]:
            touched.add(entry["path"].lower())
    result = []
    for root in roots:
        prefix = root["root"].rstrip("\\").lower() + "\\"
        result.append({"root": root["root"], "touched": any(t.startswith(prefix) for t in touched)})
    return result


def compare(before, after, host_requests=None):
    hkcu = compare_hive(before["registry"][HKCU], after["registry"][HKCU], WINE_OWN_USER_KEYS)
    hklm = compare_hive(before["registry"][HKLM], after["registry"][HKLM])
    files = compare_files(before["files"], after["files"])
    return {
        "prefix": after.get("prefix"),
        "requests": host_requests,
        "registry": {HKCU: hkcu, HKLM: hklm},
        "ignored_user_keys": WINE_OWN_USER_KEYS,
        "files": files,
        "ide_roots": touched_roots(before.get("ide_roots", []), files),
    }


# --- Text ----------------------------------------------------------------------

def show_text(text):
    """Quoted, with control characters as escapes (a CR shows as \\r);
    backslashes stay single, as in the paths people know."""
    return '"' + "".join({"\r": "\\r", "\n": "\\n", "\t": "\\t"}.get(c) or
                         (c if ord(c) >= 32 else "\\x%02X" % ord(c)) for c in text) + '"'


def show_data(value):
    data = value["data"]
    if value["type"] in ("REG_SZ", "REG_EXPAND_SZ"):
        shown = show_text(data)
        return shown if value["type"] == "REG_SZ" else "(expandable) " + shown
    if value["type"] == "REG_DWORD":
        return "dword %d (0x%08x)" % (data, data)
    if value["type"] == "REG_MULTI_SZ":
        return "(multi) " + ", ".join(show_text(s) for s in data)
    raw = bytes.fromhex(data["hex"]) if isinstance(data, dict) else b""
    return "(%s) %s%s" % (value["type"], raw[:24].hex(" "), " ..." if len(raw) > 24 else "")


def show_name(name):
    return "@ (default)" if name == "" else show_text(name)


def list_entries(text):
    return [e for e in text.split(";") if e]


def entry_changes(before, after):
    """For ';'-separated lists: which entries went and came."""
    if before["type"] != "REG_SZ" or after["type"] != "REG_SZ":
        return None
    if ";" not in before["data"] + after["data"]:
        return None
    old, new = list_entries(before["data"]), list_entries(after["data"])
    removed = [e for e in old if e not in new]
    added = [e for e in new if e not in old]
    return removed, added


def registry_lines(changes):
    lines = []
    for key in changes["keys_created"]:
        lines.append("  key created: " + key)
    for key in changes["keys_deleted"]:
        lines.append("  key deleted: " + key)
    current = None
    for change in changes["values"]:
        if change["key"] != current:
            current = change["key"]
            lines.append("  [%s]" % current)
        name = show_name(change["name"])
        if change["change"] == "added":
            lines.append("    + %s = %s" % (name, show_data(change["after"])))
        elif change["change"] == "removed":
            lines.append("    - %s = %s" % (name, show_data(change["before"])))
        else:
            lines.append("    ~ %s" % name)
            lines.append("        before: %s" % show_data(change["before"]))
            lines.append("        after:  %s" % show_data(change["after"]))
            entries = entry_changes(change["before"], change["after"])
            if entries:
                removed, added = entries
                for entry in removed:
                    lines.append("        entry removed: %s" % entry)
                for entry in added:
                    lines.append("        entry added:   %s" % entry)
                if not removed and not added:
                    lines.append("        (same entries; only the separators changed)")
    return lines


def count(changes, kind):
    return sum(1 for c in changes["values"] if c["change"] == kind)


def registry_summary(changes):
    keys = len({c["key"].lower() for c in changes["values"]})
    if not keys and not changes["keys_created"] and not changes["keys_deleted"]:
        return "no change"
    parts = ["%d added, %d removed, %d changed in %d key%s" % (
        count(changes, "added"), count(changes, "removed"), count(changes, "changed"),
        keys, "" if keys == 1 else "s")]
    if changes["keys_created"]:
        parts.append("%d key(s) created" % len(changes["keys_created"]))
    if changes["keys_deleted"]:
        parts.append("%d key(s) deleted" % len(changes["keys_deleted"]))
    return ", ".join(parts)


def box_lines(requests):
    lines = []
    for request in requests:
        head = "  after %s (%s returned %d): " % (show_text(request["request"]),
                                                 request.get("export", "IDEInstall"),
                                                 request["result"])
        if not request["boxes_watched"]:
            lines.append(head + "not watched (run kitsetup with --acknowledge)")
            continue
        if not request["boxes"]:
            lines.append(head + "no box")
        for box in request["boxes"]:
            lines.append(head + show_text(box["caption"]))
            # The box shows its text on two lines at the carriage return.
            for part in re.split(r"(?<=\r)", box["text"]):
                lines.append("      " + show_text(part)[1:-1])
    return lines


def report_text(result):
    registry, files = result["registry"], result["files"]
    exports = sorted({r.get("export", "IDEInstall") for r in result.get("requests") or []})
    title = "What %s changed" % (" and ".join(exports) or "IDEInstall")
    out = [title, "=" * len(title)]
    if result.get("prefix"):
        out.append("Wine prefix: %s" % result["prefix"])
    out.append("")

    out.append("Summary")
    requests = result.get("requests")
    if requests is not None:
        out.append("  requests:    " + (", ".join(
            "%s returned %d" % (r["request"], r["result"]) for r in requests) or "none"))
        shown = sum(len(r["boxes"]) for r in requests)
        out.append("  boxes:       %d shown and closed" % shown)
    out.append("  HKCU values: " + registry_summary(registry[HKCU]))
    out.append("  HKLM values: %s (the suite's and the IDEs' keys)" %
               registry_summary(registry[HKLM]))
    out.append("  files:       %d changed, %d backups made, %d deleted, %d other new" % (
        len(files["changed"]), len(files["backups"]), len(files["deleted"]), len(files["added"])))
    touched = [r["root"] for r in result["ide_roots"] if r["touched"]]
    untouched = [r["root"] for r in result["ide_roots"] if not r["touched"]]
    if touched:
        out.append("  IDE trees changed:   " + "; ".join(touched))
    if untouched:
        out.append("  IDE trees untouched: " + "; ".join(untouched))
    out.append("")

    if requests is not None:
        out.append("Information box")
        out += box_lines(requests) or ["  (no request ran)"]
        out.append("")

    out.append("Registry, HKEY_CURRENT_USER")
    out += registry_lines(registry[HKCU]) or ["  no change"]
    out.append("")
    if registry_summary(registry[HKLM]) != "no change":
        out.append("Registry, HKEY_LOCAL_MACHINE (should not change)")
        out += registry_lines(registry[HKLM])
        out.append("")

    out.append("Files changed (in the diffs, a lone + or - is an empty line)")
    if not files["changed"]:
        out.append("  none")
    for entry in files["changed"]:
        out.append("  %s" % entry["path"])
        if entry.get("binary"):
            out.append("    binary, %d -> %d bytes" % (entry["size_before"], entry["size_after"]))
            continue
        for note in entry["notes"]:
            out.append("    (%s)" % note)
        for line in entry["diff"]:
            out.append("    " + line)
    out.append("")

    out.append("Backups made")
    if not files["backups"]:
        out.append("  none")
    for backup in files["backups"]:
        out.append("  %s: copy of %s as it was%s" % (
            backup["path"], backup["copy_of"].rsplit("\\", 1)[-1],
            " (replaced an older backup)" if backup["replaced"] else ""))
    out.append("")

    out.append("Files deleted")
    if not files["deleted"]:
        out.append("  none")
    for entry in files["deleted"]:
        out.append("  %s (%d bytes)" % (entry["path"], entry["size"]))
    if files["added"]:
        out.append("")
        out.append("Other new files")
        for entry in files["added"]:
            out.append("  %s (%d bytes)" % (entry["path"], entry["size"]))
    return "\n".join(out) + "\n"


# --- Command line --------------------------------------------------------------

def load_json(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    snap = commands.add_parser("snapshot", help="record a prefix's state")
    snap.add_argument("prefix")
    snap.add_argument("output")
    comp = commands.add_parser("compare", help="report what changed between two snapshots")
    comp.add_argument("before")
    comp.add_argument("after")
    comp.add_argument("--host-output", help="what kitsetup --acknowledge printed")
    comp.add_argument("--out", help="also write OUT.txt and OUT.json")
    args = parser.parse_args(argv[1:])

    if args.command == "snapshot":
        snapshot = take_snapshot(os.path.abspath(args.prefix))
        with open(args.output, "w", encoding="utf-8") as f:
            json.dump(snapshot, f, indent=1, sort_keys=True)
        return 0

    requests = None
    if args.host_output:
        with open(args.host_output, encoding="latin-1") as f:
            requests = parse_host_output(f.read())
    result = compare(load_json(args.before), load_json(args.after), requests)
    text = report_text(result)
    sys.stdout.write(text)
    if args.out:
        with open(args.out + ".txt", "w", encoding="utf-8") as f:
            f.write(text)
        with open(args.out + ".json", "w", encoding="utf-8") as f:
            json.dump(result, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
