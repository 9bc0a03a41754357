"""The `dist` output as a user meets it: the portable zip; silent setup, setup again over a running BLIMO, uninstall;
the winget manifests a package manager reads. Where 32-bit programs cannot start, the 64-bit build tree's setup (the
same script built for amd64 around the 64-bit BLIMO.exe) stands in for the 32-bit one."""
import hashlib, struct, zipfile  # noqa: E401
from conftest import *  # noqa: F403 (the harness)

VERSION = re.search(r"^BLIMO_VERSION:\w+=(.*)$", (BUILD / "CMakeCache.txt").read_text(), re.M)[1]
FOLDER, HELP_NAME = (HELP_FILE := build_setting("BLIMO_HELP_FILE")).rsplit("\\", 1)
FILES = {"BLIMO.exe": EXE.read_bytes(), HELP_NAME: (BUILD / "blimo.chm").read_bytes()}
INSTALLED, UNINSTALLER, OTHER = FOLDER + r"\BLIMO.exe", FOLDER + r"\Uninstall.exe", MAKER + r"\Other"
SHORTCUT, OFF_SHORTCUT = (unix_path(rf"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\{name}.lnk")
                          for name in ("BLIMO", "ScreenSaver off for 1 hour"))
STAND_IN = os.environ.get("BLIMO_NO_32BIT") == "1"
ENTRY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BLIMO", "DisplayName", f"/reg:{32 << STAND_IN}"
QUIET = dict(os.environ, WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree=") + ";winemenubuilder.exe=d")


def zstring(data, wide):  # up to its terminating zero, in the ANSI code page or UTF-16
    return data[:len(data) & ~wide].decode("utf-16-le" if wide else "cp1252", "replace").split("\0")[0]


def shortcut(path):  # (target, arguments) as the shell reads a .lnk: its link info, then its counted strings
    data = path.read_bytes()
    flags, at = struct.unpack_from("<I", data, 20)[0], 76
    at += 2 + struct.unpack_from("<H", data, at)[0] if flags & 1 else 0  # the item id list
    size, head, _, _, base, _, suffix = struct.unpack_from("<7I", data, at) if flags & 2 else (0,) * 7
    wide_info = head >= 0x24  # the header then has the Unicode forms' offsets
    base, suffix = struct.unpack_from("<2I", data, at + 28) if wide_info else (base, suffix)
    target = flags & 2 and zstring(data[at + base:], wide_info) + zstring(data[at + suffix:], wide_info)
    strings, at, wide = {}, at + size, flags >> 7 & 1  # name, relative path, working folder, arguments, icon
    for bit in filter(flags.__and__, (0x04, 0x08, 0x10, 0x20, 0x40)):
        length = struct.unpack_from("<H", data, at)[0] << wide
        strings[bit] = zstring(data[at + 2:at + 2 + length], wide)
        at += 2 + length
    return target, strings.get(0x20, "")


@pytest.mark.skipif(not shutil.which("makensis"), reason="no makensis (scripts/setup installs nsis)")
def test_winget_manifests_name_the_setup_beside_them():
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    setup, texts = BUILD / f"dist/BLIMO-{VERSION}-setup.exe", {p.name: p.read_text() for p in BUILD.glob("dist/*.yaml")}
    installer, sha256 = texts["Fenwa.BLIMO.installer.yaml"], hashlib.sha256(setup.read_bytes()).hexdigest().upper()
    assert re.search(rf"^    InstallerUrl: https://\S+/{setup.name}\n    InstallerSha256: {sha256}$", installer, re.M)
    assert "Silent: /S" in installer and "DefaultLocale: en-US" in texts["Fenwa.BLIMO.yaml"] and len(texts) == 3
    assert all(f"PackageIdentifier: Fenwa.BLIMO\nPackageVersion: {VERSION}\n" in t for t in texts.values())


@pytest.mark.skipif(not shutil.which("makensis"), reason="no makensis (scripts/setup installs nsis)")
@pytest.mark.parametrize("kind", ["amd64 stand-in" if STAND_IN else "32-bit setup"])
def test_zip_setup_update_uninstall(kind):
    print("the round trip runs the", kind)
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    setup, portable = (BUILD / "dist" / f"BLIMO-{VERSION}-{ending}" for ending in ("setup.exe", "portable.zip"))
    files = {n: zipfile.ZipFile(portable).read(n) for n in zipfile.ZipFile(portable).namelist()}
    readme = files.pop("readme.txt").decode("ascii")
    assert files == FILES
    assert VERSION in readme
    assert HELP_FILE in readme
    assert "\n" not in readme.replace("\r\n", ""), "readme.txt has a line not ended by CR LF"
    shutil.rmtree(unix_path(FOLDER), ignore_errors=True)
    reg_set(MAKER)
    wine("reg", "delete", *ENTRY[::2], "/f", check=False)
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0
    assert {n: unix_path(FOLDER + "\\" + n).read_bytes() for n in FILES} == FILES
    assert reg(*ENTRY) == "BLIMO"
    assert shortcut(SHORTCUT) == (INSTALLED, "")
    assert shortcut(OFF_SHORTCUT) == (INSTALLED, "/off:60")
    reg_set(DESKTOP, "ScreenSaveActive", "0")
    reg_set(OTHER, "Kept", "yes")
    b = Blimo(INSTALLED)
    reg_set(RUN, "BLIMO", INSTALLED)
    reg_set(SETTINGS, "Bubbles", "1")
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0, "setup over a running BLIMO"
    assert b.proc.wait(timeout=15) == 0, "BLIMO killed by setup, not asked to exit"
    assert unix_path(INSTALLED).exists()
    b = Blimo(INSTALLED)
    assert wine(UNINSTALLER, "/S", env=QUIET, check=False).returncode == 0
    wait_for(lambda: not unix_path(FOLDER).exists() and not reg(*ENTRY), timeout=30, what="the uninstaller's end")
    assert b.proc.wait(timeout=15) == 0, "BLIMO killed by the uninstaller, not asked to exit"
    assert not tray_colour(), "an icon left in the tray"
    assert not SHORTCUT.exists()
    assert not OFF_SHORTCUT.exists()
    assert reg(RUN, "BLIMO") is None
    assert wine("reg", "query", SETTINGS, check=False).returncode, "the settings key left behind"
    assert reg(DESKTOP, "ScreenSaveActive") == "0", "the user's screensaver setting changed"
    assert reg(OTHER, "Kept") == "yes", "another program's key removed"
