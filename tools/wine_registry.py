"""Reads the registry files that Wine keeps in a prefix (system.reg, user.reg).

Wine writes them when its wineserver stops, so read them only after
`tools/wine-prefix.sh stop PREFIX`. Python 3 standard library only.

A hive is returned as {folded key path: Key}, where the folded path is the key
path in lower case (the registry ignores letter case) and Key keeps the path as
spelled plus its values as {folded value name: Value}.
"""

from dataclasses import dataclass, field
import re

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7
TYPE_NAMES = {REG_SZ: "REG_SZ", REG_EXPAND_SZ: "REG_EXPAND_SZ", REG_BINARY: "REG_BINARY",
              REG_DWORD: "REG_DWORD", REG_MULTI_SZ: "REG_MULTI_SZ", 0: "REG_NONE",
              11: "REG_QWORD"}


@dataclass
class Value:
    name: str          # "" for the default value
    type: int
    data: object       # str, list of str, int, or bytes, by type

    def type_name(self):
        return TYPE_NAMES.get(self.type, "type %d" % self.type)

    def comparable(self):
        return (self.type, self.data)


@dataclass
class Key:
    path: str
    values: dict = field(default_factory=dict)


class RegistryFileError(Exception):
    pass


_SIMPLE_ESCAPES = {"a": "\a", "b": "\b", "t": "\t", "n": "\n", "v": "\v", "f": "\f",
                   "r": "\r", "e": "\x1b"}
_HEX = "0123456789abcdefABCDEF"


def _unescape(text, start, terminator):
    """Reads an escaped string from text[start:] up to an unescaped terminator.

    Returns (string, index just past the terminator). Wine escapes UTF-16 code
    units, so surrogate pairs are joined at the end."""
    units = []
    i = start
    while i < len(text):
        c = text[i]
        if c == terminator:
            raw = "".join(units)
            return raw.encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace"), i + 1
        if c != "\\":
            units.append(c)
            i += 1
            continue
        i += 1
        if i >= len(text):
            break
        c = text[i]
        if c == "x":
            j = i + 1
            while j < len(text) and j < i + 5 and text[j] in _HEX:
                j += 1
            if j == i + 1:
                units.append("x")
                i += 1
            else:
                units.append(chr(int(text[i + 1:j], 16)))
                i = j
        elif c in "01234567":
            j = i
            while j < len(text) and j < i + 3 and text[j] in "01234567":
                j += 1
            units.append(chr(int(text[i:j], 8)))
            i = j
        else:
            units.append(_SIMPLE_ESCAPES.get(c, c))
            i += 1
    raise RegistryFileError("unterminated string: %r" % text[start:start + 60])


def _parse_data(text):
    if text.startswith('"'):
        data, end = _unescape(text, 1, '"')
        return REG_SZ, data
    match = re.match(r"str\(([0-9a-fA-F]+)\):\"", text)
    if match:
        kind = int(match.group(1), 16)
        data, end = _unescape(text, match.end(), '"')
        if kind == REG_MULTI_SZ:
            data = data.rstrip("\0")
            return kind, data.split("\0") if data else []
        return kind, data
    if text.startswith("dword:"):
        return REG_DWORD, int(text[6:14], 16)
    match = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:(.*)$", text, re.S)
    if match:
        kind = int(match.group(1), 16) if match.group(1) else REG_BINARY
        digits = re.sub(r"[\s\\,]", "", match.group(2))
        raw = bytes.fromhex(digits)
        if kind in (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) and len(raw) % 2 == 0:
            text = raw.decode("utf-16-le", "replace")
            if kind == REG_MULTI_SZ:
                text = text.rstrip("\0")
                return kind, text.split("\0") if text else []
            return kind, text.split("\0", 1)[0]
        return kind, raw
    raise RegistryFileError("unknown value data: %r" % text[:60])


def _logical_lines(content):
    """Joins hex data continued with a backslash at the end of a line."""
    pending = ""
    for line in content.splitlines():
        if pending:
            line = pending + line.lstrip()
            pending = ""
        if line.endswith("\\") and re.match(r'^(@|").*=hex', line):
            pending = line[:-1]
            continue
        yield line
    if pending:
        yield pending


def _under(folded_path, folded_roots):
    return any(folded_path == r or folded_path.startswith(r + "\\") for r in folded_roots)


def parse(content, roots=None):
    """Parses the text of a Wine registry file into {folded path: Key}.

    With roots (key paths), only the keys at and below them are kept."""
    folded_roots = [r.lower().rstrip("\\") for r in roots] if roots else None
    lines = _logical_lines(content)
    if not next(lines, "").startswith("WINE REGISTRY Version"):
        raise RegistryFileError("not a Wine registry file")
    hive = {}
    current = None
    for line in lines:
        if not line or line.startswith(";") or line.startswith("#"):
            continue
        if line.startswith("["):
            path, _ = _unescape(line, 1, "]")
            if folded_roots and not _under(path.lower(), folded_roots):
                current = None
            else:
                current = hive.setdefault(path.lower(), Key(path))
            continue
        if current is None:
            continue
        if line.startswith("@="):
            name, rest = "", line[2:]
        elif line.startswith('"'):
            name, end = _unescape(line, 1, '"')
            if not line[end:].startswith("="):
                raise RegistryFileError("bad value line: %r" % line[:60])
            rest = line[end + 1:]
        else:
            raise RegistryFileError("unexpected line: %r" % line[:60])
        kind, data = _parse_data(rest)
        current.values[name.lower()] = Value(name, kind, data)
    return hive


def load(path, roots=None):
    with open(path, encoding="latin-1") as f:
        return parse(f.read(), roots)


def subtree(hive, root):
    """The keys at and below root (a path as in the file, any letter case)."""
    folded = root.lower().rstrip("\\")
    return {p: k for p, k in hive.items() if p == folded or p.startswith(folded + "\\")}


def lookup(hive, key_path, value_name):
    key = hive.get(key_path.lower())
    if key is None:
        return None
    return key.values.get(value_name.lower())
