#pragma once
// The small form layer: a window built from its layout table, controls reached by name, events
// dispatched to named member handlers, and show / hide / modal show / unload.
#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dpi.h"
#include "platform/Fatal.h"
#include "ui/Layout.h"

class Form;

inline constexpr char kFormClass[] = "BLIMOForm";  // the window class of every form

// One event route: a control or menu item name and the handler its click runs.
struct Route {
    const char* source;
    void (*fire)(Form&);
};

template <class T>
struct HandlerOwner;
template <class C>
struct HandlerOwner<void (C::*)()> {
    using type = C;
};

template <auto Handler>
void FireHandler(Form& form) {
    using Owner = typename HandlerOwner<decltype(Handler)>::type;
    (static_cast<Owner&>(form).*Handler)();
}

// `On<&frmOptions::cmdOK_Click>("cmdOK")`: one line per handler.
template <auto Handler>
constexpr Route On(const char* source) {
    return {source, &FireHandler<Handler>};
}

template <size_t N>
constexpr bool RoutesMatch(const FormDef& def, const Route (&routes)[N]) {
    for (const Route& r : routes)
        if (!HasSource(def, r.source)) return false;
    return true;
}

class Form {
public:
    // A window that starts hidden and may never be shown can leave its controls (and their fonts),
    // its menu bar's place and its title-bar icon until they are first needed: shown, or asked for
    // by name. Its menu and icon exist all along (Menu(), WM_GETICON).
    enum class Controls { WithWindow, WhenNeeded };
    Form(const FormDef& def, std::span<const Route> routes, Controls when = Controls::WithWindow);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void Load();       // create the window (and its controls, unless WhenNeeded), then run Form_Load
    void Show();       // load if needed; centred on the screen the first time
    void Hide();
    void ShowModal();  // owner-less: the program's other windows wait until this one unloads
    void Unload();     // destroy; the next Load builds the window afresh

    bool Loaded() const { return hwnd_ != nullptr; }
    bool Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }
    HWND Hwnd() const { return hwnd_; }
    HWND Item(std::string_view name) const;  // nullptr when not loaded or no such control
    HMENU Menu() const { return menu_; }  // the menu bar, made with the window (shown with the controls)

    std::wstring Text(std::string_view name) const;
    void SetText(std::string_view name, std::wstring_view text);
    bool Enabled(std::string_view name) const;
    void SetEnabled(std::string_view name, bool enabled);
    bool Checked(std::string_view name) const;
    void SetChecked(std::string_view name, bool checked);
    HBITMAP Picture(std::string_view name) const;  // the bitmap an image control holds (or will)
    int Minutes(std::string_view name) const;  // a time picker's hours and minutes, as minutes after midnight
    void SetMinutes(std::string_view name, int minutes);

    void SetIcon(HICON icon);
    HICON Icon() const { return icon_; }

    // Twips per pixel of the screen, as whole numbers (15 at 96 dots per inch).
    static int TwipsPerPixelX();
    static int TwipsPerPixelY();
    int ToPixels(int twips) const;  // at the window's own DPI: its monitor's

    // Raise the click event of a control or menu item, as the user's click would.
    void Click(std::string_view source);

protected:
    virtual void Form_Load() {}
    // Right after the controls are made: with the window, or when first needed.
    virtual void Controls_Load() {}
    virtual void Form_MouseMove(short /*button*/, short /*shift*/, float /*x*/, float /*y*/) {}
    // Closing from the title bar or system menu: true unloads (the default), false keeps it.
    virtual bool QueryClose() { return true; }
    // Messages a window handles beyond the layer's own; return true when handled.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }

private:
    static constexpr int kControlBase = 100;  // control ids; 1 and 2 stay free for IDOK and IDCANCEL
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void CreateControls();
    void EnsureControls() const;
    void SendIcon();
    HBITMAP BitmapFor(size_t row) const;
    void CreateMenuBar();
    HFONT FontFor(const FontDef& font);
    SIZE FrameSize(UINT dpi, DWORD style, DWORD exStyle) const;
    void FitToDpi(UINT dpi, const RECT* suggested);
    int IndexOf(std::string_view name) const;
    const char* SourceOf(int id) const;
    void Fire(const char* source);
    void Centre();
    void FocusControl();
    void ReleaseResources();

    const FormDef& def_;
    std::span<const Route> routes_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;  // what the window is laid out for
    HICON icon_ = nullptr;
    bool shownOnce_ = false;
    Controls when_;
    bool modal_ = false;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was deactivated
    HMENU menu_ = nullptr;
    HICON iconSent_ = nullptr;  // the icon the window was last given with WM_SETICON
    std::vector<HWND> items_;  // by row of the control table
    std::vector<std::pair<FontDef, HFONT>> fonts_;
    mutable std::vector<HBITMAP> bitmaps_;  // by row of the control table, loaded on first use
};

// The message loop, shared by the program's main loop and every modal show: keyboard messages of a
// form go through IsDialogMessage (Tab, access keys, Enter, space). Returns when `modal` (if given)
// has unloaded, or when the thread's WM_QUIT arrives (the quit message is left for the outer loop).
int RunMessageLoop(const Form* modal = nullptr);

