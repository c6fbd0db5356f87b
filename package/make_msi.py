#!/usr/bin/python3
"""Builds the per-user installer of the add-in from a folder of release files.

    make_msi.py --files <folder> --output TalvoraMeeting-<version>-x64.msi [--version 1.2.3.4]
    make_msi.py --files <folder> --print-version
        prints the version the package of <folder> gets
    make_msi.py --registry-rows
        prints the Registry table rows the package gets, one per line

The package installs every file of <folder> (TalvoraMeeting.dll and its Resources_<code>.dll)
into the user's local programs folder. Its registry rows are made from the registration script
(res/TalvoraMeeting.rgs, read with the grammar of src/Com/Registrar.cpp) and from the type
library's definition (res/TalvoraMeeting.idl, registered as oleaut32 registers a type library),
so that the package writes what DllRegisterServer writes and the two cannot drift apart.

The version is the version resource of the DLL unless --version names another (the tests build
an older package from the same files). Windows Installer compares only the first three numbers
of a product version, so a release must change one of them to upgrade an installed one.
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import uuid
from xml.sax.saxutils import quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
RGS = os.path.join(TOP, "res", "TalvoraMeeting.rgs")
IDL = os.path.join(TOP, "res", "TalvoraMeeting.idl")
WXS = os.path.join(HERE, "TalvoraMeeting.wxs")

ADDIN_DLL = "TalvoraMeeting.dll"
# Formatted texts of the Registry table: the installed DLL's full path and its folder.
MODULE_PATH = "[#" + ADDIN_DLL + "]"
MODULE_FOLDER = "[INSTALLFOLDER]"
COMPONENT = "Addin"
# The product code follows from the upgrade code and the version: a rebuild of one version is
# the same product, every other version a different one (as a major upgrade needs).
UPGRADE_CODE = uuid.UUID("805B6823-63A1-4E95-BC07-D763D829A95E")

ROOTS = {"HKCR": 0, "HKEY_CLASSES_ROOT": 0, "HKCU": 1, "HKEY_CURRENT_USER": 1,
         "HKLM": 2, "HKEY_LOCAL_MACHINE": 2, "HKU": 3, "HKEY_USERS": 3}

# Proxy/stub classes of oleaut32's type-library marshaler, as RegisterTypeLib writes them.
PSOAINTERFACE = "{00020424-0000-0000-C000-000000000046}"
PSDISPATCH = "{00020420-0000-0000-C000-000000000046}"
LIBRARY_FLAGS = {"restricted": 1, "control": 2, "hidden": 4}


class PackageError(Exception):
    pass


# --- Registration script ------------------------------------------------------------------------

class Key:
    def __init__(self, name, removal):
        self.name = name
        self.removal = removal  # "", "NoRemove" or "ForceRemove"
        self.default = None
        self.values = []
        self.children = []


def tokens(text):
    """The script's tokens as the registrar reads them: "=", a brace that stands alone (followed
    by a blank, a brace or the end: "{C27B...}" is a key name), a quoted text ('' inside it is
    one quote) or a bare word, which ends at a blank or "="."""
    position = 0
    while True:
        while position < len(text) and text[position].isspace():
            position += 1
        if position >= len(text):
            return
        c = text[position]
        alone = position + 1 >= len(text) or text[position + 1].isspace() or text[position + 1] in "{}"
        if c == "=" or (c in "{}" and alone):
            position += 1
            yield ("mark", c)
        elif c == "'":
            match = re.compile(r"'((?:[^']|'')*)'").match(text, position)
            if not match:
                raise PackageError("registration script: a quoted text does not end")
            position = match.end()
            yield ("text", match.group(1).replace("''", "'"))
        else:
            match = re.compile(r"[^\s=]+").match(text, position)
            position = match.end()
            yield ("word", match.group())


class ScriptParser:
    def __init__(self, text):
        self.items = list(tokens(text))
        self.position = 0

    def next(self):
        if self.position >= len(self.items):
            raise PackageError("registration script: unexpected end")
        item = self.items[self.position]
        self.position += 1
        return item[1]

    def peek(self):
        return self.items[self.position][1] if self.position < len(self.items) else None

    def expect(self, mark):
        if self.next() != mark:
            raise PackageError(f"registration script: expected {mark!r}")

    def roots(self):
        result = []
        while self.position < len(self.items):
            name = self.next()
            if name not in ROOTS:
                raise PackageError(f"registration script: unknown root key {name}")
            self.expect("{")
            result.append((ROOTS[name], self.keys(None)))
        return result

    def keys(self, owner):
        result = []
        while True:
            word = self.next()
            if word == "}":
                return result
            if word == "val":
                if owner is None:
                    raise PackageError("registration script: a value outside a key")
                name = self.next()
                self.expect("=")
                owner.values.append((name, self.value()))
                continue
            removal = ""
            if word in ("NoRemove", "ForceRemove"):
                removal, word = word, self.next()
            key = Key(word, removal)
            if self.peek() == "=":
                self.next()
                key.default = self.value()
            if self.peek() == "{":
                self.next()
                key.children = self.keys(key)
            result.append(key)

    def value(self):
        kind, data = self.next(), self.next()
        if kind == "s":
            return ("s", data)
        if kind == "d":
            return ("d", int(data, 0) & 0xFFFFFFFF)
        raise PackageError(f"registration script: unknown value type {kind}")


def literal(text):
    """A Registry table value that Windows Installer writes as it is."""
    text = re.sub(r"[\[\]]", lambda m: "[\\" + m.group() + "]", text)
    return "#" + text if text.startswith("#") else text


def value_text(value):
    kind, data = value
    if kind == "d":
        return f"#{data}"
    # The registrar's only replacement variable: the DLL's own path.
    parts = data.split("%MODULE%")
    return MODULE_PATH.join(literal(part) for part in parts)


def script_rows(text):
    """(root, key, name, value) rows of the script in register mode; name None is the default
    value. The outermost key of each tree the registrar removes at unregistration (a key that is
    not NoRemove under one that is) gets a "*" row: Windows Installer creates it and, at
    uninstallation, deletes it with its subkeys. Those keys are named by the add-in's own ids;
    the registrar would keep one that someone else had added a subkey to. An empty key inside
    such a tree gets a "+" row, which creates it."""
    rows = []

    def walk(root, path, key, removed_with_parent):
        path = f"{path}\\{key.name}" if path else key.name
        removable = key.removal != "NoRemove"
        if removable and not removed_with_parent:
            rows.append((root, path, "*", None))
        elif removable and key.default is None and not key.values and not key.children:
            rows.append((root, path, "+", None))
        if key.default is not None:
            rows.append((root, path, None, value_text(key.default)))
        for name, value in key.values:
            rows.append((root, path, name, value_text(value)))
        for child in key.children:
            walk(root, path, child, removed_with_parent or removable)

    for root, keys in ScriptParser(text).roots():
        for key in keys:
            walk(root, "", key, False)
    return rows


# --- Type library -------------------------------------------------------------------------------

def attribute_blocks(idl):
    """(attributes, kind, name) of every interface, dispinterface and library of the IDL."""
    pattern = re.compile(r"\[([^\[\]]*)\]\s*(interface|dispinterface|library)\s+(\w+)")
    for match in pattern.finditer(re.sub(r"//[^\n]*", "", idl)):
        yield match.group(1), match.group(2), match.group(3)


def attribute(attributes, name):
    match = re.search(rf"\b{name}\s*\(\s*([^)]*?)\s*\)", attributes)
    return match.group(1).strip('"') if match else None


def version_key(text):
    major, _, minor = (text or "0.0").partition(".")
    return f"{int(major):x}.{int(minor or 0):x}"


def type_library_rows(idl, root=1):
    """The keys RegisterTypeLibForUser writes for a 64-bit type library kept in the DLL: the
    library under TypeLib, and each interface the type-library marshaler serves under Interface
    in both registry views."""
    rows = []
    library = None
    interfaces = []
    for attributes, kind, name in attribute_blocks(idl):
        flags = set(re.findall(r"\b(\w+)\b(?!\s*\()", attributes))
        if kind == "library":
            library = (attributes, flags)
        elif kind == "dispinterface":
            interfaces.append((name, attribute(attributes, "uuid"), PSDISPATCH))
        elif flags & {"dual", "oleautomation"}:
            interfaces.append((name, attribute(attributes, "uuid"), PSOAINTERFACE))
    if library is None:
        raise PackageError("type library definition: no library")
    attributes, flags = library
    libid = "{" + attribute(attributes, "uuid").upper() + "}"
    version = version_key(attribute(attributes, "version"))
    lcid = int(attribute(attributes, "lcid") or "0", 0)
    key = f"Software\\Classes\\TypeLib\\{libid}"
    rows.append((root, key, "*", None))
    rows.append((root, f"{key}\\{version}", None, literal(attribute(attributes, "helpstring") or "")))
    rows.append((root, f"{key}\\{version}\\FLAGS", None,
                 str(sum(bit for word, bit in LIBRARY_FLAGS.items() if word in flags))))
    rows.append((root, f"{key}\\{version}\\{lcid:x}\\win64", None, MODULE_PATH))
    rows.append((root, f"{key}\\{version}\\HELPDIR", None, MODULE_FOLDER))
    for view in ("Software\\Classes\\Interface", "Software\\Classes\\Wow6432Node\\Interface"):
        for name, iid, proxy in interfaces:
            key = f"{view}\\{{{iid.upper()}}}"
            rows.append((root, key, "*", None))
            rows.append((root, key, None, name))
            rows.append((root, f"{key}\\ProxyStubClsid", None, proxy))
            rows.append((root, f"{key}\\ProxyStubClsid32", None, proxy))
            rows.append((root, f"{key}\\TypeLib", None, libid))
            rows.append((root, f"{key}\\TypeLib", "Version", version))
    return rows


def registry_rows():
    with open(RGS, encoding="utf-8") as script, open(IDL, encoding="utf-8") as idl:
        return script_rows(script.read()) + type_library_rows(idl.read())


def key_path_row(rows):
    """The component's key path: the default value of the class's InprocServer32 key."""
    for index, (_, key, name, value) in enumerate(rows):
        if key.endswith("\\InprocServer32") and name is None and value == MODULE_PATH:
            return index
    raise PackageError("registration script: no InprocServer32 key with %MODULE%")


def row_id(index):
    return f"Registry{index + 1:02d}"


def registry_idt(rows):
    lines = ["Registry\tRoot\tKey\tName\tValue\tComponent_", "s72\ti2\tl255\tL255\tL0\ts72", "Registry\tRegistry"]
    for index, (root, key, name, value) in enumerate(rows):
        fields = [row_id(index), str(root), key, name or "", value or "", COMPONENT]
        if any(re.search(r"[\t\r\n]", field) for field in fields):
            raise PackageError(f"a registry row holds a tab or a line break: {fields}")
        lines.append("\t".join(fields))
    return "\r\n".join(lines) + "\r\n"


# --- Package ------------------------------------------------------------------------------------

def dll_version(path):
    """FILEVERSION of the DLL's version resource, "a.b.c.d"."""
    with open(path, "rb") as dll:
        data = dll.read()
    offset = data.find(struct.pack("<I", 0xFEEF04BD))
    if offset < 0:
        raise PackageError(f"{path}: no version resource")
    most, least = struct.unpack_from("<II", data, offset + 8)
    return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"


def files_include(folder):
    names = sorted(os.listdir(folder))
    if ADDIN_DLL not in names:
        raise PackageError(f"{folder}: no {ADDIN_DLL}")
    lines = ["<?xml version=\"1.0\" encoding=\"utf-8\"?>", "<Include>"]
    for name in names:
        # wixl takes sources relative to the folder it runs in.
        lines.append(f"  <File Id={quoteattr(name)} Name={quoteattr(name)} Source={quoteattr(name)}/>")
    lines.append("</Include>")
    return "\n".join(lines) + "\n"


def run(command, folder=None):
    result = subprocess.run(command, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        raise PackageError(f"{' '.join(command)} failed:\n{result.stdout}")


def build(folder, output, version):
    file_version = dll_version(os.path.join(folder, ADDIN_DLL))
    rows = registry_rows()
    key_path = row_id(key_path_row(rows))
    product_code = str(uuid.uuid5(UPGRADE_CODE, version)).upper()
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "files.wxi"), "w", encoding="utf-8") as include:
            include.write(files_include(folder))
        with open(os.path.join(work, "Registry.idt"), "w", encoding="utf-8", newline="") as table:
            table.write(registry_idt(rows))
        partial = os.path.join(work, "package.msi")
        run(["wixl", "--arch", "x64", "-I", work, "-D", f"Version={version}", "-D", f"ProductCode={product_code}",
             "-o", partial, WXS], folder)
        run(["msibuild", partial, "-i", os.path.join(work, "Registry.idt")])
        # wixl sequences the registry actions only for registry elements of its own; 260 is a
        # 64-bit component whose key path is a registry value; a versioned DLL is replaced by
        # the rules of file versions.
        queries = [
            "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveRegistryValues', 2600)",
            "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteRegistryValues', 5000)",
            f"UPDATE `Component` SET `KeyPath` = '{key_path}', `Attributes` = 260 WHERE `Component` = '{COMPONENT}'",
            f"UPDATE `File` SET `Version` = '{file_version}', `Language` = '1033' WHERE `File` = '{ADDIN_DLL}'",
        ]
        for query in queries:
            run(["msibuild", partial, "-q", query])
        os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
        os.replace(partial, output)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", help="folder of the files to install")
    parser.add_argument("--output", help="the package to write")
    parser.add_argument("--version", help="product version (default: the DLL's file version)")
    parser.add_argument("--print-version", action="store_true", help="print the version of --files and stop")
    parser.add_argument("--registry-rows", action="store_true", help="print the registry rows and stop")
    arguments = parser.parse_args(argv)
    try:
        if arguments.registry_rows:
            for root, key, name, value in registry_rows():
                print(f"{root}\t{key}\t{'' if name is None else name}\t{'' if value is None else value}")
            return 0
        if not arguments.files or not (arguments.output or arguments.print_version):
            parser.error("--files and --output are needed")
        version = arguments.version or dll_version(os.path.join(arguments.files, ADDIN_DLL))
        if arguments.print_version:
            print(version)
            return 0
        build(arguments.files, arguments.output, version)
    except (PackageError, OSError) as error:
        print(f"make_msi.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
