"""The `dist` output as a user meets it: the portable zip; silent setup, setup again over a running BLIMO, uninstall;
the Windows Installer package: install, upgrade, a downgrade refused, uninstall; the winget manifests; the
administrative templates. Where 32-bit programs cannot start, the 64-bit build tree's setup program
and package (the same scripts built for amd64 around the 64-bit BLIMO.exe) stand in for the 32-bit ones."""
import hashlib, zipfile  # noqa: E401
from conftest import *  # noqa: F403 (the harness)

VERSION = re.search(r"^BLIMO_VERSION:\w+=(.*)$", (BUILD / "CMakeCache.txt").read_text(), re.M)[1]
FOLDER, HELP_NAME = (HELP_FILE := build_setting("BLIMO_HELP_FILE")).rsplit("\\", 1)
FILES = {"BLIMO.exe": EXE.read_bytes(), HELP_NAME: (BUILD / "blimo.chm").read_bytes()}
TEMPLATE_DIR = pathlib.Path(__file__).parents[2] / "installer/templates"  # the administrative templates
TEMPLATES = {n: TEMPLATE_DIR / n for n in ("BLIMO.admx", "en-US/BLIMO.adml")}
INSTALLED, UNINSTALLER, OTHER = FOLDER + r"\BLIMO.exe", FOLDER + r"\Uninstall.exe", MAKER + r"\Other"
STAND_IN = os.environ.get("BLIMO_NO_32BIT") == "1"
UNINSTALL, VIEW = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", f"/reg:{32 << STAND_IN}"  # setup's
ENTRY = UNINSTALL + r"\BLIMO", "DisplayName", VIEW
QUIET = dict(os.environ, WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree=") + ";winemenubuilder.exe=d")


def start_menu(users=False):  # {name: (target, arguments)} read by the shell: the machine's Start menu (msiexec: the user's)
    menu = ("users/*/AppData/Roaming" if users else "ProgramData") + "/Microsoft/Windows/Start Menu/Programs"
    return {p.name: tuple(wintool("lnk", "Z:" + str(p).replace("/", "\\"))) for p in PREFIX.glob(f"drive_c/{menu}/*.lnk")}


def packages():  # (product code, version) of each BLIMO entry that Windows Installer made in Add/Remove Programs
    return re.findall(r"\\({[-0-9A-F]+})\n(?: +(?!DisplayName)\w+ .*\n)* +DisplayName +REG_SZ +BLIMO\n"
                      r" +DisplayVersion +REG_SZ +(\S+)", wine("reg", "query", UNINSTALL, "/s", VIEW).stdout)


@pytest.mark.skipif(not shutil.which("makensis"), reason="no makensis (scripts/setup installs nsis)")
@pytest.mark.parametrize("kind", ["amd64 stand-in" if STAND_IN else "32-bit setup"])
def test_zip_setup_update_uninstall(kind):
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    setup, portable = (BUILD / "dist" / f"BLIMO-{VERSION}-{ending}" for ending in ("setup.exe", "portable.zip"))
    files = {n: zipfile.ZipFile(portable).read(n) for n in zipfile.ZipFile(portable).namelist()}
    readme = files.pop("readme.txt").decode("ascii")
    assert files == FILES | {n: p.read_bytes() for n, p in TEMPLATES.items()}
    assert "\n" not in readme.replace("\r\n", ""), "readme.txt has a line not ended by CR LF"
    shutil.rmtree(unix_path(FOLDER), ignore_errors=True)
    wine("reg", "delete", *ENTRY[::2], "/f", check=False)
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0
    assert {n: unix_path(FOLDER + "\\" + n).read_bytes() for n in FILES} == FILES
    assert reg(*ENTRY) == "BLIMO"
    assert start_menu() == {"BLIMO.lnk": (INSTALLED, ""), "ScreenSaver off for 1 hour.lnk": (INSTALLED, "/off:60")}
    reg_set(DESKTOP, "ScreenSaveActive", "0")
    reg_set(OTHER, "Kept", "yes")
    b = Blimo(INSTALLED)
    reg_set(RUN, "BLIMO", INSTALLED)
    reg_set(SETTINGS, "Bubbles", "1")
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0, "setup over a running BLIMO"
    assert b.proc.wait(timeout=15) == 0, "BLIMO killed by setup, not asked to exit"
    b = Blimo(INSTALLED)
    assert wine(UNINSTALLER, "/S", env=QUIET, check=False).returncode == 0
    wait_for(lambda: not unix_path(FOLDER).exists() and not reg(*ENTRY), timeout=30, what="the uninstaller's end")
    assert b.proc.wait(timeout=15) == 0, "BLIMO killed by the uninstaller, not asked to exit"
    assert start_menu() == {}
    assert reg(RUN, "BLIMO") is None
    assert wine("reg", "query", SETTINGS, check=False).returncode, "the settings key left behind"
    assert reg(DESKTOP, "ScreenSaveActive") == "0", "the user's screensaver setting changed"
    assert reg(OTHER, "Kept") == "yes", "another program's key removed"


@pytest.mark.skipif(not shutil.which("wixl"), reason="no wixl (scripts/setup installs it)")
def test_msi_install_upgrade_downgrade_refused_uninstall(tmp_path):
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    older, newer, version = BUILD / f"dist/BLIMO-{VERSION}.msi", tmp_path / "newer.msi", "1.0.1.0"
    sh("cmake", f"-DVERSION={version}", f"-DOUT={newer}", "-P", BUILD / "msi.cmake")
    wine("msiexec", "/x", newer, "/qn", env=QUIET, check=False)  # one left by a failed run (same code)
    assert wine("msiexec", "/i", older, "/qn", env=QUIET, check=False).returncode == 0
    manifest, sha256 = (BUILD / "dist/Fenwa.BLIMO.installer.yaml").read_text(), hashlib.sha256(older.read_bytes())
    assert packages() == [(re.search(r"ProductCode: '(.+)'", manifest)[1], VERSION)], "not the manifest's product code"
    assert f"/{older.name}\n    InstallerSha256: {sha256.hexdigest().upper()}\n" in manifest
    exe = rf"C:\Program Files{'' if STAND_IN else ' (x86)'}\BLIMO\BLIMO.exe"  # where Windows Installer puts its kind
    assert start_menu(users=True) == {"BLIMO.lnk": (exe, ""), "ScreenSaver off for 1 hour.lnk": (exe, "/off:60")}
    assert {n: unix_path(exe).with_name(n).read_bytes() for n in FILES} == FILES
    assert wine("reg", "query", SETTINGS, check=False).returncode, "the package wrote to the user's registry"
    assert wine("msiexec", "/i", newer, "/qn", env=QUIET, check=False).returncode == 0
    assert [v for _, v in packages()] == [version], "the newer package did not replace the older"
    assert wine("msiexec", "/i", older, "/qn", env=QUIET, check=False).returncode, "an older package went over a newer"
    assert wine("msiexec", "/x", newer, "/qn", env=QUIET, check=False).returncode == 0
    assert start_menu(users=True) == {}
    assert not unix_path(exe).parent.exists()


def test_templates_well_formed_and_complete():
    assert (r := sh("xmllint", "--noout", *TEMPLATES.values(), check=False)).returncode == 0, r.stderr
    admx, adml = (p.read_text() for p in TEMPLATES.values())
    assert {*re.findall(r"\$\((\w+)\.(\w+)\)", admx)} <= {*re.findall(r'<(\w+) id="(\w+)"', adml)}, "not in BLIMO.adml"
    policies = re.findall(r'class="Both".*?key="(.+?)" valueName="(.+?)">.*?"1".*?"0"', admx, re.S)  # on, off
    assert policies == [(r"Software\Policies\Fenwa Inc\BLIMO", n) for n in ("DisableUpdateCheck", "KeepDisplayOn")]
