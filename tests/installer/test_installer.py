"""The release package under Wine: what it installs, that Office finds and loads the installed
add-in, that it registers exactly what regsvr32 registers, upgrades, refuses a downgrade and
uninstalls without a trace. Every scenario starts in a fresh prefix.

Environment: TALVORA_RELEASE_BUILD (the tree scripts/package.sh made), TALVORA_TEST_BUILD (the
test tree: FakeOffice.exe and the loopback DLL), TALVORA_PREFIX_TEMPLATE (a prefix wineboot made
and nothing ran in).
"""

import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_prefix import TOP, Prefix  # noqa: E402

RELEASE = os.environ.get("TALVORA_RELEASE_BUILD", os.path.join(TOP, "build-release"))
TEST_BUILD = os.environ.get("TALVORA_TEST_BUILD", os.path.join(TOP, "build"))
TEMPLATE = os.environ.get("TALVORA_PREFIX_TEMPLATE", os.path.join(TEST_BUILD, "installer-prefix"))
WORK = os.path.join(TEST_BUILD, "installer-tests")
MAKE_MSI = os.path.join(TOP, "package", "make_msi.py")
CHECK_RELEASE = os.path.join(TOP, "package", "check_release.py")

RELEASE_FILES = os.path.join(RELEASE, "package", "files")
INSTALL_FOLDER = ("AppData", "Local", "Programs", "TalvoraMeeting")
HOSTS = ("Outlook", "Word", "Excel", "PowerPoint")
ERROR_INSTALL_FAILURE = 1603
# The identities of the add-in a trace of it would carry.
OURS = re.compile(r"talvorameeting|c27b97da-258d-4c14-935a-03548ffec265|01d9e8ab-6466-4694-be99-b97f030721de"
                  r"|1a97d37f-d694-415d-8813-4331ee74f47e", re.IGNORECASE)
# The user's own data, which the add-in writes and uninstallation keeps.
ACCOUNT_KEY = ("HKCU", "software\\talvoraaddin\\account")
# Keys Wine rewrites at every start of a prefix, and the installer's own records of products.
NOISE = re.compile(r"^system\\currentcontrolset\\control\\class\\|installer\\|\\uninstall\\")


def release_package():
    packages = glob.glob(os.path.join(RELEASE, "package", "TalvoraMeeting-*-x64.msi"))
    assert len(packages) == 1, f"expected one package in {RELEASE}/package, found {packages}"
    return packages[0]


def release_version():
    return re.search(r"TalvoraMeeting-([0-9.]+)-x64\.msi$", release_package()).group(1)


def exit_status(code):
    """Wine hands a Windows exit code to the shell cut to its low byte."""
    return code & 0xFF


def written(before, after):
    """The keys and values that are new or changed, without Wine's and the installer's own."""
    changes = {}
    for key, values in after.items():
        if NOISE.search(key[1]):
            continue
        changed = {name: value for name, value in values.items() if before.get(key, {}).get(name) != value}
        if changed or key not in before:
            changes[key] = changed
    return changes


def traces(registry):
    """Every key or value of the registry that names the add-in, but the user's account."""
    found = []
    for key, values in registry.items():
        if key == ACCOUNT_KEY:
            continue
        if OURS.search(key[1]):
            found.append(key)
        found += [(key, name, value) for name, value in values.items()
                  if OURS.search(name) or OURS.search(str(value[1]))]
    return found


def uninstall_entries(registry):
    """The entries of the installed-programs list that are the add-in's."""
    return {key: values for key, values in registry.items()
            if "\\uninstall\\" in key[1] and values.get("displayname", (None, ""))[1] == "TalvoraMeeting"}


class PrefixCase(unittest.TestCase):
    """A fresh prefix for the class, with the packages copied to C:\\."""

    @classmethod
    def fresh_prefix(cls, name):
        prefix = Prefix(TEMPLATE, os.path.join(WORK, name))
        cls.addClassCleanup(prefix.remove)
        return prefix

    def install(self, prefix, package, expected=0):
        shutil.copy(package, prefix.unix_path("C:\\"))
        log = "C:\\" + os.path.basename(package) + ".log"
        status, output = prefix.run("msiexec", "/i", "C:\\" + os.path.basename(package), "/qn", "/l*v", log)
        self.assertEqual(exit_status(status), exit_status(expected), f"msiexec /i {package}: {output}")

    def installed_file(self, prefix, name):
        return prefix.user_folder(*INSTALL_FOLDER, name)


class ReleaseDllTests(unittest.TestCase):
    def test_the_release_dll_holds_the_https_origins_and_no_loopback_service(self):
        release = subprocess.run([sys.executable, CHECK_RELEASE, os.path.join(RELEASE_FILES, "TalvoraMeeting.dll")],
                                 capture_output=True, text=True)
        self.assertEqual(release.returncode, 0, release.stderr)
        # The check itself: the test tree's DLL is the loopback build.
        loopback = subprocess.run([sys.executable, CHECK_RELEASE, os.path.join(TEST_BUILD, "bin", "TalvoraMeeting.dll")],
                                  capture_output=True, text=True)
        self.assertEqual(loopback.returncode, 1)
        for problem in ("lacks https://api.talvora.com", "holds 127.0.0.1", "holds TALVORA_SERVICE_PORT"):
            self.assertIn(problem, loopback.stderr)

    def test_the_package_holds_the_dll_and_the_26_language_libraries(self):
        names = sorted(os.listdir(RELEASE_FILES))
        self.assertIn("TalvoraMeeting.dll", names)
        self.assertEqual(len([name for name in names if re.fullmatch(r"Resources_[a-z]{2}\.dll", name)]), 26)
        self.assertEqual(len(names), 27)


class InstallTests(PrefixCase):
    """msiexec /i in a fresh prefix, compared with regsvr32 in another."""

    @classmethod
    def setUpClass(cls):
        cls.prefix = cls.fresh_prefix("install")
        cls.before = cls.prefix.registry()
        shutil.copy(release_package(), cls.prefix.unix_path("C:\\"))
        status, output = cls.prefix.run("msiexec", "/i", "C:\\" + os.path.basename(release_package()), "/qn")
        if status != 0:
            raise AssertionError(f"msiexec /i: {status} {output}")
        cls.after = cls.prefix.registry()

    def test_every_release_file_is_installed_in_the_users_programs_folder(self):
        for name in os.listdir(RELEASE_FILES):
            with self.subTest(name):
                installed = self.installed_file(self.prefix, name)
                self.assertTrue(os.path.isfile(installed), installed)
                self.assertTrue(filecmp.cmp(os.path.join(RELEASE_FILES, name), installed, shallow=False))

    def test_each_office_host_loads_the_installed_addin_through_the_registry_and_gets_its_ribbon(self):
        fake_office = os.path.join(TEST_BUILD, "bin", "FakeOffice.exe")
        ribbons = {"Outlook": "Microsoft.Outlook.Explorer", "Word": "Microsoft.Word.Document",
                   "Excel": "Microsoft.Excel.Workbook", "PowerPoint": "Microsoft.PowerPoint.Presentation"}
        for host in HOSTS:
            with self.subTest(host):
                status, output = self.prefix.run(fake_office, "--app", host)
                self.assertEqual(status, 0, output)
                self.assertRegex(output, r"TalvoraMeeting\.Addin from C:\\users\\[^\\]+\\AppData\\Local\\Programs"
                                         r"\\TalvoraMeeting\\TalvoraMeeting\.dll")
                self.assertIn("OnConnection           0x00000000", output)
                self.assertRegex(output, rf"GetCustomUI\({re.escape(ribbons[host])}\) 0x00000000:\n    <customUI ")

    def test_the_package_writes_what_regsvr32_writes_key_by_key(self):
        # regsvr32 of the same DLL at the same place, in a prefix of its own.
        other = self.fresh_prefix("regsvr32")
        before = other.registry()
        folder = other.user_folder(*INSTALL_FOLDER)
        os.makedirs(folder)
        shutil.copy(os.path.join(RELEASE_FILES, "TalvoraMeeting.dll"), folder)
        dll = self.installed_path(other)
        status, output = other.run("regsvr32", "/s", dll)
        self.assertEqual(status, 0, output)
        by_regsvr32 = self.as_on_windows(written(before, other.registry()))
        by_package = self.folders_without_separator(written(self.before, self.after))
        self.assertEqual(sorted(by_package), sorted(by_regsvr32))
        for key in by_regsvr32:
            with self.subTest(key[1]):
                self.assertEqual(by_package[key], by_regsvr32[key])
        outlook = by_package[("HKCU", "software\\microsoft\\office\\outlook\\addins\\talvorameeting.addin")]
        self.assertEqual(outlook["loadbehavior"], ("REG_DWORD", 3))

    def installed_path(self, prefix):
        relative = os.path.relpath(self.installed_file(prefix, "TalvoraMeeting.dll"), os.path.join(prefix.path, "drive_c"))
        return "C:\\" + relative.replace("/", "\\")

    @staticmethod
    def as_on_windows(keys):
        """What regsvr32 writes on Windows, from what it wrote under Wine: Wine's
        RegisterTypeLibForUser writes the type library and its interfaces under
        HKEY_LOCAL_MACHINE and adds LIBFLAG_FHASDISKIMAGE (8) to the library's FLAGS."""
        result = {}
        for (hive, key), values in keys.items():
            if hive == "HKLM" and re.match(r"software\\classes\\(wow6432node\\)?(typelib|interface)\\", key):
                hive = "HKCU"
                if key.endswith("\\flags"):
                    values = {"": ("REG_SZ", str(int(values[""][1]) & ~8))}
            result[(hive, key)] = values
        return result

    @staticmethod
    def folders_without_separator(keys):
        """Windows Installer writes a folder with its closing backslash, RegisterTypeLib without."""
        return {key: {name: (kind, data.rstrip("\\") if key[1].endswith("\\helpdir") else data)
                      for name, (kind, data) in values.items()}
                for key, values in keys.items()}


class UpgradeTests(PrefixCase):
    """An older package (the test tree's DLL, a lower version), then the release over it."""

    @classmethod
    def setUpClass(cls):
        cls.prefix = cls.fresh_prefix("upgrade")
        cls.older = os.path.join(WORK, "older", f"TalvoraMeeting-{cls.older_version()}-x64.msi")
        files = os.path.join(WORK, "older", "files")
        shutil.rmtree(files, ignore_errors=True)
        os.makedirs(files)
        for path in [os.path.join(TEST_BUILD, "bin", "TalvoraMeeting.dll")] + glob.glob(
                os.path.join(TEST_BUILD, "bin", "Resources_*.dll")):
            shutil.copy(path, files)
        subprocess.run([sys.executable, MAKE_MSI, "--files", files, "--output", cls.older,
                        "--version", cls.older_version()], check=True)

    @staticmethod
    def older_version():
        # Windows Installer compares the first three numbers only.
        major, minor, build = (int(part) for part in release_version().split(".")[:3])
        return f"{major}.{minor}.{build - 1}.0" if build else f"{major}.{minor - 1}.0.0"

    def test_the_release_replaces_an_older_version_and_an_older_one_is_refused_over_it(self):
        self.install(self.prefix, self.older)
        dll = self.installed_file(self.prefix, "TalvoraMeeting.dll")
        self.assertTrue(filecmp.cmp(os.path.join(TEST_BUILD, "bin", "TalvoraMeeting.dll"), dll, shallow=False))

        self.install(self.prefix, release_package())
        entries = uninstall_entries(self.prefix.registry())
        self.assertEqual([values["displayversion"][1] for values in entries.values()], [release_version()])
        self.assertTrue(filecmp.cmp(os.path.join(RELEASE_FILES, "TalvoraMeeting.dll"), dll, shallow=False))

        self.install(self.prefix, self.older, expected=ERROR_INSTALL_FAILURE)
        self.assertEqual(list(uninstall_entries(self.prefix.registry())), list(entries))
        self.assertTrue(filecmp.cmp(os.path.join(RELEASE_FILES, "TalvoraMeeting.dll"), dll, shallow=False))
        # Wine does not log the refusal's text under /qn; Windows shows or logs it from here.
        conditions = subprocess.run(["msiinfo", "export", self.older, "LaunchCondition"],
                                    capture_output=True, text=True, check=True).stdout
        self.assertIn("NOT WIX_DOWNGRADE_DETECTED\tA newer version of [ProductName] is already installed.", conditions)


class UninstallTests(PrefixCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = cls.fresh_prefix("uninstall")

    def test_uninstalling_leaves_no_file_and_no_key_of_ours_but_the_account_and_the_log(self):
        self.install(self.prefix, release_package())
        # A signed-in user: the log of a host's session and an account in the registry.
        status, output = self.prefix.run(os.path.join(TEST_BUILD, "bin", "FakeOffice.exe"))
        self.assertEqual(status, 0, output)
        status, output = self.prefix.run("reg", "add", "HKCU\\Software\\TalvoraAddIn\\Account", "/v", "Login",
                                         "/d", "ann@example.com", "/f")
        self.assertEqual(status, 0, output)
        log = self.prefix.user_folder(".tvz", "OfficeAddinLog.txt")
        self.assertTrue(os.path.isfile(log))
        self.assertTrue(traces(self.prefix.registry()))

        status, output = self.prefix.run("msiexec", "/x", "C:\\" + os.path.basename(release_package()), "/qn")
        self.assertEqual(status, 0, output)
        registry = self.prefix.registry()
        self.assertEqual(traces(registry), [])
        self.assertEqual(uninstall_entries(registry), {})
        self.assertFalse(os.path.exists(self.prefix.user_folder(*INSTALL_FOLDER)))
        self.assertEqual(glob.glob(os.path.join(self.prefix.path, "drive_c", "windows", "Installer", "*.msi")), [])
        self.assertEqual(registry[ACCOUNT_KEY]["login"], ("REG_SZ", "ann@example.com"))
        self.assertTrue(os.path.isfile(log))


if __name__ == "__main__":
    unittest.main()
