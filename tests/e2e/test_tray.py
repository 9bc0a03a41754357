"""The tray program as a person uses it: start-up colours, double clicks, the menu, Exit."""
import time

from conftest import DESKTOP, reg_query, reg_set, tray_colour, wait_for


def saver():
    v = reg_query(DESKTOP, "ScreenSaveActive")
    return v[1] if v else None


def test_double_click_switches_and_exit_removes_icon(start):
    b = start()
    assert tray_colour() == "green"
    assert saver() is None  # start-up writes nothing
    b.double_click_icon()
    wait_for(lambda: saver() == "1", what="ScreenSaveActive = 1")
    b.double_click_icon()
    wait_for(lambda: saver() == "0", what="ScreenSaveActive = 0")
    wait_for(lambda: tray_colour() == "red", what="the red icon")
    b.exit()
    assert not b.running()
    wait_for(lambda: tray_colour() is None, what="no icon left")
