// The form at its DPI: pixels from the layout's twips, fonts from its points and the window's frame,
// for the DPI of the monitor the window is on, and all of them again when it moves to another.
#include <utility>

#include "ui/Form.h"

namespace {

constexpr FontDef kDefaultFont = {"MS Sans Serif", 800, false, false};

bool SameFont(const FontDef& a, const FontDef& b) {
    return lstrcmpA(a.face, b.face) == 0 && a.hundredthsOfPoint == b.hundredthsOfPoint && a.bold == b.bold &&
           a.italic == b.italic;
}

}  // namespace

int Form::TwipsPerPixelX() { return 1440 / ScreenDpi(LOGPIXELSX); }
int Form::TwipsPerPixelY() { return 1440 / ScreenDpi(LOGPIXELSY); }
int Form::ToPixels(int twips) const { return MulDiv(twips, static_cast<int>(dpi_), 1440); }

SIZE Form::FrameSize(UINT dpi, DWORD style, DWORD exStyle) const {
    const SIZE client = {MulDiv(def_.clientWidth, static_cast<int>(dpi), 1440),
                         MulDiv(def_.clientHeight, static_cast<int>(dpi), 1440)};
    return WindowSizeForDpi(client, style, exStyle, def_.menu != nullptr, dpi);
}

HFONT Form::FontFor(const FontDef& wanted) {
    const FontDef& f = wanted.face ? wanted : kDefaultFont;
    for (auto& [def, font] : fonts_)
        if (SameFont(def, f)) return font;
    LOGFONTA lf = {};
    lf.lfHeight = -MulDiv(f.hundredthsOfPoint, static_cast<int>(dpi_), 7200);
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.italic;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, f.face, LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    fonts_.emplace_back(f, font);
    return font;
}

// Moved where Windows suggests (on the new monitor), at the size the layout takes there, with every
// control placed and given its font anew; the old fonts go once no control uses them.
void Form::FitToDpi(UINT dpi, const RECT* suggested) {
    dpi_ = dpi;
    RECT at = {};
    GetWindowRect(hwnd_, &at);
    if (suggested) at = *suggested;
    const SIZE size = FrameSize(dpi, GetWindowLongA(hwnd_, GWL_STYLE), GetWindowLongA(hwnd_, GWL_EXSTYLE));
    SetWindowPos(hwnd_, nullptr, at.left, at.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    const std::vector<std::pair<FontDef, HFONT>> old = std::exchange(fonts_, {});
    for (size_t i = 0; i < items_.size(); ++i) {
        const ControlDef& c = def_.controls[i];
        if (!items_[i]) continue;
        SetWindowPos(items_[i], nullptr, ToPixels(c.left), ToPixels(c.top), ToPixels(c.width), ToPixels(c.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(items_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);
    }
    for (const auto& [def, font] : old) DeleteObject(font);
    InvalidateRect(hwnd_, nullptr, TRUE);
}
