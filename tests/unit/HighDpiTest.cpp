// At 150 % (144 dots per inch) every window grows with its fonts: client areas, controls and font
// heights are 1.5 times their 96-DPI sizes, and no text is cut that fits at 96 DPI. Runs in its
// own process with the screen at 144 DPI (the high_dpi test); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "res/frmMainLayout.h"
#include "res/frmOptionsLayout.h"
#include "res/frmUpdateLayout.h"
#include "platform/Text.h"
#include "update/frmUpdate.h"

namespace {

// Whether a text needs no more room than a box gives, drawn as the control draws it.
bool Fits(HWND control, HFONT font, int width, int height, ControlKind kind) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    if (!text[0]) return true;
    if (kind == ControlKind::CheckBox) width -= 2 * GetSystemMetrics(SM_CXMENUCHECK);  // the box and its gap
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    RECT need = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | (kind == ControlKind::Button ? 0 : DT_NOPREFIX));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return need.right <= width && need.bottom <= height;
}

// The same font as the control's, at 96 dots per inch.
HFONT At96(HFONT font) {
    LOGFONTA lf;
    GetObjectA(font, sizeof lf, &lf);
    lf.lfHeight = MulDiv(lf.lfHeight, 96, 144);
    return CreateFontIndirectA(&lf);
}

void CheckScaled(Form& form, const FormDef& def) {
    SCOPED_TRACE(Ansi(def.caption));
    form.Load();
    RECT client;
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(client.right, MulDiv(def.clientWidth, 144, 1440));
    EXPECT_EQ(client.bottom, MulDiv(def.clientHeight, 144, 1440));
    for (const ControlDef& c : def.controls) {
        SCOPED_TRACE(c.name);
        HWND item = form.Item(c.name);
        ASSERT_NE(item, nullptr);
        if (c.kind == ControlKind::Image || c.kind == ControlKind::UserControl) continue;  // pictures keep their pixels
        RECT r;
        GetWindowRect(item, &r);
        EXPECT_EQ(r.right - r.left, MulDiv(c.width, 144, 1440));
        EXPECT_EQ(r.bottom - r.top, MulDiv(c.height, 144, 1440));
        auto font = reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0));
        LOGFONTA lf;
        GetObjectA(font, sizeof lf, &lf);
        const int hundredths = c.font.face ? c.font.hundredthsOfPoint : 800;
        EXPECT_EQ(lf.lfHeight, -MulDiv(hundredths, 144, 7200));
        HFONT small = At96(font);
        bool fits96 = Fits(item, small, MulDiv(c.width, 96, 1440), MulDiv(c.height, 96, 1440), c.kind);
        DeleteObject(small);
        if (fits96) {
            EXPECT_TRUE(Fits(item, font, r.right - r.left, r.bottom - r.top, c.kind)) << "cut at 144 DPI only";
        }
    }
    form.Unload();
}

TEST(HighDpi, WindowsGrowWithTheirFontsAndCutNoMoreText) {
    if (!getenv("BLIMO_EXPECT_DPI")) GTEST_SKIP() << "run by the high_dpi test, on a screen at 144 DPI";
    ASSERT_EQ(ScreenDpi(LOGPIXELSX), 144);
    ScopedApi api;
    CallLog::Install();  // no real tray icon from this process
    frmMain main;
    CheckScaled(main, kMainLayout);
    CheckScaled(frmOptions::Instance(), kOptionsLayout);
    CheckScaled(frmUpdate::Instance(), kUpdateLayout);
}

}  // namespace
