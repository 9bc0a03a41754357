#pragma once
// A window's layout as data: caption, client size in twips, and its control table. The tables
// themselves live in res/, one per window, row for row as the window is designed.
#include <cstddef>
#include <span>
#include <string_view>

// Hotkey, Time: the system's hotkey control and its time picker (hours and minutes); Number: an edit box of digits;
// Frame: a group box with a caption.
enum class ControlKind { Button, Label, CheckBox, Image, UserControl, Hotkey, Edit, Number, Time, Frame };
enum class TextAlign { Left, Center };

struct FontDef {
    const char* face = nullptr;  // nullptr: the window's default font
    int hundredthsOfPoint = 0;
    bool bold = false;
    bool italic = false;
};

inline constexpr int kNoTabIndex = -1;

struct ControlDef {
    const char* name;
    ControlKind kind;
    const wchar_t* caption;  // for a user control: its class name
    int left, top, width, height;  // twips
    int tabIndex;                  // kNoTabIndex: not a tab stop
    FontDef font = {};
    TextAlign align = TextAlign::Left;
    int bitmap = 0;  // image controls: the bitmap resource they hold
};

struct MenuItemDef {
    const char* name;
    const wchar_t* caption;  // L"-" is a separator
};

struct MenuDef {
    const char* name;
    const wchar_t* caption;
    std::span<const MenuItemDef> items;
};

struct FormDef {
    const wchar_t* caption;
    int clientWidth, clientHeight;  // twips
    std::span<const ControlDef> controls;
    const MenuDef* menu = nullptr;
    const char* defaultButton = nullptr;  // what Enter presses when the focus is on no button
    const char* cancelButton = nullptr;   // what Escape presses
    bool dialogFrame = false;             // a close box only: no minimize box
};

inline constexpr bool SameName(const char* a, const char* b) {
    return std::string_view(a) == std::string_view(b);
}

// True when `name` is a control or a menu item of the layout: lets each window check its event
// routes at compile time.
inline constexpr bool HasSource(const FormDef& def, const char* name) {
    for (const ControlDef& c : def.controls)
        if (SameName(c.name, name)) return true;
    if (def.menu)
        for (const MenuItemDef& m : def.menu->items)
            if (SameName(m.name, name)) return true;
    return false;
}
