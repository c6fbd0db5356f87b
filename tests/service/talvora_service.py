#!/usr/bin/python3
"""Stand-in Talvora service for the add-in's tests and the demo.

One threaded HTTP server on 127.0.0.1 plays both the REST API and the web
site. It validates what a client sends the way the production service does
(signatures, client credentials, password encoding) and keeps a log of every
request together with what it concluded, so tests can assert on the exact
bytes the add-in put on the wire. A control API under /_control/ lets tests
reset the fixture, add accounts, register authorization codes and inject
faults (status, body, delay, dropped or hanging connections).

Usage: talvora_service.py --port 0 [--port-file FILE]
Prints "PORT <n>" once listening, serves until SIGTERM/SIGINT.
See README.md beside this file for endpoints, fixture and control API.
"""

import argparse
import base64
import copy
import hashlib
import json
import os
import re
import signal
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

CLIENT_ID = "3b8e21d07c5fa946"
CLIENT_SECRET = "c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506"

DEFAULT_STRINGS_DIR = Path(__file__).resolve().parent.parent.parent / "res" / "strings"

MAX_BODY = 1024 * 1024
ONLINE_MEETING_ID = "519"
ONLINE_MEETING_DEFAULT = "Online Meeting:"
TEMPLATE_LAST_LINE = "Talvora - meetings made simple"
CUSTOMER_SERVICE_NUMBER = "+1 (555) 010-9999"

SAFE_BYTES = frozenset(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
RAND_RE = re.compile(r"(0|[1-9][0-9]{0,4})")


# --------------------------------------------------------------------------
# Encoding helpers (independent of the add-in's own code)

def uri_encode(data: bytes) -> str:
    """Percent-encode every byte except ASCII letters and digits, upper-case hex."""
    return "".join(chr(b) if b in SAFE_BYTES else "%%%02X" % b for b in data)


def decode_password(raw: str):
    """Return (password bytes, None) or (None, reason) for the raw query value.

    Only the canonical form is accepted: a client that leaves '+', ' ' or '&'
    raw, writes lower-case hex, or escapes letters and digits is broken and
    would fail against the production service as well.
    """
    for ch in raw:
        if ch != "%" and (ord(ch) > 127 or ord(ch) not in SAFE_BYTES):
            return None, "raw character %r in password" % ch
    decoded = urllib.parse.unquote_to_bytes(raw)
    if uri_encode(decoded) != raw:
        return None, "password is not canonically percent-encoded"
    return decoded, None


def wire_text(raw: str) -> str:
    """http.server hands us request-line bytes as latin-1; recover UTF-8 text."""
    return raw.encode("latin-1", "replace").decode("utf-8", "replace")


def sign(values, secret=CLIENT_SECRET) -> str:
    # Sorting by UTF-16 code units matches the Windows client for every input,
    # including characters beyond the BMP.
    ordered = sorted(values, key=lambda v: v.encode("utf-16-be"))
    return hashlib.md5(("".join(ordered) + secret).encode("utf-8")).hexdigest()


def split_query(raw_query: str):
    """Raw name/value pairs in order; nothing is decoded."""
    pairs = []
    if not raw_query:
        return pairs
    for piece in raw_query.split("&"):
        if not piece:
            continue
        name, _, value = piece.partition("=")
        pairs.append((name, value))
    return pairs


def first_param(pairs, name):
    for key, value in pairs:
        if key == name:
            return value
    return None


# --------------------------------------------------------------------------
# Localized strings shared with the add-in's resource files

def parse_strings(text: str) -> dict:
    table = {}
    for line in text.splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        key, sep, value = line.partition("\t")
        if not sep:
            continue
        if len(value) >= 2 and value.startswith('"') and value.endswith('"'):
            value = value[1:-1]
        table[key.strip()] = value
    return table


def load_string_tables(folder: Path) -> dict:
    tables = {}
    try:
        files = sorted(folder.glob("*.txt"))
    except OSError:
        files = []
    for path in files:
        try:
            tables[path.stem] = parse_strings(path.read_text(encoding="utf-8-sig"))
        except (OSError, UnicodeDecodeError) as exc:
            print("warning: cannot read %s: %s" % (path, exc), file=sys.stderr, flush=True)
    return tables


GREETINGS = {
    "en": "{first} {last} is inviting you to a Talvora meeting.",
    "de": "{first} {last} lädt Sie zu einem Talvora-Meeting ein.",
    "fr": "{first} {last} vous invite à une réunion Talvora.",
    "es": "{first} {last} le invita a una reunión de Talvora.",
    "he": "{first} {last} מזמין/ה אותך לפגישת Talvora.",
    "ru": "{first} {last} приглашает вас на встречу Talvora.",
}

LABEL_DEFAULTS = {
    "514": "Dial-In Number:",
    "515": "For 24/7 customer service please call ",
    "516": "Access Code",
    "517": "No access code needed",
    "518": "International Dial-In Numbers:",
}


# --------------------------------------------------------------------------
# Fixture

def number(country, code, name, formatted):
    return {"country": country, "country_code": code, "country_name": name,
            "in_country_format": formatted}


def fixture_accounts():
    us_toll = [number(1, "us", "United States", "+1 (555) 010-2345"),
               number(44, "gb", "United Kingdom", "+44 20 7946 0321"),
               number(49, "de", "Germany", "+49 30 901820 77"),
               number(33, "fr", "France", "+33 1 73 00 41 22"),
               number(972, "il", "Israel", "+972 3 376 0419")]
    us_toll_free = [number(1, "us", "United States", "+1 (800) 555-0199"),
                    number(44, "gb", "United Kingdom", "0800 048 0123"),
                    number(49, "de", "Germany", "0800 183 0456"),
                    number(33, "fr", "France", "0 805 08 12 34"),
                    number(972, "il", "Israel", "1 809 41 7788")]
    us_one = [number(1, "us", "United States", "+1 (555) 010-0100"),
              number(44, "gb", "United Kingdom", "+44 20 7946 0100"),
              number(49, "de", "Germany", "+49 30 901820 00"),
              number(33, "fr", "France", "+33 1 73 00 41 00"),
              number(972, "il", "Israel", "+972 3 376 0100")]
    return [
        {
            "email": "alice+meet@example.com",
            "password": "Tea & Cake+100%é",
            "access_token": "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12",
            "subscription": {
                "id": 48213, "meeting_url": "alice.walker", "access_code": "4417209",
                "email": "alice+meet@example.com", "first_name": "Alice", "last_name": "Walker",
                "country_id": 1, "country_code": "us", "status": "active",
                "toll_number": "+1 (555) 010-2345", "toll_free_number": "+1 (800) 555-0199",
                "products": ["international_toll", "screen_sharing", "video"],
                "default_conferencing_rate_type": "one_number",
                "toll_numbers": us_toll, "toll_free_numbers": us_toll_free, "one_numbers": us_one,
            },
        },
        {
            "email": "bob.stone@example.org",
            "password": "bob&Stone 42",
            "access_token": "b0b5ca1ab1e4d2f6e8a0c2e4f6b8d0aa",
            "subscription": {
                "id": "77019", "meeting_url": "bob.stone", "access_code": "5520931",
                "email": "bob.stone@example.org", "first_name": "Bob", "last_name": "Stone",
                "country_id": "44", "country_code": "gb", "status": "suspended",
                "toll_number": "+44 20 7946 0555", "toll_free_number": "0800 048 0555",
                "products": ["screen_sharing"],
                "default_conferencing_rate_type": "toll",
                "toll_numbers": [number("44", "gb", "United Kingdom", "+44 20 7946 0555")],
                "toll_free_numbers": [number("44", "gb", "United Kingdom", "0800 048 0555")],
                "one_numbers": [],
            },
        },
        {
            "email": "chloe+work@example.ca",
            "password": "Érable+Sirop%",
            "access_token": "c4f3e1d2b7a69058c3e2f1a0b9d8c7e6",
            "subscription": {
                "id": 61207, "meeting_url": "chloe.tremblay", "access_code": "3086514",
                "email": "chloe+work@example.ca", "first_name": "Chloé", "last_name": "Tremblay",
                "country_id": "124", "country_code": "ca", "status": "active",
                "toll_number": "+1 (416) 555-0134", "toll_free_number": "+1 (888) 555-0177",
                "products": ["international_toll", "video"],
                "default_conferencing_rate_type": "toll_free",
                "toll_numbers": [number("1", "ca", "Canada", "+1 (416) 555-0134")],
                "toll_free_numbers": [number("1", "ca", "Canada", "+1 (888) 555-0177")],
                "one_numbers": [number("1", "ca", "Canada", "+1 (416) 555-0100")],
            },
        },
        {
            "email": "dave@example.com",
            "password": "dave1234",
            "access_token": "d4e5f6a7b8c9d0e1f2a3b4c5d6e7f809",
            "subscription": {
                "id": 30550, "meeting_url": "dave.mueller", "access_code": "",
                "email": "dave@example.com", "first_name": "Dave", "last_name": "Müller",
                "country_id": 49, "country_code": "de", "status": "active",
                "toll_number": "+49 30 901820 88", "toll_free_number": "",
                "products": [],
                "default_conferencing_rate_type": "",
                "toll_numbers": [number(49, "de", "Germany", "+49 30 901820 88")],
                "toll_free_numbers": [], "one_numbers": [],
            },
        },
        {
            "email": "eve&adam+x@example.net",
            "password": "plain Pass",
            "access_token": "e7e8e9eaebecedeef0f1f2f3f4f5f6f7",
            "subscription": {
                "id": 90311, "meeting_url": "eve.adam", "access_code": "7710448",
                "email": "eve&adam+x@example.net", "first_name": "Eve", "last_name": "Adam",
                "country_id": 33, "country_code": "fr", "status": "active",
                "toll_number": "+33 1 73 00 41 77", "toll_free_number": "",
                "products": ["international_toll"],
                "default_conferencing_rate_type": "toll",
                "toll_numbers": [number(33, "fr", "France", "+33 1 73 00 41 77"),
                                 number(1, "us", "United States", "+1 (555) 010-2399")],
                "toll_free_numbers": [], "one_numbers": [],
            },
        },
    ]


def fixture_codes():
    return {
        "fbcode-alice-0001": {"email": "alice+meet@example.com", "redirect_uri": None},
        "fbcode-chloe-0002": {"email": "chloe+work@example.ca", "redirect_uri": None},
    }


SUBSCRIPTION_SKELETON = {
    "id": "", "meeting_url": "", "access_code": "", "email": "", "first_name": "",
    "last_name": "", "country_id": "", "country_code": "", "status": "active",
    "toll_number": "", "toll_free_number": "", "products": [],
    "default_conferencing_rate_type": "", "toll_numbers": [], "toll_free_numbers": [],
    "one_numbers": [],
}


# --------------------------------------------------------------------------
# Online configuration document

CONFIG_PRESETS = {
    # name: (version, force attribute or None, message mode, url?, package?)
    "newer": ("0.9.28.1", None, "hidden", True, True),
    "older": ("0.9.27.5", None, "hidden", True, True),
    "equal": ("0.9.28.0", None, "hidden", True, True),
    "major": ("1.0.0.0", None, "hidden", True, True),
    "short": ("1.2", None, "hidden", True, True),
    "force": ("0.9.28.1", "true", "hidden", True, True),
    "force-capital": ("0.9.28.1", "True", "hidden", True, True),
    "message": ("0.9.28.1", None, "shown", True, True),
    "message-hidden": ("0.9.28.1", None, "hidden", True, True),
    "display-empty": ("0.9.28.1", None, "empty", True, True),
    "no-message": ("0.9.28.1", None, "absent", True, True),
    "no-url": ("0.9.28.1", None, "hidden", False, True),
    "no-package": ("0.9.28.1", None, "hidden", True, False),
    "malformed": None,
    "none": None,
}
DEFAULT_CONFIG = "equal"
CONFIG_MESSAGE = ("A new Talvora Office Add-in is available. "
                  "Please update to keep scheduling meetings from Outlook.")


def config_document(preset: str, web: str):
    """(HTTP status, body text) of /desktopApp/config.xml for a preset."""
    if preset == "none":
        return 404, None
    if preset == "malformed":
        return 200, ('<?xml version="1.0"?>\r\n<config>\r\n  <outlook>\r\n'
                     '    <version>0.9.28.1</version>\r\n'
                     '    <url>%s/outlook-plugin-instructions</outlook>\r\n'
                     '  </url>\r\n<config>\r\n' % web)
    version, force, message, has_url, has_package = CONFIG_PRESETS[preset]
    lines = ['<?xml version="1.0"?>', "<config>", "  <outlook>"]
    force_attr = ' force="%s"' % force if force is not None else ""
    lines.append("    <version%s>%s</version>" % (force_attr, version))
    if message == "shown":
        lines.append('    <message display="true">%s</message>' % CONFIG_MESSAGE)
    elif message == "hidden":
        lines.append('    <message display="false">%s</message>' % CONFIG_MESSAGE)
    elif message == "empty":
        lines.append('    <message display="true"></message>')
    if has_url:
        lines.append("    <url>%s/outlook-plugin-instructions</url>" % web)
    lines.append("  </outlook>")
    lines.append("  <desktop>")
    lines.append("    <version>3.4.1.0</version>")
    lines.append("  </desktop>")
    lines.append("  <executables>")
    lines.append('    <package platform="mac">%s/downloads/TalvoraSetup.dmg</package>' % web)
    if has_package:
        lines.append('    <package platform="win">%s/downloads/TalvoraSetup.exe</package>' % web)
    lines.append("  </executables>")
    lines.append("</config>")
    return 200, "\r\n".join(lines) + "\r\n"


# --------------------------------------------------------------------------
# Shared state

class State:
    def __init__(self):
        self.lock = threading.RLock()
        self.release = threading.Event()
        self.shutting_down = False
        # Requests held on `release` (delayed or hanging) whose connection is not done yet.
        self.held = 0
        self.held_done = threading.Condition(self.lock)
        self.reset()

    def hold(self):
        with self.lock:
            self.held += 1

    def let_go(self):
        with self.lock:
            self.held -= 1
            self.held_done.notify_all()

    def wait_until_let_go(self, timeout=5.0):
        """After a reset: until the requests it woke have answered or closed their connections,
        so that the client sees them closed before it sends its next request."""
        with self.lock:
            return self.held_done.wait_for(lambda: self.held == 0, timeout)

    def reset(self):
        with self.lock:
            self.accounts = fixture_accounts()
            self.codes = fixture_codes()
            self.switches = []
            self.config = DEFAULT_CONFIG
            self.requests = []
            self.code_counter = 0
            # Wake everything that hangs or sleeps on the previous generation.
            old, self.release = getattr(self, "release", None), threading.Event()
            if old is not None:
                old.set()

    def by_email(self, email):
        for acc in self.accounts:
            if acc["email"] == email:
                return acc
        return None

    def by_token(self, token):
        for acc in self.accounts:
            if acc["access_token"] == token:
                return acc
        return None

    def by_meeting_url(self, meeting_url):
        for acc in self.accounts:
            if str(acc["subscription"].get("meeting_url")) == meeting_url:
                return acc
        return None

    def take_switch(self, path):
        with self.lock:
            for sw in reversed(self.switches):
                if path.startswith(sw["path"]) and (sw["times"] is None or sw["times"] > 0):
                    if sw["times"] is not None:
                        sw["times"] -= 1
                    return dict(sw), self.release
            return None, self.release

    def new_code(self, email, redirect_uri):
        with self.lock:
            self.code_counter += 1
            code = "ac%04d%s" % (self.code_counter, os.urandom(6).hex())
            self.codes[code] = {"email": email, "redirect_uri": redirect_uri}
            return code


def subscription_document(acc, with_token=False):
    doc = {"retcode": 0, "subscription": copy.deepcopy(acc["subscription"])}
    if with_token:
        doc["access_token"] = acc["access_token"]
    return doc


def failure(retcode, message):
    return {"retcode": retcode, "message": message}


# --------------------------------------------------------------------------
# HTTP handling

class Reply:
    def __init__(self, status, body=b"", content_type="application/json; charset=utf-8",
                 headers=None):
        self.status = status
        self.body = body
        self.content_type = content_type
        self.headers = headers or []


def json_reply(obj, status=200):
    return Reply(status, json.dumps(obj, ensure_ascii=False).encode("utf-8"))


def html_escape(text):
    return (str(text).replace("&", "&amp;").replace("<", "&lt;")
            .replace(">", "&gt;").replace('"', "&quot;"))


def html_reply(title, body_html, status=200):
    page = ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<title>%s</title>\n</head>\n<body>\n<header><strong>Talvora</strong></header>\n"
            "%s\n</body>\n</html>\n" % (html_escape(title), body_html))
    return Reply(status, page.encode("utf-8"), "text/html; charset=utf-8")


class Dropped(Exception):
    """Close the connection without an answer."""


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TalvoraStandIn/1.0"
    timeout = 120

    # -- plumbing ----------------------------------------------------------

    @property
    def state(self) -> State:
        return self.server.state

    def log_message(self, fmt, *args):
        # Per-request lines are written by _finish_log; this only carries
        # http.server's own parse errors.
        sys.stderr.write("%s %s\n" % (self.address_string(), fmt % args))
        sys.stderr.flush()

    def send_error(self, code, message=None, explain=None):
        if self.request_version == "HTTP/0.9":
            self.request_version = "HTTP/1.0"  # unparsable request line: still send a status
        body = json.dumps({"error": message or self.responses.get(code, ("error",))[0]})
        body = body.encode("utf-8")
        try:
            self.send_response_only(code)
            self.send_header("Content-Type", "application/json; charset=utf-8")
            self.send_header("Connection", "close")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if self.command != "HEAD":
                self.wfile.write(body)
        except OSError:
            pass
        self.close_connection = True
        self.log_message("%s %s", code, message or "")

    def do_GET(self):
        self._dispatch()

    do_POST = do_PUT = do_DELETE = do_PATCH = do_OPTIONS = do_GET

    def _read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            raise ValueError("chunked bodies are not supported")
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        if not length.strip().isdigit():
            raise ValueError("bad Content-Length")
        n = int(length)
        if n > MAX_BODY:
            raise ValueError("body too large")
        return self.rfile.read(n)

    def _dispatch(self):
        started = time.monotonic()
        target = self.path
        if target.startswith("http://") or target.startswith("https://"):
            rest = target.split("://", 1)[1]
            target = "/" + rest.split("/", 1)[1] if "/" in rest else "/"
        path, _, raw_query = target.partition("?")
        self.raw_path, self.raw_query = path, raw_query

        try:
            body = self._read_body()
        except ValueError as exc:
            self.close_connection = True
            self._send(json_reply({"error": str(exc)}, 400))
            self._finish_log(started, 400, "bad-request")
            return
        self.body_bytes = body

        if path.startswith("/_control/"):
            try:
                reply = self._control(path)
            except Exception as exc:  # never let the control API take the server down
                reply = json_reply({"error": "internal error: %s" % exc}, 500)
            self._send(reply)
            self._finish_log(started, reply.status, None)
            return

        entry = {
            "method": self.command,
            "path": wire_text(path),
            "raw_query": wire_text(raw_query),
            "headers": self._header_dict(),
            "body": body.decode("utf-8", "replace"),
            "content_type": self.headers.get("Content-Type"),
            "check": None,
            "status": None,
        }
        self.entry = entry
        with self.state.lock:
            self.state.requests.append(entry)

        status = None
        self.holding = False
        try:
            reply = self._switched(path)
            if reply is None:
                reply = self._route(path)
            self._send(reply)
            status = reply.status
        except Dropped:
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        except Exception as exc:
            self._set_check("internal-error")
            reply = json_reply({"error": "internal error: %s" % type(exc).__name__}, 500)
            try:
                self._send(reply)
                status = 500
            except OSError:
                pass
        if self.holding:
            self.state.let_go()
        with self.state.lock:
            entry["status"] = status
        self._finish_log(started, status, entry["check"])

    def _header_dict(self):
        result = {}
        for name, value in self.headers.items():
            key = name.lower()
            result[key] = result[key] + ", " + value if key in result else value
        return result

    def _set_check(self, check, detail=None):
        with self.state.lock:
            self.entry["check"] = check
            if detail is not None:
                self.entry["detail"] = detail

    def _send(self, reply: Reply):
        self.send_response(reply.status)
        self.send_header("Content-Type", reply.content_type)
        for name, value in reply.headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(reply.body)))
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(reply.body)

    def log_request(self, code="-", size="-"):
        pass  # replaced by _finish_log, which knows the check result

    def _finish_log(self, started, status, check):
        ms = int((time.monotonic() - started) * 1000)
        line = '%s "%s %s" %s check=%s %dms' % (
            self.client_address[0], self.command, wire_text(self.path),
            status if status is not None else "dropped", check or "-", ms)
        sys.stderr.write(line + "\n")
        sys.stderr.flush()

    def _web_host(self):
        return self.server.web_host

    # -- fault injection ---------------------------------------------------

    def _switched(self, path):
        sw, release = self.state.take_switch(path)
        if sw is None:
            return None
        with self.state.lock:
            self.entry["switch"] = {k: v for k, v in sw.items() if k != "times"}
        if sw.get("delay_ms") or sw.get("hang"):
            self.holding = True
            self.state.hold()
        if sw.get("delay_ms"):
            release.wait(sw["delay_ms"] / 1000.0)
        if sw.get("hang"):
            self._set_check("switched-hang")
            release.wait()
            raise Dropped()
        if sw.get("drop"):
            self._set_check("switched-drop")
            raise Dropped()
        if sw.get("status") is None and sw.get("body") is None:
            return None  # delay only: answer normally
        self._set_check("switched")
        status = sw.get("status") if sw.get("status") is not None else 200
        if sw.get("body") is not None:
            text = sw["body"]
            ctype = sw.get("content_type")
            if ctype is None:
                try:
                    json.loads(text)
                    ctype = "application/json; charset=utf-8"
                except ValueError:
                    ctype = ("text/xml; charset=utf-8" if text.lstrip().startswith("<")
                             else "text/plain; charset=utf-8")
            return Reply(status, text.encode("utf-8"), ctype)
        return json_reply({"error": "status %d injected by test switch" % status}, status)

    # -- control API -------------------------------------------------------

    def _control_json(self):
        try:
            obj = json.loads(self.body_bytes.decode("utf-8") or "{}")
        except (UnicodeDecodeError, ValueError):
            return None
        return obj if isinstance(obj, dict) else None

    def _control(self, path):
        st = self.state
        if path == "/_control/requests":
            if self.command != "GET":
                return json_reply({"error": "use GET"}, 405)
            with st.lock:
                return json_reply(copy.deepcopy(st.requests))
        if self.command != "POST":
            return json_reply({"error": "use POST"}, 405)
        if path == "/_control/reset":
            st.reset()
            st.wait_until_let_go()
            return json_reply({"ok": True})
        obj = self._control_json()
        if obj is None:
            return json_reply({"error": "body must be a JSON object"}, 400)
        if path == "/_control/switch":
            return self._control_switch(obj)
        if path == "/_control/account":
            return self._control_account(obj)
        if path == "/_control/code":
            code, email = obj.get("code"), obj.get("email")
            redirect = obj.get("redirect_uri")
            if not isinstance(code, str) or not code or not isinstance(email, str):
                return json_reply({"error": "need string members code and email"}, 400)
            if redirect is not None and not isinstance(redirect, str):
                return json_reply({"error": "redirect_uri must be a string"}, 400)
            with st.lock:
                st.codes[code] = {"email": email, "redirect_uri": redirect}
            return json_reply({"ok": True})
        return json_reply({"error": "unknown control endpoint"}, 404)

    def _control_switch(self, obj):
        st = self.state
        if "config" in obj:
            name = obj["config"]
            if name not in CONFIG_PRESETS:
                return json_reply({"error": "unknown config preset",
                                   "presets": sorted(CONFIG_PRESETS)}, 400)
            with st.lock:
                st.config = name
            return json_reply({"ok": True})
        if "status_of" in obj:
            status = obj.get("status")
            if not isinstance(status, str):
                return json_reply({"error": "status must be a string"}, 400)
            with st.lock:
                acc = st.by_email(obj["status_of"])
                if acc is None:
                    return json_reply({"error": "unknown account"}, 404)
                acc["subscription"]["status"] = status
            return json_reply({"ok": True})
        prefix = obj.get("path")
        if not isinstance(prefix, str):
            return json_reply({"error": "need a string member path"}, 400)
        sw = {"path": prefix}
        for name, kind in (("status", int), ("delay_ms", int), ("times", int),
                           ("body", str), ("content_type", str), ("drop", bool),
                           ("hang", bool)):
            value = obj.get(name)
            if value is None:
                continue
            if not isinstance(value, kind) or (kind is int and isinstance(value, bool)):
                return json_reply({"error": "%s has the wrong type" % name}, 400)
            sw[name] = value
        if "status" in sw and not 100 <= sw["status"] <= 599:
            return json_reply({"error": "status out of range"}, 400)
        if sw.get("delay_ms", 0) < 0 or ("times" in sw and sw["times"] < 1):
            return json_reply({"error": "delay_ms must be >= 0 and times >= 1"}, 400)
        sw.setdefault("times", None)
        with st.lock:
            st.switches.append(sw)
        return json_reply({"ok": True})

    def _control_account(self, obj):
        for name in ("email", "password", "access_token"):
            if not isinstance(obj.get(name), str):
                return json_reply({"error": "need string member %s" % name}, 400)
        sub = obj.get("subscription", {})
        if not isinstance(sub, dict):
            return json_reply({"error": "subscription must be an object"}, 400)
        merged = copy.deepcopy(SUBSCRIPTION_SKELETON)
        merged.update(copy.deepcopy(sub))
        if "email" not in sub:
            merged["email"] = obj["email"]
        acc = {"email": obj["email"], "password": obj["password"],
               "access_token": obj["access_token"], "subscription": merged}
        with self.state.lock:
            accounts = self.state.accounts
            accounts[:] = [a for a in accounts if a["email"] != acc["email"]]
            accounts.append(acc)
        return json_reply({"ok": True})

    # -- routing -----------------------------------------------------------

    def _route(self, path):
        if path == "/api/v3/subscriptions/get_access_token":
            return self._only("GET") or self._get_access_token()
        if path == "/api/v3/subscriptions/current":
            return self._only("GET") or self._current()
        if path == "/api/v3/token":
            return self._only("POST") or self._token()
        m = re.fullmatch(r"/api/v3/subscriptions/([^/]+)/invites/email_template", path)
        if m:
            return self._only("GET") or self._email_template(m.group(1))
        m = re.fullmatch(r"/api/v3/subscriptions/([^/]+)", path)
        if m:
            return self._only("GET") or self._subscription(m.group(1))
        if path == "/desktopApp/config.xml":
            return self._only("GET") or self._config()
        if path == "/api/v3/authorize":
            return self._only("GET") or self._authorize()
        if path == "/api/v3/authorize/allow":
            return self._only("GET") or self._authorize_allow()
        if path == "/auth/facebook":
            return self._only("GET") or self._facebook()
        if path == "/auth/callback":
            return self._only("GET") or self._callback()
        if path == "/nc_login":
            return self._only("GET") or self._nc_login()
        if path == "/outlook-plugin-instructions":
            return self._only("GET") or self._instructions()
        if path.startswith("/wall/"):
            return self._only("GET") or self._wall(urllib.parse.unquote(wire_text(path[6:])))
        m = re.fullmatch(r"/downloads/(TalvoraSetup\.(?:exe|dmg))", path)
        if m:
            return self._only("GET") or self._download(m.group(1))
        self._set_check("not-found")
        return json_reply({"error": "not found"}, 404)

    def _only(self, method):
        if self.command == method:
            return None
        self._set_check("bad-method")
        return Reply(405, json.dumps({"error": "method not allowed"}).encode("utf-8"),
                     headers=[("Allow", method)])

    def _query_params(self):
        """Browser-style decoding, for the web pages only."""
        return dict(urllib.parse.parse_qsl(wire_text(self.raw_query), keep_blank_values=True))

    # -- REST API ----------------------------------------------------------

    def _get_access_token(self):
        raw = self.raw_query
        head, sep, raw_password = raw.rpartition("&password=")
        if not sep or not head.startswith("email="):
            self._set_check("missing-parameter")
            return json_reply({"retcode": 1, "message": "email and password are required"}, 400)
        email = wire_text(head[len("email="):])
        password, problem = decode_password(raw_password)
        if password is None:
            self._set_check("bad-password-encoding", problem)
            return json_reply(failure(2, "malformed password: " + problem))
        with self.state.lock:
            acc = self.state.by_email(email)
            if acc is None:
                self._set_check("unknown-account", "no account %r" % email)
                return json_reply(failure(1, "invalid credentials"))
            try:
                expected = acc["password"].encode(self.server.codepage)
            except UnicodeEncodeError:
                expected = None
            if password != expected:
                self._set_check("wrong-password", "password bytes %r" % password)
                return json_reply(failure(1, "invalid credentials"))
            self._set_check("ok")
            return json_reply(subscription_document(acc, with_token=True))

    def _check_signed(self, subscription_id):
        """(account, None) when the signed query is valid, else (None, failure reply)."""
        pairs = split_query(self.raw_query)
        values = {}
        for name in ("access_token", "client_app_id", "rand", "sig"):
            value = first_param(pairs, name)
            if value is None:
                self._set_check("missing-parameter", name)
                return None, json_reply({"retcode": 3, "message": "missing " + name}, 400)
            values[name] = wire_text(value)
        if values["client_app_id"] != CLIENT_ID:
            self._set_check("bad-client", values["client_app_id"])
            return None, json_reply(failure(3, "unknown client application"))
        rand = values["rand"]
        if not RAND_RE.fullmatch(rand) or int(rand) > 32767:
            self._set_check("bad-rand", rand)
            return None, json_reply(failure(3, "invalid rand"))
        sub_id = wire_text(subscription_id)
        expected = sign([values["access_token"], values["client_app_id"], sub_id, rand])
        if values["sig"] != expected:
            self._set_check("bad-signature", "expected %s" % expected)
            return None, json_reply(failure(3, "invalid signature"))
        acc = self.state.by_token(values["access_token"])
        if acc is None:
            self._set_check("unknown-token")
            return None, json_reply(failure(4, "invalid access token"))
        if str(acc["subscription"].get("id")) != sub_id:
            self._set_check("wrong-subscription")
            return None, json_reply(failure(4, "access token does not own this subscription"))
        return acc, None

    def _subscription(self, subscription_id):
        with self.state.lock:
            acc, error = self._check_signed(subscription_id)
            if error:
                return error
            self._set_check("ok")
            return json_reply(subscription_document(acc))

    def _email_template(self, subscription_id):
        with self.state.lock:
            acc, error = self._check_signed(subscription_id)
            if error:
                return error
            locale = first_param(split_query(self.raw_query), "locale")
            locale = urllib.parse.unquote(wire_text(locale)) if locale else "en"
            text = self._template_text(acc["subscription"], locale)
            self._set_check("ok", "locale=%s" % locale)
            return json_reply({"retcode": 0, "email_template": text})

    def _template_text(self, sub, locale):
        tables = self.server.strings
        local, english = tables.get(locale, {}), tables.get("en", {})

        def label(key):
            return local.get(key) or english.get(key) or LABEL_DEFAULTS[key]

        def country(num):
            code = str(num.get("country_code", "")).upper()
            return local.get(code) or english.get(code) or str(num.get("country_name", ""))

        greeting = GREETINGS.get(locale, GREETINGS["en"])
        lines = [greeting.format(first=sub.get("first_name", ""), last=sub.get("last_name", "")),
                 ""]
        if sub.get("toll_number"):
            lines.append("%s %s" % (label("514"), sub["toll_number"]))
        if sub.get("toll_free_number"):
            lines.append("%s %s" % (label("514"), sub["toll_free_number"]))
        if sub.get("access_code"):
            lines.append("%s: %s" % (label("516"), sub["access_code"]))
        else:
            lines.append(label("517"))
        intl = [n for n in sub.get("toll_numbers", []) if isinstance(n, dict)]
        if "international_toll" in sub.get("products", []) and intl:
            lines += ["", label("518")]
            lines += ["%s: %s" % (country(n), n.get("in_country_format", "")) for n in intl]
        online = local.get(ONLINE_MEETING_ID) or ONLINE_MEETING_DEFAULT
        lines += ["", "%s %s/wall/%s" % (online, self._web_host(), sub.get("meeting_url", "")),
                  "", label("515") + CUSTOMER_SERVICE_NUMBER, "", TEMPLATE_LAST_LINE]
        return "\r\n".join(lines)

    def _form(self):
        fields = {}
        for piece in self.body_bytes.decode("utf-8", "replace").split("&"):
            if piece:
                name, _, value = piece.partition("=")
                fields.setdefault(name, urllib.parse.unquote(value))
        return fields

    def _token(self):
        form = self._form()
        missing = [n for n in ("client_id", "client_secret", "grant_type", "redirect_uri", "code")
                   if n not in form]
        if missing:
            self._set_check("missing-parameter", ",".join(missing))
            return json_reply({"error": "invalid_request"}, 400)
        if form["client_id"] != CLIENT_ID or form["client_secret"] != CLIENT_SECRET:
            self._set_check("bad-client")
            return json_reply({"error": "invalid_client"}, 401)
        if form["grant_type"] != "authorization_code":
            self._set_check("bad-grant-type", form["grant_type"])
            return json_reply({"error": "unsupported_grant_type"}, 400)
        with self.state.lock:
            grant = self.state.codes.get(form["code"])
            if grant is None:
                self._set_check("unknown-code")
                return json_reply({"error": "invalid_grant"}, 400)
            redirect = form["redirect_uri"]
            expected = grant["redirect_uri"]
            if (expected is not None and redirect != expected) or \
                    not redirect.endswith("/auth/callback"):
                self._set_check("bad-redirect-uri", redirect)
                return json_reply({"error": "invalid_grant"}, 400)
            acc = self.state.by_email(grant["email"])
            if acc is None:
                self._set_check("unknown-account", grant["email"])
                return json_reply({"error": "invalid_grant"}, 400)
            del self.state.codes[form["code"]]  # authorization codes are single-use
            self._set_check("ok")
            return json_reply({"access_token": acc["access_token"], "token_type": "bearer"})

    def _current(self):
        pairs = split_query(self.raw_query)
        client = first_param(pairs, "client_id")
        token = first_param(pairs, "access_token")
        if client is None or token is None:
            self._set_check("missing-parameter")
            return json_reply({"retcode": 3, "message": "client_id and access_token required"},
                              400)
        if wire_text(client) != CLIENT_ID:
            self._set_check("bad-client", wire_text(client))
            return json_reply(failure(3, "unknown client application"))
        with self.state.lock:
            acc = self.state.by_token(wire_text(token))
            if acc is None:
                self._set_check("unknown-token")
                return json_reply(failure(4, "invalid access token"))
            self._set_check("ok")
            return json_reply(subscription_document(acc))

    def _config(self):
        with self.state.lock:
            preset = self.state.config
        status, text = config_document(preset, self._web_host())
        self._set_check("config-" + preset)
        if text is None:
            return json_reply({"error": "not found"}, status)
        return Reply(status, text.encode("utf-8"), "text/xml; charset=utf-8")

    # -- web site ----------------------------------------------------------

    def _authorize(self):
        q = self._query_params()
        if q.get("client_id") != CLIENT_ID:
            self._set_check("bad-client", q.get("client_id"))
            return html_reply("Talvora - unknown application",
                              "<p>This application is not registered with Talvora.</p>", 400)
        if q.get("response_type") != "code" or not q.get("redirect_uri"):
            self._set_check("missing-parameter")
            return html_reply("Talvora - invalid request",
                              "<p>The sign-in request is incomplete.</p>", 400)
        hint = q.get("login_hint")
        with self.state.lock:
            acc = self.state.by_email(hint) if hint else None
            if acc is None and self.state.accounts:
                acc = self.state.accounts[0]
            email = acc["email"] if acc else ""
        now = int(time.time())
        allow = "/api/v3/authorize/allow?" + urllib.parse.urlencode(
            {"client_id": CLIENT_ID, "redirect_uri": q["redirect_uri"], "login_hint": email})
        deny = q["redirect_uri"] + "?error=access_denied"
        self._set_check("ok", "login_hint=%s" % email)
        return html_reply(
            "Authorize Talvora Meeting - api/v3/authorize?_t=%d" % now,
            "<h1>Allow Talvora Meeting for Office to use your account?</h1>\n"
            "<p>Signed in as %s.</p>\n<p><a id=\"allow\" href=\"%s\">Allow</a> "
            "<a id=\"deny\" href=\"%s\">Deny</a></p>"
            % (html_escape(email), html_escape(allow), html_escape(deny)))

    def _authorize_allow(self):
        q = self._query_params()
        redirect = q.get("redirect_uri")
        if q.get("client_id") != CLIENT_ID or not redirect:
            self._set_check("bad-request")
            return html_reply("Talvora - invalid request", "<p>Invalid request.</p>", 400)
        with self.state.lock:
            if self.state.by_email(q.get("login_hint", "")) is None:
                self._set_check("unknown-account")
                return html_reply("Talvora - unknown account", "<p>Unknown account.</p>", 400)
            code = self.state.new_code(q["login_hint"], redirect)
        location = redirect + ("&" if "?" in redirect else "?") + "code=" + code
        self._set_check("ok", "code=%s" % code)
        return Reply(302, b"", "text/html; charset=utf-8", [("Location", location)])

    def _facebook(self):
        origin = self._query_params().get("auth_origin", "")
        if not origin.startswith(("http://", "https://")):
            self._set_check("bad-request")
            return html_reply("Talvora - invalid request",
                              "<p>Missing or invalid auth_origin.</p>", 400)
        with self.state.lock:
            emails = [a["email"] for a in self.state.accounts]
        items = "\n".join(
            '<li><a href="%s">Continue as %s</a></li>'
            % (html_escape(origin + "&login_hint=" + urllib.parse.quote(e, safe="")),
               html_escape(e)) for e in emails)
        self._set_check("ok")
        return html_reply("Log in with Facebook | Talvora",
                          "<h1>Log in with Facebook</h1>\n<ul>\n%s\n</ul>" % items)

    def _callback(self):
        # The site lands the user on the wall once the sign-in is done; the add-in reads the
        # outcome from the title of that page (or of this one, for an error).
        q = self._query_params()
        now = int(time.time())
        if q.get("code"):
            code = q["code"]
            with self.state.lock:
                grant = self.state.codes.get(code)
                acc = self.state.by_email(grant["email"]) if grant else None
                meeting = acc["subscription"].get("meeting_url") if acc else None
            if meeting is None:
                self._set_check("unknown-code")
                return self._callback_error("invalid_grant", now)
            self._set_check("ok")
            location = "%s/wall/%s?code=%s" % (self._web_host(), urllib.parse.quote(meeting),
                                               urllib.parse.quote(code, safe=""))
            return Reply(302, b"", "text/html; charset=utf-8", [("Location", location)])
        if q.get("error"):
            self._set_check("ok", "error=%s" % q["error"])
            return self._callback_error(q["error"], now)
        self._set_check("bad-request")
        return html_reply("Talvora - invalid request", "<p>Missing code.</p>", 400)

    def _callback_error(self, error, now):
        return html_reply("Talvora - auth/callback?error=%s&_t=%d" % (error, now),
                          "<p>Sign-in was cancelled.</p>")

    def _nc_login(self):
        pairs = split_query(self.raw_query)
        token = first_param(pairs, "security_token")
        decoded = None
        if token:
            for candidate in (token, urllib.parse.unquote(token)):
                try:
                    decoded = base64.b64decode(candidate, validate=True).decode("utf-8")
                    break
                except (ValueError, UnicodeDecodeError):
                    continue
        fields = {}
        if decoded is not None:
            for part in decoded.split(";"):
                name, sep, value = part.partition("=")
                if sep:
                    fields[name] = value
        if "access_token" not in fields or "pcs_id" not in fields:
            self._set_check("bad-security-token", decoded)
            return html_reply("Talvora - invalid sign-in link",
                              "<p>This sign-in link is not valid.</p>", 400)
        with self.state.lock:
            acc = self.state.by_token(fields["access_token"])
            if acc is None or str(acc["subscription"].get("id")) != fields["pcs_id"]:
                self._set_check("unknown-token" if acc is None else "wrong-subscription",
                                decoded)
                return html_reply("Talvora - sign-in link expired",
                                  "<p>This sign-in link has expired. Please sign in again.</p>",
                                  403)
            sub = acc["subscription"]
            name = "%s %s" % (sub.get("first_name", ""), sub.get("last_name", ""))
            wall = "%s/wall/%s" % (self._web_host(), sub.get("meeting_url", ""))
        self._set_check("ok", decoded)
        return html_reply("%s - Talvora wall" % name,
                          "<h1>Welcome back, %s</h1>\n<p>Your wall: <a href=\"%s\">%s</a></p>"
                          % (html_escape(name), html_escape(wall), html_escape(wall)))

    def _wall(self, meeting_url):
        with self.state.lock:
            acc = self.state.by_meeting_url(meeting_url)
            sub = copy.deepcopy(acc["subscription"]) if acc else None
        if sub is None:
            self._set_check("unknown-meeting")
            return html_reply("Talvora - meeting not found",
                              "<p>There is no meeting room at this address.</p>", 404)
        code = self._query_params().get("code")
        if code:
            # The end of a browser sign-in: the code and the time in the title.
            self._set_check("ok", "code=%s" % code)
            return html_reply("Talvora - wall/%s?code=%s&_t=%d" % (meeting_url, code, int(time.time())),
                              "<p>You are signed in. You can close this window.</p>")
        self._set_check("ok")
        name = "%s %s" % (sub.get("first_name", ""), sub.get("last_name", ""))
        return html_reply("%s - Talvora meeting room" % name,
                          "<h1>%s's meeting room</h1>\n<p>Dial %s, access code %s, "
                          "or join from your browser.</p>"
                          % (html_escape(name), html_escape(sub.get("toll_number", "")),
                             html_escape(sub.get("access_code", "") or "-")))

    def _instructions(self):
        self._set_check("ok")
        return html_reply(
            "Update the Talvora Office Add-in",
            "<h1>Update the Talvora Office Add-in</h1>\n<ol>\n<li>Close Outlook, Word, Excel "
            "and PowerPoint.</li>\n<li>Download and run <a href=\"%s/downloads/TalvoraSetup.exe\">"
            "TalvoraSetup.exe</a>.</li>\n<li>Start Outlook again.</li>\n</ol>" % self._web_host())

    def _download(self, name):
        self._set_check("ok")
        payload = b"MZ" + b"\0" * 62 + ("Talvora stand-in installer: %s\n" % name).encode()
        return Reply(200, payload, "application/octet-stream",
                     [("Content-Disposition", 'attachment; filename="%s"' % name)])


class Server(ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False


def main(argv=None):
    parser = argparse.ArgumentParser(description="Stand-in Talvora service")
    parser.add_argument("--port", type=int, default=0, help="TCP port on 127.0.0.1, 0 = any free")
    parser.add_argument("--port-file", help="also write the port number to this file")
    parser.add_argument("--web-host", help="origin used in generated links "
                        "(default http://127.0.0.1:<port>)")
    parser.add_argument("--strings-dir", default=str(DEFAULT_STRINGS_DIR),
                        help="folder with <locale>.txt string tables")
    parser.add_argument("--codepage", default="cp1252",
                        help="code page the client uses for passwords (default cp1252)")
    args = parser.parse_args(argv)

    try:
        "".encode(args.codepage)
    except LookupError:
        parser.error("unknown code page %s" % args.codepage)

    httpd = Server(("127.0.0.1", args.port), Handler)
    port = httpd.server_address[1]
    httpd.state = State()
    httpd.web_host = (args.web_host or "http://127.0.0.1:%d" % port).rstrip("/")
    httpd.strings = load_string_tables(Path(args.strings_dir))
    httpd.codepage = args.codepage

    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as fh:
            fh.write("%d\n" % port)
        os.replace(tmp, args.port_file)

    stop = threading.Event()

    def on_signal(signum, frame):
        stop.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    serving = threading.Thread(target=httpd.serve_forever, kwargs={"poll_interval": 0.2},
                               daemon=True)
    serving.start()
    print("PORT %d" % port, flush=True)
    sys.stderr.write("talvora stand-in listening on 127.0.0.1:%d, strings for: %s\n"
                     % (port, ", ".join(sorted(httpd.strings)) or "none"))
    sys.stderr.flush()

    while not stop.wait(0.5):
        pass
    with httpd.state.lock:
        httpd.state.release.set()  # let hanging and delayed requests close their connections
    httpd.shutdown()
    httpd.server_close()
    time.sleep(0.1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
