#!/usr/bin/python3
"""Tests of the stand-in Talvora service, run as a subprocess on a free port.

Run: /usr/bin/python3 -m unittest discover -s tests/service -v
"""

import base64
import hashlib
import http.client
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "talvora_service.py")

CLIENT_ID = "3b8e21d07c5fa946"
SECRET = "c07d5e9a21f84b36e0d9a7c45b12f8e63a0b9d4c7e21f506"

ALICE = {"email": "alice+meet@example.com", "password": "Tea & Cake+100%é",
         "token": "a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", "id": "48213"}
BOB = {"email": "bob.stone@example.org", "password": "bob&Stone 42",
       "token": "b0b5ca1ab1e4d2f6e8a0c2e4f6b8d0aa", "id": "77019"}
CHLOE = {"email": "chloe+work@example.ca", "password": "Érable+Sirop%",
         "token": "c4f3e1d2b7a69058c3e2f1a0b9d8c7e6", "id": "61207"}
DAVE = {"email": "dave@example.com", "password": "dave1234",
        "token": "d4e5f6a7b8c9d0e1f2a3b4c5d6e7f809", "id": "30550"}
EVE = {"email": "eve&adam+x@example.net", "password": "plain Pass",
       "token": "e7e8e9eaebecedeef0f1f2f3f4f5f6f7", "id": "90311"}


def encode_password(password, codepage="cp1252"):
    """What the add-in puts on the wire: letters and digits kept, all else %XX."""
    out = []
    for b in password.encode(codepage):
        c = chr(b)
        out.append(c if c.isascii() and c.isalnum() else "%%%02X" % b)
    return "".join(out)


def signed_query(token, sub_id, rand="4711", client=CLIENT_ID):
    sig = hashlib.md5(("".join(sorted([token, client, sub_id, rand])) + SECRET)
                      .encode("utf-8")).hexdigest()
    return "access_token=%s&client_app_id=%s&rand=%s&sig=%s" % (token, client, rand, sig)


class Service:
    """One service process; stdout carries exactly the PORT line."""

    def __init__(self, *extra):
        self.proc = subprocess.Popen([sys.executable, SCRIPT, "--port", "0", *extra],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     text=True)
        line = self.proc.stdout.readline()
        m = re.fullmatch(r"PORT (\d+)\n", line)
        if not m:
            self.stop()
            raise RuntimeError("bad start-up line %r" % line)
        self.port = int(m.group(1))
        # Drain stderr so a chatty log can never block the server.
        self.stderr_lines = []
        self.drain = threading.Thread(target=self._drain, daemon=True)
        self.drain.start()

    def _drain(self):
        for line in self.proc.stderr:
            self.stderr_lines.append(line)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        if hasattr(self, "drain"):
            self.drain.join(5)
        self.proc.stderr.close()

    def request(self, method, target, body=None, headers=None, timeout=10):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.request(method, target, body=body, headers=headers or {})
            resp = conn.getresponse()
            return resp.status, dict(resp.getheaders()), resp.read()
        finally:
            conn.close()

    def get_json(self, target):
        status, headers, body = self.request("GET", target)
        return status, json.loads(body.decode("utf-8"))

    def control(self, path, obj=None):
        body = json.dumps(obj).encode() if obj is not None else b""
        status, _, data = self.request("POST", "/_control/" + path, body,
                                       {"Content-Type": "application/json"})
        return status, json.loads(data)

    def log(self):
        return self.get_json("/_control/requests")[1]

    def raw(self, request_bytes, timeout=10):
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            s.sendall(request_bytes)
            chunks = []
            while True:
                data = s.recv(65536)
                if not data:
                    break
                chunks.append(data)
        return b"".join(chunks)


def wait_for_log(svc, seen, what, timeout=10):
    """Waits until the service's request log satisfies `seen`; a request is logged when it
    arrives, before any delay or hang."""
    deadline = time.monotonic() + timeout
    while not seen(svc.log()):
        if time.monotonic() > deadline:
            raise AssertionError("the service never logged " + what)
        time.sleep(0.02)


class ServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.svc = Service()

    @classmethod
    def tearDownClass(cls):
        cls.svc.stop()

    def setUp(self):
        self.assertEqual(self.svc.control("reset")[0], 200)

    def last_check(self):
        return self.svc.log()[-1]["check"]

    def login(self, email, encoded_password):
        # Raw socket: the e-mail goes on the wire exactly as given, spaces included.
        target = ("/api/v3/subscriptions/get_access_token?email=%s&password=%s"
                  % (email, encoded_password))
        answer = self.svc.raw(("GET %s HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
                               % target).encode("latin-1"))
        head, _, body = answer.partition(b"\r\n\r\n")
        return int(head.split()[1]), json.loads(body)


class PasswordLoginTest(ServiceTest):
    def test_every_fixture_account_signs_in_with_encoded_password(self):
        for acc in (ALICE, BOB, CHLOE, DAVE, EVE):
            with self.subTest(acc["email"]):
                status, doc = self.login(acc["email"], encode_password(acc["password"]))
                self.assertEqual((status, doc["retcode"]), (200, 0))
                self.assertEqual(doc["access_token"], acc["token"])
                self.assertEqual(str(doc["subscription"]["id"]), acc["id"])
                self.assertEqual(self.last_check(), "ok")

    def test_encoded_form_of_awkward_password(self):
        # Guards the fixture against silent edits: tests of the add-in rely on it.
        self.assertEqual(encode_password(ALICE["password"]), "Tea%20%26%20Cake%2B100%25%E9")

    def test_non_canonical_encodings_are_rejected(self):
        cases = {
            "raw plus": "Tea%20%26%20Cake+100%25%E9",
            "lower-case hex": "Tea%20%26%20Cake%2b100%25%e9",
            "escaped letter": "%54ea%20%26%20Cake%2B100%25%E9",
            "dangling percent": "Tea%20%26%20Cake%2B100%",
            "raw non-ASCII": "Tea%20%26%20Cake%2B100%25\u00e9".encode("utf-8").decode("latin-1"),
        }
        for name, encoded in cases.items():
            with self.subTest(name):
                status, doc = self.login(ALICE["email"], encoded)
                self.assertEqual((status, doc["retcode"]), (200, 2))
                self.assertEqual(self.last_check(), "bad-password-encoding")

    def test_raw_space_in_query_is_a_bad_request(self):
        raw = self.svc.raw(b"GET /api/v3/subscriptions/get_access_token?email=dave@example.com"
                           b"&password=a b HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        self.assertRegex(raw, rb"^HTTP/1\.[01] 400 ")
        self.assertEqual(self.login(DAVE["email"], "dave1234")[1]["retcode"], 0)

    def test_wrong_credentials(self):
        cases = [
            ("utf-8 instead of ANSI", ALICE["email"], encode_password(ALICE["password"], "utf-8"),
             "wrong-password"),
            ("e-mail in other letter case", "Alice+meet@example.com",
             encode_password(ALICE["password"]), "unknown-account"),
            ("e-mail percent-encoded", "alice%2Bmeet%40example.com",
             encode_password(ALICE["password"]), "unknown-account"),
            ("other account's password", DAVE["email"], encode_password(ALICE["password"]),
             "wrong-password"),
        ]
        for name, email, encoded, check in cases:
            with self.subTest(name):
                status, doc = self.login(email, encoded)
                self.assertEqual((status, doc["retcode"]), (200, 1))
                self.assertEqual(doc["message"], "invalid credentials")
                self.assertEqual(self.last_check(), check)


class SignedQueryTest(ServiceTest):
    def test_valid_signature_gives_the_subscription(self):
        for acc in (ALICE, BOB, CHLOE):
            with self.subTest(acc["email"]):
                query = signed_query(acc["token"], acc["id"])
                _, doc = self.svc.get_json("/api/v3/subscriptions/%s?%s" % (acc["id"], query))
                self.assertEqual(doc["retcode"], 0)
                self.assertEqual(doc["subscription"]["email"], acc["email"])
                self.assertNotIn("access_token", doc)
                self.assertEqual(self.last_check(), "ok")

    def test_rejections(self):
        good = signed_query(ALICE["token"], ALICE["id"])
        head, sig = good.rsplit("=", 1)
        self.assertNotEqual(sig, sig.upper())
        unsorted_sig = hashlib.md5((ALICE["token"] + CLIENT_ID + ALICE["id"] + "4711" + SECRET)
                                   .encode()).hexdigest()
        cases = [
            ("tampered sig", ALICE["id"], good[:-1] + ("0" if good[-1] != "0" else "1"),
             3, "bad-signature"),
            ("upper-case sig", ALICE["id"], head + "=" + sig.upper(), 3, "bad-signature"),
            ("values not sorted", ALICE["id"],
             "access_token=%s&client_app_id=%s&rand=4711&sig=%s"
             % (ALICE["token"], CLIENT_ID, unsorted_sig), 3, "bad-signature"),
            ("signed for another subscription id", DAVE["id"], good, 3, "bad-signature"),
            ("wrong client id", ALICE["id"],
             signed_query(ALICE["token"], ALICE["id"], client="0000000000000000"),
             3, "bad-client"),
            ("rand with leading zero", ALICE["id"],
             signed_query(ALICE["token"], ALICE["id"], rand="0471"), 3, "bad-rand"),
            ("rand above 32767", ALICE["id"],
             signed_query(ALICE["token"], ALICE["id"], rand="32768"), 3, "bad-rand"),
            ("token of another subscription", DAVE["id"],
             signed_query(ALICE["token"], DAVE["id"]), 4, "wrong-subscription"),
            ("empty token", ALICE["id"], signed_query("", ALICE["id"]), 4, "unknown-token"),
        ]
        for name, sub_id, query, retcode, check in cases:
            with self.subTest(name):
                for path in ("/api/v3/subscriptions/%s", "/api/v3/subscriptions/%s"
                             "/invites/email_template"):
                    status, doc = self.svc.get_json((path % sub_id) + "?" + query + "&locale=en")
                    self.assertEqual((status, doc["retcode"]), (200, retcode))
                    self.assertEqual(self.last_check(), check)

    def test_boundary_rands_accepted(self):
        for rand in ("0", "32767"):
            with self.subTest(rand):
                _, doc = self.svc.get_json("/api/v3/subscriptions/%s?%s" % (
                    ALICE["id"], signed_query(ALICE["token"], ALICE["id"], rand=rand)))
                self.assertEqual(doc["retcode"], 0)

    def test_current_subscription_by_token(self):
        _, doc = self.svc.get_json("/api/v3/subscriptions/current?client_id=%s&access_token=%s"
                                   % (CLIENT_ID, CHLOE["token"]))
        self.assertEqual(doc["subscription"]["country_code"], "ca")
        self.assertEqual({n["country"] for n in doc["subscription"]["toll_free_numbers"]}, {"1"})
        _, doc = self.svc.get_json("/api/v3/subscriptions/current?client_id=%s&access_token=nope"
                                   % CLIENT_ID)
        self.assertEqual(doc["retcode"], 4)


class EmailTemplateTest(ServiceTest):
    def template(self, acc, locale, svc=None):
        svc = svc or self.svc
        _, doc = svc.get_json("/api/v3/subscriptions/%s/invites/email_template?%s&locale=%s"
                              % (acc["id"], signed_query(acc["token"], acc["id"]), locale))
        self.assertEqual(doc["retcode"], 0)
        return doc["email_template"]

    def test_layout_first_online_and_last_line(self):
        text = self.template(ALICE, "en")
        self.assertNotIn("\n", text.replace("\r\n", ""), "only CRLF line breaks")
        lines = text.split("\r\n")
        self.assertEqual(lines[0], "Alice Walker is inviting you to a Talvora meeting.")
        wall = "Online Meeting: http://127.0.0.1:%d/wall/alice.walker" % self.svc.port
        self.assertIn(wall, lines)
        self.assertLess(lines.index(wall), len(lines) - 1)
        self.assertTrue(lines[-1])
        self.assertEqual(text.count(lines[-1]), 1)
        self.assertEqual(text.count(lines[0]), 1)

    def test_greeting_localized_with_english_fallback(self):
        firsts = {loc: self.template(CHLOE, loc).split("\r\n")[0]
                  for loc in ("en", "de", "fr", "he", "ru", "es", "pt")}
        self.assertEqual(len(set(firsts.values()) - {firsts["en"]}), 5)
        self.assertEqual(firsts["pt"], firsts["en"])
        self.assertTrue(all(f.startswith("Chloé Tremblay") for f in firsts.values()))

    def test_online_meeting_label_comes_from_string_tables(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "de.txt"), "w", encoding="utf-8") as fh:
                fh.write("# comment\n519\t\"Online-Besprechung: \"\n")
            with open(os.path.join(folder, "fr.txt"), "w", encoding="utf-8") as fh:
                fh.write("100\tTalvora\n")
            svc = Service("--strings-dir", folder)
            try:
                wall = "%s/wall/dave.mueller" % ("http://127.0.0.1:%d" % svc.port)
                cases = {"de": "Online-Besprechung:  " + wall,  # quotes keep the blank
                         "fr": "Online Meeting: " + wall,       # key missing
                         "ru": "Online Meeting: " + wall}       # file missing
                for locale, line in cases.items():
                    with self.subTest(locale):
                        self.assertIn(line, self.template(DAVE, locale, svc).split("\r\n"))
            finally:
                svc.stop()


class TokenExchangeTest(ServiceTest):
    FORM = "application/x-www-form-urlencoded"

    def exchange(self, code, redirect=None, secret=SECRET, content_type=FORM):
        redirect = redirect or "http://127.0.0.1:%d/auth/callback" % self.svc.port
        body = ("client_id=%s&client_secret=%s&grant_type=authorization_code&redirect_uri=%s"
                "&code=%s" % (CLIENT_ID, secret, redirect, code))
        headers = {"Content-Type": content_type} if content_type else {}
        status, _, data = self.svc.request("POST", "/api/v3/token", body.encode(), headers)
        return status, json.loads(data)

    def test_preset_code_is_single_use(self):
        self.assertEqual(self.exchange("fbcode-alice-0001"),
                         (200, {"access_token": ALICE["token"], "token_type": "bearer"}))
        self.assertEqual(self.exchange("fbcode-alice-0001"), (400, {"error": "invalid_grant"}))
        self.assertEqual(self.last_check(), "unknown-code")

    def test_client_secret_and_content_type_recorded(self):
        self.assertEqual(self.exchange("fbcode-chloe-0002", secret="x" * 48)[0], 401)
        self.assertEqual(self.exchange("fbcode-chloe-0002", content_type=None)[0], 200)
        log = self.svc.log()
        self.assertEqual([e["check"] for e in log], ["bad-client", "ok"])
        self.assertEqual([e["content_type"] for e in log], [self.FORM, None])

    def test_browser_sign_in_round_trip(self):
        web = "http://127.0.0.1:%d" % self.svc.port
        enc = lambda s: urllib.parse.quote(s, safe="-._~")
        callback = web + "/auth/callback"
        authorize = (web + "/api/v3/authorize?client_id=" + CLIENT_ID + "&redirect_uri="
                     + enc(callback) + "&response_type=code&nc_web=true")
        status, _, page = self.svc.request("GET", "/auth/facebook?auth_origin=" + enc(authorize))
        self.assertEqual(status, 200)
        links = re.findall(r'href="([^"]+)"', page.decode())
        chloe_link = next(l for l in links if "chloe" in l).replace("&amp;", "&")

        status, _, page = self.svc.request("GET", chloe_link[len(web):])
        title = re.search(r"<title>(.*)</title>", page.decode()).group(1)
        self.assertRegex(title, r"api/v3/authorize\?_t=\d+$")
        allow = re.search(r'id="allow" href="([^"]+)"', page.decode()).group(1)

        status, headers, _ = self.svc.request("GET", allow.replace("&amp;", "&"))
        self.assertEqual(status, 302)
        location = headers["Location"]
        self.assertTrue(location.startswith(callback + "?code="))
        code = location.split("code=", 1)[1]

        status, headers, _ = self.svc.request("GET", location[len(web):])
        self.assertEqual(status, 302, "the callback lands on the wall")
        self.assertEqual(headers["Location"], web + "/wall/chloe.tremblay?code=" + code)

        status, _, page = self.svc.request("GET", "/wall/chloe.tremblay?code=" + code)
        self.assertEqual(status, 200)
        self.assertRegex(self.title(page), r"^Talvora - wall/chloe\.tremblay\?code=%s&_t=\d+$" % code)

        self.assertEqual(self.exchange(code, redirect="http://elsewhere/auth/callback")[0], 400)
        self.assertEqual(self.exchange(code)[1]["access_token"], CHLOE["token"])


    @staticmethod
    def title(page):
        return re.search(r"<title>(.*)</title>", page.decode()).group(1).replace("&amp;", "&")

    def test_browser_sign_in_errors_end_on_the_callback_page(self):
        web = "http://127.0.0.1:%d" % self.svc.port
        status, _, page = self.svc.request(
            "GET", "/api/v3/authorize?client_id=%s&redirect_uri=%s&response_type=code"
            % (CLIENT_ID, urllib.parse.quote(web + "/auth/callback", safe="")))
        deny = re.search(r'id="deny" href="([^"]+)"', page.decode()).group(1).replace("&amp;", "&")
        self.assertEqual(deny, web + "/auth/callback?error=access_denied")
        for target, error, check in [(deny[len(web):], "access_denied", "ok"),
                                     ("/auth/callback?code=never-issued", "invalid_grant",
                                      "unknown-code")]:
            with self.subTest(target):
                status, _, page = self.svc.request("GET", target)
                self.assertEqual(status, 200)
                self.assertRegex(self.title(page), r"^Talvora - auth/callback\?error=%s&_t=\d+$" % error)
                self.assertEqual(self.last_check(), check)


class SwitchTest(ServiceTest):
    def sub_target(self):
        return "/api/v3/subscriptions/%s?%s" % (ALICE["id"], signed_query(ALICE["token"],
                                                                          ALICE["id"]))

    def test_status_and_body_for_limited_times(self):
        self.svc.control("switch", {"path": "/api/v3/subscriptions/", "status": 503,
                                    "body": "{\"retcode\": 9}", "times": 1})
        status, headers, body = self.svc.request("GET", self.sub_target())
        self.assertEqual((status, json.loads(body)), (503, {"retcode": 9}))
        self.assertTrue(headers["Content-Type"].startswith("application/json"))
        self.assertEqual(self.svc.get_json(self.sub_target())[1]["retcode"], 0)
        self.assertEqual([e["check"] for e in self.svc.log()], ["switched", "ok"])

    def test_latest_switch_wins(self):
        self.svc.control("switch", {"path": "/desktopApp", "status": 500})
        self.svc.control("switch", {"path": "/desktopApp/config.xml", "status": 502})
        self.assertEqual(self.svc.request("GET", "/desktopApp/config.xml")[0], 502)

    def test_delay_does_not_block_other_requests(self):
        self.svc.control("switch", {"path": "/desktopApp/", "delay_ms": 1500})
        result = {}

        def slow():
            t0 = time.monotonic()
            result["status"] = self.svc.request("GET", "/desktopApp/config.xml")[0]
            result["elapsed"] = time.monotonic() - t0

        t = threading.Thread(target=slow)
        t.start()
        wait_for_log(self.svc, lambda log: any("switch" in e for e in log), "the delayed request")
        t0 = time.monotonic()
        self.assertEqual(self.svc.get_json(self.sub_target())[1]["retcode"], 0)
        self.assertLess(time.monotonic() - t0, 1.0)
        t.join(10)
        self.assertEqual(result["status"], 200)
        self.assertGreaterEqual(result["elapsed"], 1.4)

    def test_drop_closes_without_answer(self):
        self.svc.control("switch", {"path": "/api/v3/token", "drop": True})
        with self.assertRaises((http.client.HTTPException, ConnectionError)):
            self.svc.request("POST", "/api/v3/token", b"code=x")
        self.assertEqual(self.svc.log()[-1]["check"], "switched-drop")

    def test_hang_ends_at_reset(self):
        self.svc.control("switch", {"path": "/api/v3/subscriptions/current", "hang": True})
        outcome = {}

        def hanging():
            try:
                self.svc.request("GET", "/api/v3/subscriptions/current", timeout=20)
                outcome["r"] = "answered"
            except (http.client.HTTPException, ConnectionError):
                outcome["r"] = "closed"

        t = threading.Thread(target=hanging)
        t.start()
        wait_for_log(self.svc, lambda log: log and log[0].get("check") == "switched-hang", "the hanging request")
        self.assertTrue(t.is_alive())
        self.svc.control("reset")
        t.join(5)
        self.assertFalse(t.is_alive())
        self.assertEqual(outcome["r"], "closed")
        self.assertEqual(self.svc.get_json("/api/v3/subscriptions/current?client_id=%s"
                                           "&access_token=%s" % (CLIENT_ID, DAVE["token"]))[1]
                         ["retcode"], 0)

    def test_account_status_switch_and_added_account(self):
        self.svc.control("switch", {"status_of": DAVE["email"], "status": "suspended"})
        self.svc.control("account", {"email": "zoe+new@example.com", "password": "Z&z é",
                                     "access_token": "zz01",
                                     "subscription": {"id": 555, "country_id": 7}})
        _, doc = self.login(DAVE["email"], encode_password(DAVE["password"]))
        self.assertEqual(doc["subscription"]["status"], "suspended")
        _, doc = self.login("zoe+new@example.com", encode_password("Z&z é"))
        self.assertEqual((doc["access_token"], doc["subscription"]["id"],
                          doc["subscription"]["status"]), ("zz01", 555, "active"))
        self.svc.control("reset")
        self.assertEqual(self.login("zoe+new@example.com", encode_password("Z&z é"))[1]
                         ["retcode"], 1)

    def test_config_presets(self):
        expected = {  # version text, force, message display, url?, win package?
            "equal": ("0.9.28.0", None, "false", True, True),
            "newer": ("0.9.28.1", None, "false", True, True),
            "older": ("0.9.27.5", None, "false", True, True),
            "major": ("1.0.0.0", None, "false", True, True),
            "short": ("1.2", None, "false", True, True),
            "force": ("0.9.28.1", "true", "false", True, True),
            "force-capital": ("0.9.28.1", "True", "false", True, True),
            "message": ("0.9.28.1", None, "true", True, True),
            "message-hidden": ("0.9.28.1", None, "false", True, True),
            "display-empty": ("0.9.28.1", None, "true", True, True),
            "no-message": ("0.9.28.1", None, None, True, True),
            "no-url": ("0.9.28.1", None, "false", False, True),
            "no-package": ("0.9.28.1", None, "false", True, False),
        }
        web = "http://127.0.0.1:%d" % self.svc.port
        for preset, (version, force, display, has_url, has_pkg) in expected.items():
            with self.subTest(preset):
                if preset != "equal":  # equal is the default after reset
                    self.assertEqual(self.svc.control("switch", {"config": preset})[0], 200)
                status, _, body = self.svc.request("GET", "/desktopApp/config.xml")
                root = ET.fromstring(body)
                v = root.find("outlook/version")
                self.assertEqual((v.text, v.get("force")), (version, force))
                msg = root.find("outlook/message")
                self.assertEqual(msg.get("display") if msg is not None else None, display)
                if preset == "display-empty":
                    self.assertFalse(msg.text)
                url = root.find("outlook/url")
                self.assertEqual(url.text if url is not None else None,
                                 web + "/outlook-plugin-instructions" if has_url else None)
                pkg = root.find("executables/package[@platform='win']")
                self.assertEqual(pkg.text if pkg is not None else None,
                                 web + "/downloads/TalvoraSetup.exe" if has_pkg else None)
        self.svc.control("switch", {"config": "malformed"})
        with self.assertRaises(ET.ParseError):
            ET.fromstring(self.svc.request("GET", "/desktopApp/config.xml")[2])
        self.svc.control("switch", {"config": "none"})
        self.assertEqual(self.svc.request("GET", "/desktopApp/config.xml")[0], 404)
        self.assertEqual(self.svc.control("switch", {"config": "bogus"})[0], 400)


class WebAndRobustnessTest(ServiceTest):
    def test_nc_login(self):
        b64 = lambda s: base64.b64encode(s.encode()).decode()
        cases = [
            (b64("access_token=%s;pcs_id=%s" % (ALICE["token"], ALICE["id"])), 200, "Alice Walker"),
            (b64("access_token=%s;pcs_id=%s" % (ALICE["token"], DAVE["id"])), 403, "expired"),
            ("not*base64", 400, "not valid"),
            (b64("garbage"), 400, "not valid"),
        ]
        for token, status, text in cases:
            with self.subTest(token):
                got, headers, page = self.svc.request("GET", "/nc_login?security_token=" + token)
                self.assertEqual(got, status)
                self.assertTrue(headers["Content-Type"].startswith("text/html"))
                self.assertIn(text, page.decode())

    def test_pages(self):
        for target, status, ctype in [("/wall/alice.walker", 200, "text/html"),
                                      ("/wall/nobody", 404, "text/html"),
                                      ("/outlook-plugin-instructions", 200, "text/html"),
                                      ("/downloads/TalvoraSetup.exe", 200,
                                       "application/octet-stream"),
                                      ("/no/such/page", 404, "application/json")]:
            with self.subTest(target):
                got, headers, body = self.svc.request("GET", target)
                self.assertEqual(got, status)
                self.assertTrue(headers["Content-Type"].startswith(ctype))
                if ctype == "text/html":
                    self.assertRegex(body.decode(), r"<title>[^<]+</title>")

    def test_bad_input_keeps_service_alive(self):
        bad = [
            b"POST /api/v3/token HTTP/1.1\r\nHost: x\r\nContent-Length: zz\r\n\r\n",
            b"POST /_control/switch HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n"
            b"Connection: close\r\n\r\n{nope",
            b"GET /api/v3/subscriptions/get_access_token?nothing HTTP/1.1\r\nHost: x\r\n"
            b"Connection: close\r\n\r\n",
            b"GET /api/v3/subscriptions/1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
            b"\x16\x03\x01garbage\r\n\r\n",
        ]
        for request in bad:
            with self.subTest(request[:40]):
                answer = self.svc.raw(request)
                self.assertRegex(answer, rb"^HTTP/1\.[01] 4\d\d ")
        self.assertEqual(self.login(DAVE["email"], "dave1234")[1]["retcode"], 0)

    def test_request_log_shape(self):
        self.svc.request("POST", "/api/v3/token", b"a=1", {"X-Probe": "yes",
                                                          "Content-Type": "text/plain"})
        entry = self.svc.log()[-1]
        self.assertEqual((entry["method"], entry["path"], entry["raw_query"], entry["body"]),
                         ("POST", "/api/v3/token", "", "a=1"))
        self.assertEqual(entry["headers"]["x-probe"], "yes")
        self.assertEqual(entry["check"], "missing-parameter")


class LifecycleTest(unittest.TestCase):
    def test_port_file_and_sigterm_with_hanging_request(self):
        with tempfile.TemporaryDirectory() as folder:
            port_file = os.path.join(folder, "port")
            svc = Service("--port-file", port_file)
            try:
                with open(port_file) as fh:
                    self.assertEqual(int(fh.read()), svc.port)
                svc.control("switch", {"path": "/", "hang": True})
                outcome = []
                t = threading.Thread(target=lambda: outcome.append(
                    self._attempt(svc)))
                t.start()
                wait_for_log(svc, lambda log: any(e.get("check") == "switched-hang" for e in log),
                             "the hanging request")
                svc.proc.send_signal(signal.SIGTERM)
                self.assertEqual(svc.proc.wait(10), 0)
                t.join(5)
                self.assertEqual(outcome, ["closed"])
                svc.drain.join(5)
                self.assertTrue(any(re.search(r'"POST /_control/switch" 200 ', l)
                                    for l in svc.stderr_lines))
            finally:
                svc.stop()

    @staticmethod
    def _attempt(svc):
        try:
            svc.request("GET", "/wall/alice.walker", timeout=20)
            return "answered"
        except (http.client.HTTPException, ConnectionError):
            return "closed"


if __name__ == "__main__":
    unittest.main()
