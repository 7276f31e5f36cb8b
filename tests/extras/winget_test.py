#!/usr/bin/env python3
"""The package manager manifest in build/winget/ against what it describes.

Reads the three YAML files with a real YAML parser and checks every field: against
the built setup.exe (its SHA-256, machine type, version resource and application
manifest), against the registry values a real quiet installation writes under
Wine, against the exit codes of real runs in the situations that give each, and
against the rules of winget's manifest schema 1.6.0 for the fields used.

Run through tests/wine-run.sh --host: WINEPREFIX is a fresh prefix, DISPLAY a
private X server and MARVANE_WINE the Wine loader.
    winget_test.py WINGET_DIR SETUP_EXE DOWNLOAD_URL EXIT_PROBE
EXIT_PROBE is tests/extras/exitprobe.cpp, built: the Installer's start-up failures,
and the list of exit codes of startup/exitcodes.h.
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

import yaml

WINGET_DIR, SETUP_EXE, DOWNLOAD_URL, EXIT_PROBE = sys.argv[1:5]
del sys.argv[1:5]

UNINSTALL = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall"

# From the schema, version 1.6.0.
IDENTIFIER_RE = r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$'
VERSION_RE = r'^[^\\/:\*\?"<>\|\x01-\x1f]+$'
LOCALE_RE = r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$"
URL_RE = r"^([Hh][Tt][Tt][Pp][Ss]?)://.+$"
SHA256_RE = r"^[A-Fa-f0-9]{64}$"
RETURN_RESPONSES = {
    "packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse", "missingDependency",
    "diskFull", "insufficientMemory", "invalidParameter", "noNetwork", "contactSupport",
    "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
    "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported", "custom"}
# What a package manager is to make of each outcome (the header's names).
RESPONSES = {
    "EXIT_CANCELLED": "cancelledByUser",
    "EXIT_FAILED": "contactSupport",
    "EXIT_NOTHING_TO_REMOVE": "invalidParameter",
    "EXIT_BUSY": "installInProgress",
    "EXIT_FILE_IN_USE": "fileInUse",
    "EXIT_NO_WINDOW": "contactSupport",
    "EXIT_NO_PAYLOAD": "contactSupport",
    "EXIT_NO_CLASS": "contactSupport",
}
EXIT_BY_SETUP = 1
REQUIRED = {
    "version": {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"},
    "defaultLocale": {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName",
                      "License", "ShortDescription", "ManifestType", "ManifestVersion"},
    "installer": {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"},
}
# Fields an installer may carry at the root and in each entry of Installers.
INSTALLER_FIELDS = {
    "InstallerLocale", "Platform", "MinimumOSVersion", "InstallerType", "NestedInstallerType",
    "NestedInstallerFiles", "Scope", "InstallModes", "InstallerSwitches", "InstallerSuccessCodes",
    "ExpectedReturnCodes", "UpgradeBehavior", "Commands", "Protocols", "FileExtensions", "Dependencies",
    "PackageFamilyName", "ProductCode", "Capabilities", "RestrictedCapabilities", "Markets",
    "InstallerAbortsTerminal", "ReleaseDate", "InstallLocationRequired", "RequireExplicitUpgrade",
    "DisplayInstallWarnings", "UnsupportedOSArchitectures", "UnsupportedArguments",
    "AppsAndFeaturesEntries", "ElevationRequirement", "InstallationMetadata"}
ALLOWED = {
    "version": REQUIRED["version"],
    "defaultLocale": REQUIRED["defaultLocale"] | {
        "PublisherUrl", "PublisherSupportUrl", "PrivacyUrl", "Author", "PackageUrl", "LicenseUrl", "Copyright",
        "CopyrightUrl", "Description", "Moniker", "Tags", "Agreements", "ReleaseNotes", "ReleaseNotesUrl",
        "PurchaseUrl", "InstallationNotes", "Documentations", "Icons"},
    "installer": REQUIRED["installer"] | INSTALLER_FIELDS | {"Channel"},
}
ENTRY_FIELDS = INSTALLER_FIELDS | {"Architecture", "InstallerUrl", "InstallerSha256", "SignatureSha256"}


# ---- setup.exe ---------------------------------------------------------------------

def pe_image(data):
    """Machine type and a function giving the data of the first resource of a type."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "setup.exe is no PE image"
    machine, sections, _, _, _, optional_size = struct.unpack_from("<HHIIIH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = []
    for i in range(sections):
        vsize, va, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((va, max(vsize, raw_size), raw))

    def offset(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("RVA %#x outside the sections" % rva)

    base = offset(rsrc_rva)

    def first_entry(directory, wanted_id=None):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            if wanted_id is None or (not name & 0x80000000 and name == wanted_id):
                return target
        return None

    def resource(type_id):
        level = first_entry(base, type_id)
        if level is None:
            return None
        for _ in range(2):  # name, then language
            level = first_entry(base + (level & 0x7FFFFFFF))
        rva, size = struct.unpack_from("<II", data, base + level)
        start = offset(rva)
        return data[start:start + size]

    return machine, resource


def version_strings(block):
    """Every string value of a VS_VERSIONINFO block, by key."""
    found = {}

    def walk(at, end):
        while at + 6 <= end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            value_bytes = value_length * 2 if kind == 1 else value_length
            if kind == 1 and value_length:
                found[key] = block[value_at:value_at + value_bytes].decode("utf-16-le").rstrip("\0")
            walk((value_at + value_bytes + 3) & ~3, at + length)
            at = (at + length + 3) & ~3

    walk(0, len(block))
    return found


# ---- the registry of an installation -----------------------------------------------

def wine(*args, cwd):
    """Runs a program under Wine; its exit code, and what it printed in `cwd`/wine.out."""
    # Not a pipe: the shell's folder window, started by the installation, would
    # hold it open long after the program ended.
    with open(os.path.join(cwd, "wine.out"), "wb") as out:
        return subprocess.run([os.environ["MARVANE_WINE"], *args], cwd=cwd, timeout=180,
                              stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT).returncode


def printed(cwd):
    with open(os.path.join(cwd, "wine.out"), "rb") as f:
        return f.read().decode(errors="replace")


def registry_export(key, cwd):
    """The keys below `key` as Wine's reg writes them: {key name: {value name: (type, value)}}."""
    out = os.path.join(cwd, "export.reg")
    assert wine("reg", "export", key, "export.reg", "/y", cwd=cwd) == 0, printed(cwd)
    with open(out, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("latin-1")
    keys, current = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            name = line[1:-1]
            inside = name.lower().startswith(key.lower() + "\\")
            current = keys.setdefault(name[len(key) + 1:] if inside else name, {})
            continue
        m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if current is None or not m:
            continue
        name, data = re.sub(r"\\(.)", r"\1", m.group(1)), m.group(2)
        if data.startswith('"') and data.endswith('"'):
            current[name] = ("REG_SZ", re.sub(r"\\(.)", r"\1", data[1:-1]))
        elif data.startswith("dword:"):
            current[name] = ("REG_DWORD", int(data[6:], 16))
        else:
            current[name] = ("other", data)
    return keys


class WingetManifest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        names = sorted(n for n in os.listdir(WINGET_DIR))
        cls.files = names
        cls.manifests = {}
        for name in names:
            with open(os.path.join(WINGET_DIR, name), encoding="utf-8") as f:
                doc = yaml.safe_load(f)
            cls.manifests[doc.get("ManifestType")] = (name, doc)
        with open(SETUP_EXE, "rb") as f:
            cls.setup = f.read()
        cls.machine, resource = pe_image(cls.setup)
        cls.version = version_strings(resource(16))  # RT_VERSION
        cls.app_manifest = resource(24).decode("utf-8")  # RT_MANIFEST

        # A real installation, the way the manifest tells a package manager to run it.
        cls.work = tempfile.mkdtemp(prefix="winget-")
        installer = cls.manifests["installer"][1]
        switch = installer["InstallerSwitches"]["Silent"]
        # Nothing on record yet: a quiet removal ends with its own code.
        cls.remove_first_rc = wine(SETUP_EXE, "-r", switch, cwd=cls.work)
        cls.install_rc = wine(SETUP_EXE, *switch.split(), cwd=cls.work)
        cls.registry = registry_export(UNINSTALL, cls.work)
        # The start-up failures: (the process's status, what the probe printed).
        cls.startup_runs = {s: (wine(EXIT_PROBE, s, cwd=cls.work), printed(cls.work))
                            for s in ("no-class", "no-window", "no-payload")}
        # startup/exitcodes.h, as the programs are built from it: {name: (value, programs)}.
        assert wine(EXIT_PROBE, "codes", cwd=cls.work) == 0, printed(cls.work)
        cls.header_codes = {}
        for line in printed(cls.work).splitlines():
            found = re.match(r"^(EXIT_\w+) (-?\d+) (\d+)$", line.strip())
            if found:
                cls.header_codes[found.group(1)] = (int(found.group(2)), int(found.group(3)))

    def doc(self, kind):
        self.assertIn(kind, self.manifests, "no %s manifest among %s" % (kind, self.files))
        return self.manifests[kind][1]

    def installer(self, field):
        """A field of the one installer: its own value, else the root's."""
        root = self.doc("installer")
        entry = root["Installers"][0]
        return entry[field] if field in entry else root.get(field)

    def arp_key(self):
        """The uninstall entry the installation wrote: the key whose DisplayName the manifest names."""
        wanted = self.installer("AppsAndFeaturesEntries")[0]["DisplayName"]
        keys = [k for k, values in self.registry.items() if values.get("DisplayName") == ("REG_SZ", wanted)]
        self.assertEqual(len(keys), 1, "uninstall entries named %r: %s" % (wanted, sorted(self.registry)))
        return keys[0], self.registry[keys[0]]

    def test_three_files_one_package(self):
        identifier = self.doc("version")["PackageIdentifier"]
        locale = self.doc("version")["DefaultLocale"]
        self.assertEqual(self.files, sorted([identifier + ".yaml", identifier + ".installer.yaml",
                                             identifier + ".locale." + locale + ".yaml"]))
        for kind, (name, doc) in self.manifests.items():
            with self.subTest(file=name):
                self.assertTrue(REQUIRED[kind] <= set(doc), "missing: %s" % (REQUIRED[kind] - set(doc)))
                self.assertTrue(set(doc) <= ALLOWED[kind], "not in the schema: %s" % (set(doc) - ALLOWED[kind]))
                self.assertEqual(doc["ManifestVersion"], "1.6.0")
                self.assertEqual(doc["PackageIdentifier"], identifier)
                self.assertIsInstance(doc["PackageVersion"], str)  # "2.6", not the number 2.6
                self.assertRegex(doc["PackageIdentifier"], IDENTIFIER_RE)
                self.assertRegex(doc["PackageVersion"], VERSION_RE)
                with open(os.path.join(WINGET_DIR, name), "rb") as f:
                    self.assertNotIn(b"\r", f.read())

    def test_identity_is_setups_version_resource(self):
        company, product = self.version["CompanyName"], self.version["ProductName"]
        self.assertEqual(self.doc("version")["PackageIdentifier"], (company + "." + product).replace(" ", ""))
        for kind in ("version", "defaultLocale", "installer"):
            self.assertEqual(self.doc(kind)["PackageVersion"], self.version["ProductVersion"], kind)
        locale = self.doc("defaultLocale")
        self.assertEqual(locale["PackageLocale"], self.doc("version")["DefaultLocale"])
        self.assertRegex(locale["PackageLocale"], LOCALE_RE)
        self.assertEqual(locale["Publisher"], company)
        self.assertEqual(locale["PackageName"], product)
        self.assertGreaterEqual(len(locale["License"]), 3)
        self.assertTrue(3 <= len(locale["ShortDescription"]) <= 256)

    def test_installer_is_the_built_setup_exe(self):
        entries = self.doc("installer")["Installers"]
        self.assertEqual(len(entries), 1)
        self.assertTrue(set(entries[0]) <= ENTRY_FIELDS, set(entries[0]) - ENTRY_FIELDS)
        self.assertRegex(entries[0]["InstallerSha256"], SHA256_RE)
        self.assertEqual(entries[0]["InstallerSha256"].upper(), hashlib.sha256(self.setup).hexdigest().upper())
        self.assertEqual(entries[0]["Architecture"], {0x14C: "x86", 0x8664: "x64"}[self.machine])
        self.assertEqual(entries[0]["InstallerUrl"], DOWNLOAD_URL)
        self.assertRegex(entries[0]["InstallerUrl"], URL_RE)
        self.assertLessEqual(len(entries[0]["InstallerUrl"]), 2048)
        self.assertEqual(self.installer("InstallerType"), "exe")
        self.assertEqual(self.installer("Platform"), ["Windows.Desktop"])
        self.assertEqual(self.installer("InstallerLocale"), self.doc("version")["DefaultLocale"])

    def test_elevation_is_what_setup_exe_asks_for(self):
        self.assertEqual(self.installer("ElevationRequirement"), "elevatesSelf")
        self.assertRegex(self.app_manifest, r'requestedExecutionLevel\s+level="requireAdministrator"')

    def test_silent_switch_installs_for_the_machine(self):
        switches = self.installer("InstallerSwitches")
        self.assertEqual(switches, {"Silent": "-q", "SilentWithProgress": "-q"})
        self.assertEqual(set(self.installer("InstallModes")), {"interactive", "silent", "silentWithProgress"})
        self.assertEqual(self.install_rc, 0, "setup.exe %s" % switches["Silent"])
        self.assertEqual(self.installer("Scope"), "machine")
        self.arp_key()  # found under HKEY_LOCAL_MACHINE: the machine's list of programs

    def test_apps_and_features_entry_is_the_written_one(self):
        entries = self.installer("AppsAndFeaturesEntries")
        self.assertEqual(len(entries), 1)
        entry = entries[0]
        key, values = self.arp_key()
        self.assertEqual(entry["ProductCode"], key)
        self.assertEqual(self.installer("ProductCode"), key)
        for field in ("DisplayName", "Publisher", "DisplayVersion"):
            with self.subTest(field=field):
                self.assertEqual(values.get(field), ("REG_SZ", entry[field]))
                self.assertTrue(1 <= len(entry[field]) <= 256)
        self.assertEqual(entry["DisplayVersion"], self.doc("installer")["PackageVersion"])
        self.assertEqual(entry["Publisher"], self.doc("defaultLocale")["Publisher"])

    def test_exit_codes(self):
        # 0 is winget's own success code, and the schema refuses it in any list.
        self.assertIsNone(self.installer("InstallerSuccessCodes"))
        expected = self.installer("ExpectedReturnCodes")
        codes = [e["InstallerReturnCode"] for e in expected]
        for e in expected:
            with self.subTest(code=e["InstallerReturnCode"]):
                self.assertEqual(set(e), {"InstallerReturnCode", "ReturnResponse"})
                self.assertIsInstance(e["InstallerReturnCode"], int)
                # A signed 32-bit value, as the process's exit code is stored.
                self.assertTrue(-2**31 <= e["InstallerReturnCode"] < 2**31)
                self.assertIn(e["ReturnResponse"], RETURN_RESPONSES)
        # Every code of setup.exe's in the header but 0 is listed, once, with the
        # response its outcome calls for; none is "custom".
        header = self.header_codes
        self.assertEqual(header.get("EXIT_OK"), (0, 3))
        setup_codes = {name: value for name, (value, programs) in header.items()
                       if value != 0 and programs & EXIT_BY_SETUP}
        self.assertEqual(sorted(codes), sorted(setup_codes.values()), header)
        responses = {e["InstallerReturnCode"]: e["ReturnResponse"] for e in expected}
        for name, value in setup_codes.items():
            with self.subTest(code=name):
                self.assertEqual(responses.get(value), RESPONSES.get(name))
        self.assertNotIn("custom", responses.values())
        # Runs in the situations that give them end with those codes.
        ended = {"nothing on record to remove": (self.remove_first_rc, header["EXIT_NOTHING_TO_REMOVE"][0])}
        for situation, (status, out) in self.startup_runs.items():
            found = re.search(r"^exit code (-?\d+)", out, re.M)
            self.assertTrue(found, "%s: %s" % (situation, out))
            ended[situation] = (status, int(found.group(1)))
            self.assertIn(int(found.group(1)), codes, situation)
        for situation, (status, code) in ended.items():
            # Wine passes a process's code to the host as its low byte.
            self.assertEqual(status, code & 0xFF, situation)


if __name__ == "__main__":
    unittest.main(verbosity=2)
