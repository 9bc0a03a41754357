// A form's controls made from its layout table: the window classes and styles of each kind, and the values
// of the kinds that hold more than a text or a check.
#include "ui/Form.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>

#include "platform/SystemLibrary.h"
#include "platform/Text.h"

HBITMAP Form::BitmapFor(size_t row) const {
    if (bitmaps_.size() != def_.controls.size()) bitmaps_.assign(def_.controls.size(), nullptr);
    const ControlDef& c = def_.controls[row];
    if (!bitmaps_[row] && c.kind == ControlKind::Image && c.bitmap)
        bitmaps_[row] = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    return bitmaps_[row];
}

void Form::CreateControls() {
    // Creation order is the tab order: the dialog manager walks siblings in z-order.
    std::vector<size_t> order(def_.controls.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        auto key = [](int t) { return t == kNoTabIndex ? 1 << 30 : t; };
        return key(def_.controls[a].tabIndex) < key(def_.controls[b].tabIndex);
    });
    items_.assign(def_.controls.size(), nullptr);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    for (size_t i : order) {
        const ControlDef& c = def_.controls[i];
        const char* cls = "BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE, exStyle = 0;
        std::string caption = Ansi(c.caption ? c.caption : L"");
        const bool isDefault = def_.defaultButton && SameName(c.name, def_.defaultButton);
        switch (c.kind) {
            case ControlKind::Button: style |= (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP; break;
            case ControlKind::CheckBox: style |= BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP; break;
            case ControlKind::Label:
                cls = "STATIC";
                style |= c.align == TextAlign::Center ? SS_CENTER : SS_LEFT;
                break;
            case ControlKind::Image:
                cls = "STATIC";
                style |= SS_BITMAP;
                caption.clear();
                break;
            case ControlKind::UserControl:
                cls = nullptr;
                break;
            case ControlKind::Hotkey:
                LoadCommonControls(ICC_HOTKEY_CLASS);  // without the class, the window shows without the control
                cls = HOTKEY_CLASSA;
                style |= WS_TABSTOP;
                exStyle = WS_EX_CLIENTEDGE;
                caption.clear();
                break;
            case ControlKind::Edit:
            case ControlKind::Number:
                cls = "EDIT";
                style |= ES_AUTOHSCROLL | WS_TABSTOP | (c.kind == ControlKind::Number ? ES_NUMBER | ES_RIGHT : 0);
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Time:
                LoadCommonControls(ICC_DATE_CLASSES);
                cls = DATETIMEPICK_CLASSA;
                style |= DTS_TIMEFORMAT | DTS_UPDOWN | WS_TABSTOP;
                caption.clear();
                break;
            case ControlKind::Frame: style |= BS_GROUPBOX; break;
        }
        std::string userClass = c.kind == ControlKind::UserControl ? caption : std::string();
        HWND item = CreateWindowExA(exStyle, cls ? cls : userClass.c_str(), cls ? caption.c_str() : "",
                                    style, ToPixels(c.left), ToPixels(c.top), ToPixels(c.width),
                                    ToPixels(c.height), hwnd_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlBase + i)),
                                    inst, nullptr);
        items_[i] = item;
        if (!item) continue;
        SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);
        if (HBITMAP bmp = BitmapFor(i)) SendMessageA(item, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
        // Hours and minutes by the 24-hour clock, as the stored forms have them, whatever the user's locale shows.
        if (c.kind == ControlKind::Time) SendMessageA(item, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("HH':'mm"));
    }
}

int Form::Minutes(std::string_view name) const {
    SYSTEMTIME t = {};
    if (HWND item = Item(name); !item || SendMessageA(item, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)) != GDT_VALID)
        return 0;
    return t.wHour * 60 + t.wMinute;
}

void Form::SetMinutes(std::string_view name, int minutes) {
    SYSTEMTIME t = {};
    GetLocalTime(&t);  // a whole date: the control takes no time without one
    t.wHour = static_cast<WORD>(minutes / 60 % 24);
    t.wMinute = static_cast<WORD>(minutes % 60);
    t.wSecond = t.wMilliseconds = 0;
    if (HWND item = Item(name)) SendMessageA(item, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
}

