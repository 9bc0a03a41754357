#pragma once
// The Options dialog: the hotkey below the controls it was designed with (60 twips wider than the client area), and
// below them the automatic Offs, in the window's default font.
#include "ui/Layout.h"

inline constexpr FontDef kOptionsTitleFont = {"MS Sans Serif", 2400, true, false};
inline constexpr FontDef kOptionsBoxFont = {"MS Sans Serif", 1200, false, false};

// clang-format off
inline constexpr ControlDef kOptionsControls[] = {
    // name           kind                    caption                                                   left  top   width height tab font
    {"lblTitle",     ControlKind::Label,    L"BLIMO Options",                                             0,    0, 6015, 495, 4, kOptionsTitleFont, TextAlign::Center},
    {"chkAutoStart", ControlKind::CheckBox, L"Automatically start when Windows starts.",                  0,  720, 6015, 495, 2, kOptionsBoxFont},
    {"chkBubble",    ControlKind::CheckBox, L"Display info bubble when changing screensaver status.",     0, 1440, 6015, 495, 3, kOptionsBoxFont},
    {"cmdOK",        ControlKind::Button,   L"&OK",                                                    1080, 2160, 1215, 495, 0},
    {"cmdCancel",    ControlKind::Button,   L"&Cancel",                                                3600, 2160, 1215, 495, 1},
    {"lblHotkey",    ControlKind::Label,    L"&Hotkey",                                                     0, 2925, 1080, 300, 5, kOptionsBoxFont},
    {"hkyHotkey",    ControlKind::Hotkey,   nullptr,                                                     1080, 2880, 2880, 375, 6, kOptionsBoxFont},
    {"lblNote",      ControlKind::Label,    L"",                                                            0, 3375, 5955, 600, 7, kOptionsBoxFont},
    {"fraAuto",      ControlKind::Frame,    L"Keep the screensaver off automatically",                  120, 4035, 5715, 2610, 8},
    {"lblPrograms",  ControlKind::Label,    L"Keep the screensaver off while any of these &programs runs:", 240, 4320, 5475, 225, 9},
    {"txtPrograms",  ControlKind::Edit,     nullptr,                                                    240, 4560, 4260, 315, 10},
    {"cmdAdd",       ControlKind::Button,   L"&Add\u2026",                                             4620, 4560, 1095, 315, 11},
    {"lblPolicy",    ControlKind::Label,    L"",                                                        240, 4905, 5475, 225, 12},
    {"chkHours",     ControlKind::CheckBox, L"On these &days, from",                                    240, 5175, 1860, 315, 13},
    {"dtpFrom",      ControlKind::Time,     nullptr,                                                   2160, 5175, 1050, 315, 14},
    {"lblTo",        ControlKind::Label,    L"&to",                                                    3300, 5220,  300, 225, 15},
    {"dtpTo",        ControlKind::Time,     nullptr,                                                   3660, 5175, 1050, 315, 16},
    {"chkDay1",      ControlKind::CheckBox, L"Mon",                                                     480, 5550,  705, 255, 17},
    {"chkDay2",      ControlKind::CheckBox, L"Tue",                                                    1215, 5550,  705, 255, 18},
    {"chkDay3",      ControlKind::CheckBox, L"Wed",                                                    1950, 5550,  705, 255, 19},
    {"chkDay4",      ControlKind::CheckBox, L"Thu",                                                    2685, 5550,  705, 255, 20},
    {"chkDay5",      ControlKind::CheckBox, L"Fri",                                                    3420, 5550,  705, 255, 21},
    {"chkDay6",      ControlKind::CheckBox, L"Sat",                                                    4155, 5550,  705, 255, 22},
    {"chkDay7",      ControlKind::CheckBox, L"Sun",                                                    4890, 5550,  705, 255, 23},
    {"chkPluggedIn", ControlKind::CheckBox, L"Only while plugged &in",                                  240, 5880, 5475, 255, 24},
    {"chkBattery",   ControlKind::CheckBox, L"End an Off &below",                                       240, 6210, 1620, 315, 25},
    {"txtBattery",   ControlKind::Number,   nullptr,                                                   1920, 6210,  495, 315, 26},
    {"lblBattery",   ControlKind::Label,    L"% battery",                                              2475, 6255, 1200, 225, 27},
};
// clang-format on

inline constexpr FormDef kOptionsLayout = {L"Options", 5955, 6765, kOptionsControls, nullptr, "cmdOK", "cmdCancel", true};
