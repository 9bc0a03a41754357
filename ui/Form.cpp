#include "ui/Form.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/Api.h"
#include "platform/ChangeWatch.h"
#include "platform/ProgramWatch.h"
#include "platform/SystemLibrary.h"
#include "platform/Text.h"

namespace {

constexpr int kMenuBase = 1000;    // menu item ids
// Not WS_CLIPCHILDREN: a group box paints only its frame, and what lies inside it is the window's to paint.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

DWORD StyleOf(const FormDef& def) { return def.dialogFrame ? kFormStyle & ~WS_MINIMIZEBOX : kFormStyle; }
DWORD ExStyleOf(const FormDef& def) { return def.dialogFrame ? WS_EX_DLGMODALFRAME : 0; }

void RegisterFormClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
}

Form* FormOf(HWND hwnd) {
    char cls[32] = {};
    if (!hwnd || !GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpA(cls, kFormClass) != 0)
        return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

BOOL CALLBACK CollectEnabled(HWND w, LPARAM list) {
    if (IsWindowEnabled(w)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

}  // namespace

Form::Form(const FormDef& def, std::span<const Route> routes, Controls when)
    : def_(def), routes_(routes), when_(when) {}

Form::~Form() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void Form::Load() {
    if (hwnd_) return;
    RegisterFormClass(&Form::WndProc);
    dpi_ = static_cast<UINT>(ScreenDpi(LOGPIXELSX));  // until the window is on a monitor, which may have its own
    const SIZE size = FrameSize(dpi_, StyleOf(def_), ExStyleOf(def_));
    CreateWindowExA(ExStyleOf(def_), kFormClass, Ansi(def_.caption).c_str(), StyleOf(def_), CW_USEDEFAULT,
                    CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd_) FatalError(Ansi(def_.caption), "The window cannot be created.");
    if (WindowDpi(hwnd_) != dpi_) FitToDpi(WindowDpi(hwnd_), nullptr);
    CreateMenuBar();
    if (when_ == Controls::WithWindow) EnsureControls();
    if (icon_) SetIcon(icon_);
    shownOnce_ = false;
    Form_Load();
}

void Form::CreateMenuBar() {
    if (!def_.menu) return;
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    for (size_t i = 0; i < def_.menu->items.size(); ++i) {
        const MenuItemDef& item = def_.menu->items[i];
        if (std::wstring_view(item.caption) == L"-")
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(popup, MF_STRING, kMenuBase + i, Ansi(item.caption).c_str());
    }
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), Ansi(def_.menu->caption).c_str());
    menu_ = bar;  // attached with the controls: the window was sized for it
}

void Form::EnsureControls() const {
    if (!hwnd_ || !items_.empty()) return;
    auto& self = const_cast<Form&>(*this);  // the controls are part of what the window already is
    if (menu_) SetMenu(hwnd_, menu_);
    self.CreateControls();
    self.Controls_Load();
}

void Form::Centre() {
    RECT wr, work;
    GetWindowRect(hwnd_, &wr);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show() {
    Load();
    EnsureControls();
    SendIcon();
    if (!shownOnce_) {
        Centre();
        shownOnce_ = true;
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    HWND focus = GetFocus();
    if (!focus || !IsChild(hwnd_, focus)) FocusControl();
}

// Activation must not leave the focus on the bare window (where Tab and access keys start from
// nowhere): it goes back to the control that had it, or to the first in tab order.
void Form::FocusControl() {
    HWND target = IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) ? lastFocus_ : nullptr;
    if (!target) target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target) SetFocus(target);
}

void Form::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Form::ShowModal() {
    if (modal_) {
        Show();
        return;
    }
    HWND previous = GetActiveWindow();
    Load();
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    std::erase(disabled, hwnd_);
    for (HWND w : disabled) EnableWindow(w, FALSE);
    modal_ = true;
    Show();
    RunMessageLoop(this);
    modal_ = false;
    for (HWND w : disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    // The window the dialog was opened from takes the keyboard back: it was disabled when the
    // dialog went, so the system could not give it the activation then.
    if (IsWindow(previous) && IsWindowVisible(previous)) SetActiveWindow(previous);
}

void Form::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void Form::ReleaseResources() {
    for (auto& [def, font] : fonts_) DeleteObject(font);
    fonts_.clear();
    for (HBITMAP b : bitmaps_) DeleteObject(b);
    bitmaps_.clear();
    items_.clear();
}

int Form::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < def_.controls.size(); ++i)
        if (name == def_.controls[i].name) return static_cast<int>(i);
    return -1;
}

HWND Form::Item(std::string_view name) const {
    EnsureControls();
    int i = IndexOf(name);
    return i >= 0 && static_cast<size_t>(i) < items_.size() ? items_[i] : nullptr;
}

std::wstring Form::Text(std::string_view name) const {
    HWND item = Item(name);
    if (!item) return {};
    std::string buf(static_cast<size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    int n = GetWindowTextA(item, buf.data(), static_cast<int>(buf.size()));
    return FromAnsi(std::string_view(buf.data(), static_cast<size_t>(n)));
}

void Form::SetText(std::string_view name, std::wstring_view text) {
    if (HWND item = Item(name)) SetWindowTextA(item, Ansi(text).c_str());
}

bool Form::Enabled(std::string_view name) const {
    HWND item = Item(name);
    return item && IsWindowEnabled(item);
}

void Form::SetEnabled(std::string_view name, bool enabled) {
    if (HWND item = Item(name)) EnableWindow(item, enabled);
}

bool Form::Checked(std::string_view name) const {
    HWND item = Item(name);
    return item && SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form::SetChecked(std::string_view name, bool checked) {
    if (HWND item = Item(name)) SendMessageA(item, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

HBITMAP Form::Picture(std::string_view name) const {
    const int i = IndexOf(name);
    return hwnd_ && i >= 0 ? BitmapFor(static_cast<size_t>(i)) : nullptr;  // the control shows this one
}

void Form::SetIcon(HICON icon) {
    icon_ = icon;
    if (Visible() || when_ == Controls::WithWindow) SendIcon();  // a hidden window's title bar waits
}

// Giving the window system an icon is not free (it is converted for the title bar and the task
// switcher): a hidden window answers WM_GETICON from icon_ until it is shown.
void Form::SendIcon() {
    if (!hwnd_ || iconSent_ == icon_) return;
    iconSent_ = icon_;
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

const char* Form::SourceOf(int id) const {
    if (id == IDCANCEL) return def_.cancelButton;  // Escape, as the dialog manager reports it
    if (id >= kMenuBase && def_.menu && static_cast<size_t>(id - kMenuBase) < def_.menu->items.size())
        return def_.menu->items[id - kMenuBase].name;
    if (id >= kControlBase && static_cast<size_t>(id - kControlBase) < def_.controls.size())
        return def_.controls[id - kControlBase].name;
    return nullptr;
}

void Form::Click(std::string_view source) {
    for (const Route& r : routes_)
        if (source == r.source) r.fire(*this);
}

void Form::Fire(const char* source) {
    if (source) Click(source);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        // The Form arrives with the creation parameters; from here on it owns the messages.
        auto* created = reinterpret_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->hwnd_ = hwnd;
    }
    Form* self = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT Form::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (OnMessage(msg, wp, lp, result)) return result;
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED || (lp == 0 && HIWORD(wp) == 0)) Fire(SourceOf(LOWORD(wp)));
            return 0;
        case DM_GETDEFID: {
            // Enter presses the focused button, else the window's default button, as in a dialog.
            HWND focus = GetFocus();
            if (focus && GetParent(focus) == hwnd_ &&
                (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
                return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
            const int button = def_.defaultButton ? IndexOf(def_.defaultButton) : -1;
            return button >= 0 ? MAKELRESULT(kControlBase + button, DC_HASDEFID) : 0;
        }
        case WM_MOUSEMOVE: {
            if (!IsWindowEnabled(hwnd_)) return 0;  // a window behind a modal dialog waits
            short button = (wp & MK_LBUTTON ? 1 : 0) | (wp & MK_RBUTTON ? 2 : 0) | (wp & MK_MBUTTON ? 4 : 0);
            short shift = (wp & MK_SHIFT ? 1 : 0) | (wp & MK_CONTROL ? 2 : 0) |
                          (GetKeyState(VK_MENU) < 0 ? 4 : 0);
            float x = static_cast<float>(static_cast<short>(LOWORD(lp))) * TwipsPerPixelX();
            float y = static_cast<float>(static_cast<short>(HIWORD(lp))) * TwipsPerPixelY();
            Form_MouseMove(button, shift, x, y);
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
                return 0;
            }
            if (HIWORD(wp) || !IsWindowVisible(hwnd_)) break;  // minimized or hidden: the default
            FocusControl();
            return 0;
        case WM_NEXTDLGCTL: {  // as a dialog's: how the dialog manager moves the focus, for a label's access key too
            HWND next = LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd_, GetFocus(), wp != 0);
            if (next) SetFocus(next);
            return 0;
        }
        case WM_CLOSE:
            if (QueryClose()) Unload();
            return 0;
        case WM_GETDPISCALEDSIZE:  // so that the size Windows suggests with WM_DPICHANGED is the layout's own
            *reinterpret_cast<SIZE*>(lp) = FrameSize(static_cast<UINT>(wp), GetWindowLongA(hwnd_, GWL_STYLE), GetWindowLongA(hwnd_, GWL_EXSTYLE));
            return TRUE;
        case WM_DPICHANGED:
            FitToDpi(LOWORD(wp), reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_GETICON:  // every size: the form has one icon
            return reinterpret_cast<LRESULT>(icon_);
        case WM_NCDESTROY:
            if (menu_ && GetMenu(hwnd_) != menu_) DestroyMenu(menu_);  // never attached: ours to free
            menu_ = nullptr;
            iconSent_ = nullptr;
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            lastFocus_ = nullptr;
            ReleaseResources();
            return 0;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

int RunMessageLoop(const Form* modal) {
    MSG m;
    while (!modal || modal->Loaded()) {
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            // Nothing to do: wait for a message or for a watched key, the alarm, a process (which post one).
            HANDLE waits[MAXIMUM_WAIT_OBJECTS - 1];
            const std::span<const HANDLE> watched = WatchHandles(), programs = ProgramHandles();
            std::copy(programs.begin(), programs.end(), std::copy(watched.begin(), watched.end(), waits));
            const DWORD got = MsgWaitForMultipleObjectsEx(static_cast<DWORD>(watched.size() + programs.size()), waits,
                                                          INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) - WAIT_OBJECT_0;
            if (got < watched.size()) WatchSignaled(got);
            if (got >= watched.size() && got < watched.size() + programs.size()) ProgramSignaled(got - watched.size());
            continue;
        }
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));  // for the loops outside this one
            return static_cast<int>(m.wParam);
        }
        bool handled = false;
        if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) {
            HWND root = GetAncestor(m.hwnd, GA_ROOT);
            if (FormOf(root)) handled = IsDialogMessageA(root, &m);
        }
        if (!handled) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return 0;
}
