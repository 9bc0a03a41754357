"""Setup and uninstall as a user meets them: the `dist` output is built, the setup program runs
under Wine (silently, and once through its pages to the finish page's "start" box), and the
uninstaller ends a running BLIMO through its own Exit and removes everything the program and setup
left, but not the user's screensaver setting."""
import os
import shutil
import subprocess
import zipfile

import pytest

from conftest import BUILD, DESKTOP, EXE, RUN, SETTINGS, Blimo, reg_delete, reg_query, reg_set, sh, tray_colour, \
    wait_for, wine, wintool

pytestmark = pytest.mark.skipif(shutil.which("makensis") is None,
                                reason="makensis is not installed (scripts/setup installs Debian's nsis)")

MAKER = r"HKCU\Software\Fenwa Inc"
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BLIMO"
WM_COMMAND, IDOK = 0x111, 1
# Wine would mirror the Start menu shortcut into the desktop's menus under $HOME; keep it in the prefix.
QUIET_ENV = dict(os.environ, WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree=") + ";winemenubuilder.exe=d")


def cache(name):
    for line in (BUILD / "CMakeCache.txt").read_text().splitlines():
        if line.startswith(name + ":"):
            return line.split("=", 1)[1]
    raise AssertionError(f"{name} not in the build's CMakeCache.txt")


VERSION = cache("BLIMO_VERSION")
HELP_FILE = cache("BLIMO_HELP_FILE")
INSTALL_DIR, HELP_NAME = HELP_FILE.rsplit("\\", 1)
INSTALLED_EXE = INSTALL_DIR + r"\BLIMO.exe"
UNINSTALLER = INSTALL_DIR + r"\Uninstall.exe"


def unix(path):
    return wine("winepath", "-u", path).stdout.strip()


def shortcut():
    data = wine("cmd", "/c", "echo", "%ProgramData%").stdout.strip()
    return unix(data + r"\Microsoft\Windows\Start Menu\Programs\BLIMO.lnk")


def uninstall_entry(value):
    """The uninstall entry's value as the 32-bit setup wrote it (its own registry view)."""
    r = wine("reg", "query", UNINSTALL, "/v", value, "/reg:32", check=False)
    for line in r.stdout.splitlines() if r.returncode == 0 else []:
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[0] == value:
            return parts[2]
    return None


def key_exists(key):
    return wine("reg", "query", key, check=False).returncode == 0


@pytest.fixture(scope="module")
def dist():
    r = sh("cmake", "--build", BUILD, "--target", "dist", check=False, timeout=600)
    assert r.returncode == 0, "the dist target failed:\n" + (r.stdout + r.stderr)[-3000:]
    d = BUILD / "dist"
    return d / f"BLIMO-{VERSION}-setup.exe", d / f"BLIMO-{VERSION}-portable.zip"


@pytest.fixture
def machine(clean_registry):
    """Nothing of BLIMO installed before; whatever a test leaves is swept away after it."""
    started = []
    sweep(started)
    yield started
    sweep(started)


def sweep(started):
    for b in started:
        b.kill()
    target = unix(INSTALL_DIR)
    shutil.rmtree(target, ignore_errors=True)
    link = shortcut()
    if os.path.exists(link):
        os.remove(link)
    wine("reg", "delete", UNINSTALL, "/f", "/reg:32", check=False)
    reg_delete(MAKER)
    reg_delete(RUN, "BLIMO")


def install(setup):
    r = wine(setup, "/S", env=QUIET_ENV, check=False, timeout=120)
    assert r.returncode == 0, f"silent setup failed with {r.returncode}"


def uninstall():
    # The uninstaller runs on from a copy of itself in the temp folder, so its own end says nothing:
    # wait for its work instead.
    r = wine(UNINSTALLER, "/S", env=QUIET_ENV, check=False, timeout=120)
    assert r.returncode == 0, f"silent uninstall failed with {r.returncode}"
    wait_for(lambda: not os.path.exists(unix(INSTALL_DIR)) and uninstall_entry("DisplayName") is None,
             timeout=30, what="the uninstaller to finish")


def test_portable_zip_holds_program_help_and_readme(dist):
    _, portable = dist
    with zipfile.ZipFile(portable) as z:
        assert sorted(z.namelist()) == sorted(["BLIMO.exe", HELP_NAME, "readme.txt"])
        assert z.read("BLIMO.exe") == EXE.read_bytes()
        assert z.read(HELP_NAME) == (BUILD / "blimo.chm").read_bytes()
        readme = z.read("readme.txt").decode("ascii")
    assert VERSION in readme and HELP_FILE in readme
    assert "\r\n" in readme and "\n" not in readme.replace("\r\n", "")  # Notepad's line ends


def test_silent_install_then_uninstall_ends_blimo_and_removes_its_traces(dist, machine):
    setup, _ = dist
    install(setup)
    folder = unix(INSTALL_DIR)
    assert (open(os.path.join(folder, "BLIMO.exe"), "rb").read() == EXE.read_bytes())
    assert (open(os.path.join(folder, HELP_NAME), "rb").read() == (BUILD / "blimo.chm").read_bytes())
    assert os.path.exists(unix(UNINSTALLER))
    with open(shortcut(), "rb") as f:
        assert INSTALLED_EXE.encode() in f.read()
    assert uninstall_entry("DisplayName") == "BLIMO"
    assert uninstall_entry("DisplayVersion") == VERSION
    assert uninstall_entry("UninstallString") == f'"{UNINSTALLER}"'
    assert uninstall_entry("QuietUninstallString") == f'"{UNINSTALLER}" /S'

    # The user's screensaver is off; the program starts at log-on and shows balloons.
    reg_set(DESKTOP, "ScreenSaveActive", "0")
    b = Blimo(exe=INSTALLED_EXE)
    machine.append(b)
    assert tray_colour() == "red"
    reg_set(RUN, "BLIMO", INSTALLED_EXE)
    reg_set(SETTINGS, "Bubbles", "1")

    uninstall()
    assert b.proc.wait(timeout=15) == 0, "BLIMO was killed, not asked to exit"
    assert tray_colour() is None
    assert not os.path.exists(shortcut())
    assert reg_query(RUN, "BLIMO") is None
    assert not key_exists(SETTINGS)
    assert not key_exists(MAKER)  # nothing else of the maker's was there
    assert reg_query(DESKTOP, "ScreenSaveActive") == ("REG_SZ", "0")


def test_setup_over_a_running_blimo_ends_it_and_uninstall_keeps_the_makers_other_settings(dist, machine):
    setup, _ = dist
    install(setup)
    b = Blimo(exe=INSTALLED_EXE)
    machine.append(b)
    install(setup)  # again, as an update would: the running program must let go of its files
    assert b.proc.wait(timeout=15) == 0
    assert tray_colour() is None
    assert os.path.exists(os.path.join(unix(INSTALL_DIR), "BLIMO.exe"))

    other = MAKER + r"\OtherProgram"
    reg_set(other, "Kept", "yes")
    reg_set(SETTINGS, "Bubbles", "0")
    uninstall()  # with no BLIMO running
    assert not key_exists(SETTINGS)
    assert reg_query(other, "Kept") == ("REG_SZ", "yes")


def test_finish_page_starts_blimo(dist, machine):
    setup, _ = dist
    proc = subprocess.Popen(["wine", str(setup)], env=QUIET_ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wizard = wait_for(lambda: found(wintool("find", "BLIMO Setup")), timeout=30, what="the setup window")
        wintool("post", wizard, WM_COMMAND, IDOK, 0)  # the welcome page's Next
        wait_for(lambda: "1|Button|&Finish|" in wintool("controls", wizard).stdout, timeout=60, what="the finish page")
        wintool("post", wizard, WM_COMMAND, IDOK, 0)  # Finish, the start box as setup ticks it
        assert proc.wait(timeout=30) == 0
    finally:
        if proc.poll() is None:
            proc.kill()
    wait_for(running_blimo, timeout=20, what="BLIMO started by setup")
    wait_for(lambda: tray_colour() is not None, timeout=10, what="its tray icon")
    uninstall()
    wait_for(lambda: not running_blimo(), timeout=15, what="BLIMO to end")
    assert tray_colour() is None


def found(r):
    return r.stdout.strip() if r.returncode == 0 else None


def running_blimo():
    return found(wintool("find", "About BLIMO", "BLIMOForm"))
