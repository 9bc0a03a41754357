#pragma once
// The Check for Updates dialog.
#include "ui/Layout.h"

inline constexpr FontDef kUpdatesTitleFont = {"MS Sans Serif", 1350, true, false};

// clang-format off
inline constexpr ControlDef kUpdateControls[] = {
    // name          kind                       caption                    left  top   width height tab  font
    {"cmdCheck",    ControlKind::Button,      L"&Check",                  840, 1920, 1215, 495, 0},
    {"cmdCancel",   ControlKind::Button,      L"C&ancel",                2520, 1920, 1215, 495, 1},
    {"lblUpdates",  ControlKind::Label,       L"Check for Updates...",      0,    0, 4695, 375, 2, kUpdatesTitleFont, TextAlign::Center},
    {"lblYVLabel",  ControlKind::Label,       L"Your Version:",          1320,  600,  945, 195, 3},
    {"lblSVLabel",  ControlKind::Label,       L"Server Version:",        1200, 1080, 1080, 195, 4},
    {"lblYV",       ControlKind::Label,       L"",                       2400,  600,  975, 255, 5},
    {"lblSV",       ControlKind::Label,       L"",                       2400, 1080,  975, 255, 6},
    {"lblInfo",     ControlKind::Label,       L"",                        840, 1560, 2895, 255, 7},
    {"Downloader1", ControlKind::UserControl, L"BLIMO.Downloader",       4080, 1920,  480, 480, kNoTabIndex},
};
// clang-format on

inline constexpr FormDef kUpdateLayout = {L"Check for Updates", 4680, 2475, kUpdateControls, nullptr, "cmdCheck", "cmdCancel", true};
