#pragma once
// The main window: the "About BLIMO" window and the owner of the tray icon and its menu.
#include "res/resource.h"
#include "ui/Layout.h"

inline constexpr FontDef kTitleFont = {"MS Sans Serif", 1800, true, false};
inline constexpr FontDef kVersionFont = {"MS Sans Serif", 1350, false, false};
inline constexpr FontDef kCopyrightFont = {"MS Sans Serif", 975, true, false};
inline constexpr FontDef kSubTitleFont = {"MS Sans Serif", 975, false, true};

// clang-format off
inline constexpr ControlDef kMainControls[] = {
    // name           kind                  caption                 left  top   width height tab  font            align              bitmap
    {"cmdUpdate",    ControlKind::Button, L"&Update",               120, 2280, 1095, 315,  7},
    {"cmdHomePage",  ControlKind::Button, L"Home &Page",            120, 1920, 1095, 315,  1},
    {"cmdHelp",      ControlKind::Button, L"&Help",                3840, 2040, 1095, 315,  2},
    {"cmdOK",        ControlKind::Button, L"&OK",                  1920, 1920, 1215, 495,  0},
    {"imgBLIMO2",    ControlKind::Image,  nullptr,                 3360,  120,  240, 240, kNoTabIndex, {}, TextAlign::Left, IDB_RED},
    {"imgBLIMO1",    ControlKind::Image,  nullptr,                 1440,  120,  240, 240, kNoTabIndex, {}, TextAlign::Left, IDB_GREEN},
    {"lblVersion",   ControlKind::Label,  L"Version",                 0,  960, 5055, 375,  6, kVersionFont,   TextAlign::Center},
    {"lblCopyright", ControlKind::Label,  L"Copyright \u00A9 2026 Fenwa Inc.",
                                                                      0, 1440, 5055, 255,  5, kCopyrightFont, TextAlign::Center},
    {"lblSubTitle",  ControlKind::Label,  L"ScreenSaver On/Off",      0,  480, 5055, 255,  4, kSubTitleFont,  TextAlign::Center},
    {"lblTitle",     ControlKind::Label,  L"BLIMO",                   0,    0, 5055, 375,  3, kTitleFont,     TextAlign::Center},
};

inline constexpr MenuItemDef kSetItems[] = {
    {"mnuOn",      L"&On"},
    {"mnuOff",     L"O&ff"},
    {"mnuSep",     L"-"},
    {"mnuOptions", L"O&ptions"},
    {"mnuUpdate",  L"&Update"},
    {"mnuAbout",   L"&About"},
    {"mnuExit",    L"E&xit"},
};
// clang-format on

inline constexpr MenuDef kSetMenu = {"mnuSet", L"&Set", kSetItems};

inline constexpr FormDef kMainLayout = {L"About BLIMO", 5055, 2640, kMainControls, &kSetMenu, "cmdOK", "cmdOK"};
