#pragma once
// The Options dialog, the hotkey below the controls it was designed with (60 twips wider than the client area).
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
    {"lblHotkeyNote", ControlKind::Label,   L"",                                                            0, 3375, 5955, 600, 7, kOptionsBoxFont},
};
// clang-format on

inline constexpr FormDef kOptionsLayout = {L"Options", 5955, 4095, kOptionsControls, nullptr, "cmdOK", "cmdCancel", true};
