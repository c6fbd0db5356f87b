#!/usr/bin/env python3
"""Prints the reference signatures of SigningTests.cpp: for each (access token, subscription id,
rand) the MD5 hex of the UTF-8 text made of the four request values sorted by UTF-16 code units
and joined, followed by the client secret. Run it and paste its output into the table."""
import hashlib

CLIENT_ID = "3b8e21d07c5fa946"
CLIENT_SECRET = "c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506"

CASES = [
    ("", "48213", "4711"),
    ("a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", "48213", "0"),
    ("zz", "3b8e", "32767"),
    ("\u00e9\u20ac", "77019", "12"),
    ("\U0001F600", "\uFF21", "5"),
]


def utf16_units(text):
    return text.encode("utf-16-be")


def signature(token, subscription, rand):
    values = sorted([token, CLIENT_ID, subscription, rand], key=utf16_units)
    return hashlib.md5(("".join(values) + CLIENT_SECRET).encode("utf-8")).hexdigest()


def literal(text):
    return 'L"' + "".join(c if 0x20 <= ord(c) < 0x7F else "\\U%08X" % ord(c) for c in text) + '"'


for token, subscription, rand in CASES:
    print("    {%s, %s, %s, \"%s\"}," % (literal(token), literal(subscription), literal(rand),
                                        signature(token, subscription, rand)))
