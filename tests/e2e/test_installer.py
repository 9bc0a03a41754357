"""The `dist` output as a user meets it: the portable zip; silent setup, setup again over a running BLIMO, uninstall;
the winget manifests a package manager reads."""
import hashlib, zipfile  # noqa: E401
from conftest import *  # noqa: F403 (the harness)

VERSION = re.search(r"^BLIMO_VERSION:\w+=(.*)$", (BUILD / "CMakeCache.txt").read_text(), re.M)[1]
FOLDER, HELP_NAME = (HELP_FILE := build_setting("BLIMO_HELP_FILE")).rsplit("\\", 1)
FILES = {"BLIMO.exe": EXE.read_bytes(), HELP_NAME: (BUILD / "blimo.chm").read_bytes()}
INSTALLED, UNINSTALLER, OTHER = FOLDER + r"\BLIMO.exe", FOLDER + r"\Uninstall.exe", MAKER + r"\Other"
SHORTCUT, OFF_SHORTCUT = (unix_path(rf"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\{name}.lnk")
                          for name in ("BLIMO", "ScreenSaver off for 1 hour"))
ENTRY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BLIMO", "DisplayName", "/reg:32"  # setup's view
QUIET = dict(os.environ, WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree=") + ";winemenubuilder.exe=d")


@pytest.mark.skipif(not shutil.which("makensis"), reason="no makensis (scripts/setup installs nsis)")
def test_winget_manifests_name_the_setup_beside_them():
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    setup, texts = BUILD / f"dist/BLIMO-{VERSION}-setup.exe", {p.name: p.read_text() for p in BUILD.glob("dist/*.yaml")}
    installer, sha256 = texts["Fenwa.BLIMO.installer.yaml"], hashlib.sha256(setup.read_bytes()).hexdigest().upper()
    assert re.search(rf"^    InstallerUrl: https://\S+/{setup.name}\n    InstallerSha256: {sha256}$", installer, re.M)
    assert "Silent: /S" in installer and "DefaultLocale: en-US" in texts["Fenwa.BLIMO.yaml"] and len(texts) == 3
    assert all(f"PackageIdentifier: Fenwa.BLIMO\nPackageVersion: {VERSION}\n" in t for t in texts.values())


@pytest.mark.skipif(not shutil.which("makensis"), reason="no makensis (scripts/setup installs nsis)")
@pytest.mark.skipif(os.environ.get("BLIMO_NO_32BIT") == "1", reason="setup is 32-bit: this kernel cannot start it")
def test_zip_setup_update_uninstall():
    assert (r := sh("cmake", "--build", BUILD, "--target", "dist", check=False)).returncode == 0, r.stdout + r.stderr
    setup, portable = (BUILD / "dist" / f"BLIMO-{VERSION}-{kind}" for kind in ("setup.exe", "portable.zip"))
    files = {n: zipfile.ZipFile(portable).read(n) for n in zipfile.ZipFile(portable).namelist()}
    readme = files.pop("readme.txt").decode("ascii")
    assert files == FILES and VERSION in readme and HELP_FILE in readme and "\n" not in readme.replace("\r\n", "")
    shutil.rmtree(unix_path(FOLDER), ignore_errors=True), reg_set(MAKER)
    wine("reg", "delete", *ENTRY[::2], "/f", check=False)
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0
    assert {n: unix_path(FOLDER + "\\" + n).read_bytes() for n in FILES} == FILES and reg(*ENTRY) == "BLIMO"
    assert INSTALLED.encode() in SHORTCUT.read_bytes() and b"/off:60" in OFF_SHORTCUT.read_bytes()
    reg_set(DESKTOP, "ScreenSaveActive", "0"), reg_set(OTHER, "Kept", "yes")
    b = Blimo(INSTALLED)
    reg_set(RUN, "BLIMO", INSTALLED), reg_set(SETTINGS, "Bubbles", "1")
    assert wine(setup, "/S", env=QUIET, check=False).returncode == 0, "setup over a running BLIMO"
    assert b.proc.wait(timeout=15) == 0 and unix_path(INSTALLED).exists()
    b = Blimo(INSTALLED)
    assert wine(UNINSTALLER, "/S", env=QUIET, check=False).returncode == 0
    wait_for(lambda: not unix_path(FOLDER).exists() and not reg(*ENTRY), timeout=30, what="the uninstaller's end")
    assert b.proc.wait(timeout=15) == 0, "BLIMO killed, not asked to exit"
    assert not tray_colour() and not SHORTCUT.exists() and not OFF_SHORTCUT.exists() and reg(RUN, "BLIMO") is None
    assert wine("reg", "query", SETTINGS, check=False).returncode and reg(DESKTOP, "ScreenSaveActive") == "0"
    assert reg(OTHER, "Kept") == "yes"
