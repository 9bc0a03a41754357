"""The `dist` output as a user meets it: the portable zip; setup with its finish page, setup again over a running
BLIMO, uninstall; the Windows Installer package: install, upgrade, a downgrade refused, uninstall; never both; the
winget manifests; the administrative templates. Where 32-bit programs cannot start, the 64-bit build tree's setup program
and package (the same scripts built for amd64 around the 64-bit BLIMO.exe) stand in for the 32-bit ones."""
import hashlib, struct, zipfile  # noqa: E401
from conftest import *  # noqa: F403 (the harness)

VERSION = re.search(r"^BLIMO_VERSION:\w+=(.*)$", (BUILD / "CMakeCache.txt").read_text(), re.M)[1]
PACKAGE_VERSION = re.sub(r"\.0\.(\d+)$", r".\1", VERSION)  # major.minor.revision: the numbers BLIMO shows
STAND_IN = os.environ.get("BLIMO_NO_32BIT") == "1"
FOLDER = rf"C:\Program Files{'' if STAND_IN else ' (x86)'}\BLIMO"  # where Windows Installer puts a program of its kind
FILES = {"BLIMO.exe": EXE.read_bytes(), "blimo.chm": (BUILD / "blimo.chm").read_bytes()}
TEMPLATE_DIR = pathlib.Path(__file__).parents[2] / "installer/templates"  # the administrative templates
TEMPLATES = {n: TEMPLATE_DIR / n for n in ("BLIMO.admx", "en-US/BLIMO.adml")}
INSTALLED, UNINSTALLER, OTHER = FOLDER + r"\BLIMO.exe", FOLDER + r"\Uninstall.exe", MAKER + r"\Other"
UNINSTALL, VIEW = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", f"/reg:{32 << STAND_IN}"  # setup's
ENTRY = UNINSTALL + r"\BLIMO", "DisplayVersion", VIEW
QUIET = dict(os.environ, WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree=") + ";winemenubuilder.exe=d")


def start_menu(users=False):  # {name: (target, arguments)} read by the shell: the machine's Start menu (msiexec: the user's)
    menu = ("users/*/AppData/Roaming" if users else "ProgramData") + "/Microsoft/Windows/Start Menu/Programs"
    return {p.name: tuple(wintool("lnk", "Z:" + str(p).replace("/", "\\"))) for p in PREFIX.glob(f"drive_c/{menu}/*.lnk")}


def packages():  # (product code, version) of each BLIMO entry that Windows Installer made in Add/Remove Programs
    return re.findall(r"\\({[-0-9A-F]+})\n(?: +(?!DisplayName)\w+ .*\n)* +DisplayName +REG_SZ +BLIMO\n"
                      r" +DisplayVersion +REG_SZ +(\S+)", wine("reg", "query", UNINSTALL, "/s", VIEW).stdout)


@pytest.mark.skipif(not shutil.which("makensis"), reason="no makensis (scripts/setup installs nsis)")
@pytest.mark.parametrize("kind", ["amd64 stand-in" if STAND_IN else "32-bit setup"])
def test_zip_setup_update_uninstall(kind, tmp_path):
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    setup, portable = (BUILD / "dist" / f"BLIMO-{VERSION}-{ending}" for ending in ("setup.exe", "portable.zip"))
    files = {n: zipfile.ZipFile(portable).read(n) for n in zipfile.ZipFile(portable).namelist()}
    readme = files.pop("readme.txt").decode("ascii")
    assert files == FILES | {n: p.read_bytes() for n, p in TEMPLATES.items()}
    assert "\n" not in readme.replace("\r\n", ""), "readme.txt has a line not ended by CR LF"
    for code, _ in packages():  # left by a failed run: setup would refuse
        wine("msiexec", "/x", code, "/qn", env=QUIET, check=False)
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0
    assert {n: unix_path(FOLDER + "\\" + n).read_bytes() for n in FILES} == FILES
    assert reg(*ENTRY) == PACKAGE_VERSION
    assert wine("msiexec", "/i", BUILD / f"dist/BLIMO-{VERSION}.msi", "/qn", env=QUIET, check=False).returncode == 1603 % 256
    assert start_menu() == {"BLIMO.lnk": (INSTALLED, ""), "ScreenSaver off for 1 hour.lnk": (INSTALLED, "/off:60")}
    reg_set(OTHER, "Kept", "yes")
    b = Blimo(INSTALLED)
    reg_set(RUN, "BLIMO", INSTALLED)
    reg_set(SETTINGS, "Bubbles", "1")
    run = subprocess.Popen(["wine", setup], env=dict(QUIET, WINEDEBUG="+process"), stderr=(trace := tmp_path / "trace").open("w"))
    wintool("post", window := wait_for(lambda: find("BLIMO Setup", "#32770"), what="setup").hwnd, WM_COMMAND, 1, 0)
    wait_for(lambda: "&Finish" in [c.text for c in controls(window)], 60, "the finish page")
    assert b.proc.wait(timeout=15) == 0, "BLIMO killed by setup, not asked to exit"
    wintool("post", window, WM_COMMAND, 1, 0)  # Install, then Finish with "Start BLIMO now" ticked
    wait_for(lambda: find("About BLIMO"), timeout=20, what="BLIMO started by the finish page")
    assert re.search(r'explorer\.exe\\*" \\*"' + re.escape(INSTALLED.replace("\\", "\\\\")), trace.read_text()), "not as the user"
    assert wine(UNINSTALLER, "/S", env=QUIET, check=False).returncode == 0
    wait_for(lambda: not unix_path(FOLDER).exists() and not reg(*ENTRY), 30, "the uninstaller's end (BLIMO asked to exit)")
    assert start_menu() == {}
    assert reg(RUN, "BLIMO") is None
    assert wine("reg", "query", SETTINGS, check=False).returncode, "the settings key left behind"
    assert reg(OTHER, "Kept") == "yes", "another program's key removed"


@pytest.mark.skipif(not shutil.which("wixl"), reason="no wixl (scripts/setup installs it)")
def test_msi_install_upgrade_downgrade_refused_uninstall(tmp_path):
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    older, newer, version = BUILD / f"dist/BLIMO-{VERSION}.msi", tmp_path / "newer.msi", "1.0.0.2"  # "1.02"
    fixed = struct.pack("<I4H", 0xFEEF04BD, 0, 1, 0, 1)  # a version resource's fixed part: signature, layout, 1.0.x.x
    (tmp_path / "BLIMO.exe").write_bytes(EXE.read_bytes().replace(fixed + b"\1\0\0\0", fixed + b"\2\0\0\0"))  # .0.1 -> .0.2
    sh("cmake", f"-DVERSION={version}", f"-DEXE={tmp_path / 'BLIMO.exe'}", f"-DOUT={newer}", "-P", BUILD / "msi.cmake")
    assert wine("msiexec", "/i", older, "/qn", env=QUIET, check=False).returncode == 0
    manifest, sha256 = (BUILD / "dist/Fenwa.BLIMO.installer.yaml").read_text(), hashlib.sha256(older.read_bytes())
    assert packages() == [(re.search(r"ProductCode: '(.+)'", manifest)[1], PACKAGE_VERSION)], "not the manifest's code"
    assert f"PackageVersion: {PACKAGE_VERSION}\n" in manifest
    assert f"/{older.name}\n    InstallerSha256: {sha256.hexdigest().upper()}\n" in manifest
    assert start_menu(users=True) == {"BLIMO.lnk": (INSTALLED, ""), "ScreenSaver off for 1 hour.lnk": (INSTALLED, "/off:60")}
    assert {n: unix_path(INSTALLED).with_name(n).read_bytes() for n in FILES} == FILES
    assert wine(BUILD / f"dist/BLIMO-{VERSION}-setup.exe", "/S", env=QUIET, check=False).returncode == 2
    assert wine("msiexec", "/i", newer, "/qn", env=QUIET, check=False).returncode == 0
    assert [v for _, v in packages()] == ["1.0.2"], "the newer package did not replace the older"
    assert "Version 1.02" in [c.text for c in controls(Blimo(INSTALLED).menu("a", opens="About BLIMO"))], "not the new one"
    assert wine("msiexec", "/i", older, "/qn", env=QUIET, check=False).returncode, "an older package went over a newer"
    assert wine("msiexec", "/x", newer, "/qn", env=QUIET, check=False).returncode == 0


def test_templates_well_formed_and_complete():
    assert (r := sh("xmllint", "--noout", *TEMPLATES.values(), check=False)).returncode == 0, r.stderr
    admx, adml = (p.read_text() for p in TEMPLATES.values())
    assert {*re.findall(r"\$\((\w+)\.(\w+)\)", admx)} <= {*re.findall(r'<(\w+) id="(\w+)"', adml)}, "not in BLIMO.adml"
    policies = re.findall(r'class="Both".*?key="(.+?)" valueName="(.+?)">.*?"1".*?"0"', admx, re.S)  # on, off
    assert policies == [(r"Software\Policies\Fenwa Inc\BLIMO", n) for n in ("DisableUpdateCheck", "KeepDisplayOn")]
