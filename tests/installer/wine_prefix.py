"""Fresh Wine prefixes for the installer tests, the programs run in them, and their registry as
Wine keeps it on disk (user.reg for HKEY_CURRENT_USER, system.reg for HKEY_LOCAL_MACHINE)."""

import os
import re
import shutil
import subprocess

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HIVES = {"HKCU": "user.reg", "HKLM": "system.reg"}


class Prefix:
    """A copy of a prefix that no program has run in since wineboot made it."""

    def __init__(self, template, path):
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["cp", "-a", template, path], check=True)
        self.path = path
        self.environment = dict(os.environ, WINEPREFIX=path, WINEARCH="win64", WINEDEBUG="-all",
                                WINEDLLOVERRIDES="mscoree,mshtml=")
        self.environment.pop("TALVORA_SERVICE_PORT", None)

    def remove(self):
        self.wait()
        shutil.rmtree(self.path, ignore_errors=True)

    def run(self, *arguments, timeout=300):
        """Runs a Windows program; returns its exit status and what it printed. The output goes
        through a file: Wine's service processes inherit it and outlive the program."""
        log = os.path.join(self.path, "run.out")
        with open(log, "w") as output:
            status = subprocess.run(["timeout", str(timeout), "wine", *arguments], env=self.environment,
                                    stdout=output, stderr=subprocess.STDOUT).returncode
        with open(log, encoding="utf-8", errors="replace") as output:
            return status, output.read().replace("\r", "")

    def wait(self):
        """Waits until the prefix's wineserver has ended, which writes the registry to disk."""
        subprocess.run(["wineserver", "-w"], env=self.environment, check=False)

    def unix_path(self, windows_path):
        drive, _, rest = windows_path.partition(":")
        assert drive.upper() == "C", windows_path
        return os.path.join(self.path, "drive_c", *[part for part in rest.split("\\") if part])

    def user_folder(self, *parts):
        users = os.path.join(self.path, "drive_c", "users")
        owner = next(name for name in sorted(os.listdir(users)) if name != "Public")
        return os.path.join(users, owner, *parts)

    def registry(self):
        """{(hive, key path in lower case): {value name in lower case ("" default): (type, data)}}
        of the whole registry, read once the wineserver has written it."""
        self.wait()
        keys = {}
        for hive, name in HIVES.items():
            with open(os.path.join(self.path, name), encoding="utf-8", errors="surrogateescape") as text:
                for key, values in parse_reg(text.read()).items():
                    keys[(hive, key.lower())] = values
        return keys


KEY_LINE = re.compile(r"^\[(.*)\](?: \d+)?$")
VALUE_LINE = re.compile(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$')


def unescape(text):
    """Wine's escapes in .reg texts: \\\\, \\", \\n, \\r, \\t, \\0 and \\x<hex>."""
    result = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 >= len(text):
            result.append(c)
            i += 1
            continue
        d = text[i + 1]
        if d == "x":
            digits = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            result.append(chr(int(digits.group(), 16)))
            i += 2 + len(digits.group())
            continue
        result.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(d, d))
        i += 2
    return "".join(result)


def parse_value(data):
    if data.startswith('"'):
        return ("REG_SZ", unescape(data[1:-1]))
    if data.startswith("str(2):"):
        return ("REG_EXPAND_SZ", unescape(data[len("str(2):") + 1:-1]))
    if data.startswith("dword:"):
        return ("REG_DWORD", int(data[len("dword:"):], 16))
    return ("other", data)


def parse_reg(text):
    keys = {}
    current = None
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        # Hex data goes on over lines ending in a backslash.
        while line.endswith("\\") and i < len(lines) and not KEY_LINE.match(line):
            line = line[:-1] + lines[i].strip()
            i += 1
        key = KEY_LINE.match(line)
        if key:
            current = keys.setdefault(unescape(key.group(1)), {})
            continue
        value = VALUE_LINE.match(line)
        if value and current is not None:
            name = "" if value.group(1) == "@" else unescape(value.group(1)[1:-1])
            current[name.lower()] = parse_value(value.group(2))
    return keys
