#!/usr/bin/python3
"""Turns one interface string table (<code>.txt, format in en.txt) into a windres STRINGTABLE.

    make_stringtable.py --version 0.9.28.0 en.txt strings_en.rc
        the English table of the add-in module (no LANGUAGE statement: the including script
        sets it), with "@VERSION@" in its texts replaced by the project's version
    make_stringtable.py --language fr fr.txt strings_fr.rc
        the table of the French language library, with its own LANGUAGE statement; the
        project name (100) and the version text (999) belong to the add-in module only and
        are left out

Every table is checked against the English one (--reference, en.txt beside this script by
default): a key English lacks, a key missing from a translation, a key given twice or a
different number of %s placeholders fails the run, and with it the build.

Texts are written as wide strings of printable ASCII with every other UTF-16 unit as a
four-digit \\x escape, which windres turns back into exactly that unit: the output does not
depend on the code page windres or its preprocessor assume.
"""

import argparse
import os
import re
import sys

# Primary language ids (the low byte of an LCID) of the languages we ship libraries for.
PRIMARY_LANGUAGE_IDS = {
    "ar": 0x01, "bg": 0x02, "zh": 0x04, "cs": 0x05, "da": 0x06, "de": 0x07, "el": 0x08,
    "es": 0x0A, "fi": 0x0B, "fr": 0x0C, "he": 0x0D, "hu": 0x0E, "it": 0x10, "ja": 0x11,
    "ko": 0x12, "nl": 0x13, "no": 0x14, "pt": 0x16, "ru": 0x19, "hr": 0x1A, "sv": 0x1D,
    "tr": 0x1F, "id": 0x21, "uk": 0x22, "sl": 0x24, "ka": 0x37,
}

# Keys of the add-in module only.
MODULE_ONLY_KEYS = ("100", "999")

# Where the version text holds the project's version.
VERSION_PLACEHOLDER = "@VERSION@"

KEY_PATTERN = re.compile(r"^(?:[0-9]+|[A-Z]{2})$")
# "%%" is a literal percent sign, so that "%%s" holds no placeholder.
CONVERSION_PATTERN = re.compile(r"%[%s]")
# Printable ASCII that needs no escape inside an rc string: not the quote, the backslash
# (escape characters) or the question mark (trigraphs in the preprocessor).
PLAIN_CHARACTERS = set(chr(c) for c in range(0x20, 0x7F)) - set('"\\?')
MAX_STRING_ID = 0xFFFF


class TableError(Exception):
    pass


def read_table(path):
    """The table as an ordered list of (key, text, line number)."""
    entries = []
    try:
        with open(path, encoding="utf-8", newline="") as table:
            lines = table.read().splitlines()
    except (OSError, UnicodeDecodeError) as error:
        raise TableError(f"{path}: cannot read the table: {error}")
    for number, line in enumerate(lines, start=1):
        if not line.strip() or line.startswith("#"):
            continue
        key, tab, text = line.partition("\t")
        if not tab:
            raise TableError(f"{path}:{number}: expected <key><TAB><text>")
        if not KEY_PATTERN.match(key):
            raise TableError(f"{path}:{number}: malformed key {key!r}")
        if len(text) >= 2 and text.startswith('"') and text.endswith('"'):
            text = text[1:-1]
        entries.append((key, text, number))
    return entries


def string_id(key):
    if key.isdigit():
        value = int(key)
    else:
        value = (ord(key[0]) << 8) | ord(key[1])
    if value > MAX_STRING_ID:
        raise TableError(f"string id {key} is out of range")
    return value


def placeholder_count(text):
    return sum(1 for match in CONVERSION_PATTERN.finditer(text) if match.group() == "%s")


def check_table(path, entries, reference, language_library):
    """Raises TableError naming every problem of the table against the reference."""
    problems = []
    seen = {}
    for key, text, number in entries:
        if key in seen:
            problems.append(f"{path}:{number}: key {key} already given on line {seen[key]}")
            continue
        seen[key] = number
        if key not in reference:
            problems.append(f"{path}:{number}: unknown key {key}")
            continue
        expected = placeholder_count(reference[key])
        found = placeholder_count(text)
        if found != expected:
            problems.append(f"{path}:{number}: key {key} has {found} %s, English has {expected}")
    required = [key for key in reference if not (language_library and key in MODULE_ONLY_KEYS)]
    problems.extend(f"{path}: missing key {key}" for key in required if key not in seen)
    if problems:
        raise TableError("\n".join(problems))


def substitute_version(text, version):
    if VERSION_PLACEHOLDER not in text:
        return text
    if version is None:
        raise TableError(f"{text!r} needs the version: give --version")
    return text.replace(VERSION_PLACEHOLDER, version)


def rc_string(text):
    units = text.encode("utf-16-le", errors="surrogatepass")
    pieces = []
    for offset in range(0, len(units), 2):
        unit = units[offset] | (units[offset + 1] << 8)
        character = chr(unit)
        pieces.append(character if character in PLAIN_CHARACTERS else f"\\x{unit:04x}")
    return 'L"' + "".join(pieces) + '"'


def render(entries, language, source_name):
    lines = [f"// Generated from {source_name} by make_stringtable.py: edit the table, not this file."]
    if language:
        lines.append(f"LANGUAGE 0x{PRIMARY_LANGUAGE_IDS[language]:02X}, 0x00")
    lines.append("STRINGTABLE")
    lines.append("BEGIN")
    for key, text in sorted(entries, key=lambda entry: string_id(entry[0])):
        lines.append(f"    {string_id(key)} {rc_string(text)}")
    lines.append("END")
    return "\n".join(lines) + "\n"


def write_atomically(path, content):
    # A failed run must not leave half a script behind for the next build to pick up.
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="ascii", newline="") as output:
        output.write(content)
    os.replace(temporary, path)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--language", choices=sorted(PRIMARY_LANGUAGE_IDS),
                        help="build the table of this language library")
    parser.add_argument("--reference", default=os.path.join(here, "en.txt"),
                        help="the English table every table is checked against")
    parser.add_argument("--version", help='the text that replaces "@VERSION@"')
    parser.add_argument("table")
    parser.add_argument("output")
    arguments = parser.parse_args(argv)

    try:
        reference = {key: text for key, text, _ in read_table(arguments.reference)}
        entries = read_table(arguments.table)
        check_table(arguments.table, entries, reference, arguments.language is not None)
        kept = [(key, substitute_version(text, arguments.version)) for key, text, _ in entries
                if not (arguments.language and key in MODULE_ONLY_KEYS)]
        content = render(kept, arguments.language, os.path.basename(arguments.table))
    except TableError as error:
        print(f"make_stringtable.py: {error}", file=sys.stderr)
        return 1
    write_atomically(arguments.output, content)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
