#!/usr/bin/python3
"""Writes the reference vectors of encoding_tests.exe, computed with Python's standard library.

One record per line: a kind and two fields, each field hex-encoded ("-" when empty):
  uri, component   bytes -> percent-encoded text (ASCII)
  decode           text -> percent-decoded bytes
  b64              bytes -> Base64 text (ASCII)
  b64dec           text -> decoded bytes
  b64text          UTF-16LE text -> Base64 of its UTF-8 form (ASCII)
  md5              bytes -> lower-case hex digest (ASCII)
  utf8, cp1252     8-bit text (no NUL) -> the same text as UTF-16LE
Usage: make_vectors.py <output file>
"""

import base64
import hashlib
import random
import string
import sys
import urllib.parse

B64_ALPHABET = (string.ascii_uppercase + string.ascii_lowercase + string.digits + "+/").encode()
# Bytes the Python cp1252 codec leaves undefined (Windows maps them to C1 controls).
CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def field(data: bytes) -> str:
    return data.hex() if data else "-"


def random_bytes(rng: random.Random, length: int) -> bytes:
    return bytes(rng.getrandbits(8) for _ in range(length))


def uri_encode(data: bytes) -> bytes:
    # quote() always keeps "-._~"; the add-in's URI encoder escapes them too, and quote() emits
    # these four characters only where the input had them.
    text = urllib.parse.quote(data, safe="")
    for c in "-._~":
        text = text.replace(c, "%{:02X}".format(ord(c)))
    return text.encode("ascii")


def component_encode(data: bytes) -> bytes:
    return urllib.parse.quote(data, safe="").encode("ascii")


def decode_sample(rng: random.Random) -> bytes:
    # Dense in '%' and hex digits, so that valid, broken and trailing escapes all occur.
    pieces = [b"%", b"%", b"0", b"7", b"a", b"F", b"f", b"g", b"G", b"+", b" ", b"Z"]
    out = b"".join(rng.choice(pieces) for _ in range(rng.randrange(0, 24)))
    if rng.random() < 0.3:
        out += random_bytes(rng, rng.randrange(1, 4))
    return out


def b64_reference_decode(text: bytes) -> bytes:
    stop = 0
    while stop < len(text) and text[stop] in B64_ALPHABET:
        stop += 1
    usable = text[:stop]
    if len(usable) % 4 == 1:
        usable = usable[:-1]
    return base64.b64decode(usable + b"=" * (-len(usable) % 4))


def b64dec_sample(rng: random.Random) -> bytes:
    text = base64.b64encode(random_bytes(rng, rng.randrange(0, 40)))
    if text and rng.random() < 0.7:
        cut = rng.randrange(0, len(text))
        intruder = rng.choice([b" ", b"=", b"-", b"_", b"\n", b"\x00", b"\xff", b"*"])
        text = text[:cut] + intruder + text[cut:]
    return text


def random_unicode(rng: random.Random, length: int, astral=True) -> str:
    ranges = [(0x01, 0x7F), (0x80, 0x7FF), (0x800, 0xD7FF), (0xE000, 0xFFFF)]
    if astral:
        ranges.append((0x10000, 0x10FFFF))
    chars = []
    for _ in range(length):
        low, high = rng.choice(ranges)
        chars.append(chr(rng.randint(low, high)))
    return "".join(chars)


def cp1252_sample(rng: random.Random) -> bytes:
    alphabet = [b for b in range(1, 256) if b not in CP1252_UNDEFINED]
    return bytes(rng.choice(alphabet) for _ in range(rng.randrange(0, 300)))


def records():
    rng = random.Random(20240611)

    for _ in range(3000):
        data = random_bytes(rng, rng.randrange(0, 64))
        yield "uri", data, uri_encode(data)
        yield "component", data, component_encode(data)
    for _ in range(3000):
        text = decode_sample(rng)
        yield "decode", text, urllib.parse.unquote_to_bytes(text)

    b64_inputs = [random_bytes(rng, n) for n in range(0, 201)]
    b64_inputs += [random_bytes(rng, rng.randrange(0, 2000)) for _ in range(300)]
    for data in b64_inputs:
        yield "b64", data, base64.b64encode(data)
    for _ in range(2000):
        text = b64dec_sample(rng)
        yield "b64dec", text, b64_reference_decode(text)
    for _ in range(1000):
        text = random_unicode(rng, rng.randrange(0, 80))
        yield "b64text", text.encode("utf-16-le"), base64.b64encode(text.encode("utf-8"))

    md5_lengths = list(range(0, 201)) + [447, 448, 511, 512, 513, 4095, 4096, 65537, 1 << 20]
    md5_lengths += [rng.randrange(0, 4000) for _ in range(200)]
    for n in md5_lengths:
        data = random_bytes(rng, n)
        yield "md5", data, hashlib.md5(data).hexdigest().encode("ascii")

    for _ in range(2000):
        text = random_unicode(rng, rng.randrange(0, 120))
        yield "utf8", text.encode("utf-8"), text.encode("utf-16-le")
    for _ in range(1000):
        data = cp1252_sample(rng)
        yield "cp1252", data, data.decode("cp1252").encode("utf-16-le")


def main():
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        for kind, given, expected in records():
            out.write("{} {} {}\n".format(kind, field(given), field(expected)))


if __name__ == "__main__":
    main()
