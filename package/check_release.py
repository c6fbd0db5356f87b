#!/usr/bin/python3
"""Checks that a built TalvoraMeeting.dll is a release build: it holds the Talvora https origins
and nothing of the loopback stand-in service (no loopback address, no port variable).

    check_release.py <TalvoraMeeting.dll>
"""

import sys

REQUIRED = ("https://api.talvora.com", "https://www.talvora.com")
FORBIDDEN = ("127.0.0.1", "localhost", "[::1]", "TALVORA_SERVICE_PORT")


def contains(data, text):
    # The add-in keeps its texts as UTF-16; a narrow copy would be found as well.
    return text.encode("utf-16-le") in data or text.encode("ascii") in data


def problems(path):
    with open(path, "rb") as dll:
        data = dll.read()
    found = [f"lacks {text}" for text in REQUIRED if not contains(data, text)]
    found += [f"holds {text}" for text in FORBIDDEN if contains(data, text)]
    return found


def main(argv):
    if len(argv) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = problems(argv[0])
    for problem in found:
        print(f"{argv[0]}: {problem}", file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
