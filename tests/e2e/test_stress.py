"""Thousands of switches through the tray callback: the stored value ends equal to the last
command, the icon shows it, and the program still answers at once. (`make faults` runs 10,000.)"""
import os

from conftest import DESKTOP, WINTOOL, reg_query, tray_colour, wait_for, wine, wintool

SWITCHES = 10000 if os.environ.get("BLIMO_FULL_FAULTS") else 1000
WM_MOUSEMOVE, WM_LBUTTONDBLCLK = 0x200, 0x203


def test_many_double_clicks_leave_the_last_state(start):
    b = start()
    # An odd number of double clicks from "absent": on, off, on, ... ends on.
    # Each switch is answered in about 12 ms here; leave the whole run time enough.
    r = wine(WINTOOL, "send-many", b.hwnd, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK, SWITCHES + 1, check=False,
             timeout=60 + SWITCHES // 20)
    assert r.returncode == 0, r.stdout
    elapsed_ms = int(r.stdout.strip())
    assert reg_query(DESKTOP, "ScreenSaveActive") == ("REG_SZ", "1")
    wait_for(lambda: tray_colour() == "green", what="the green icon")
    # Still responsive: one more switch is answered and takes effect at once.
    assert wintool("send-many", b.hwnd, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK, 1).returncode == 0
    assert reg_query(DESKTOP, "ScreenSaveActive") == ("REG_SZ", "0")
    print(f"{SWITCHES + 1} switches in {elapsed_ms} ms")
