// Every window at the screen's dots per inch: the client area and each control at its designed
// twips, each font at its points, and no text cut that fits at 96 DPI. `unit` runs it at 96 DPI,
// `high_dpi` on a screen of 144.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Support.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Text.h"
#include "res/frmMainLayout.h"
#include "res/frmOptionsLayout.h"
#include "res/frmUpdateLayout.h"
#include "update/frmUpdate.h"

namespace {

// Whether a control's text needs no more room than width x height in the given font.
bool Fits(HWND control, HFONT font, int width, int height, ControlKind kind) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    if (kind == ControlKind::CheckBox) width -= 2 * GetSystemMetrics(SM_CXMENUCHECK);  // the box and its gap
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    RECT need = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | (kind == ControlKind::Button ? 0 : DT_NOPREFIX));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return !text[0] || (need.right <= width && need.bottom <= height);
}

TEST(Layout, WindowsGrowWithTheirFontsAndCutNoText) {
    const int dpi = ScreenDpi(LOGPIXELSX);
    ASSERT_EQ(dpi, getenv("BLIMO_EXPECT_DPI") ? atoi(getenv("BLIMO_EXPECT_DPI")) : 96);
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    Recorder rec;  // no real tray icon from this process
    frmMain main;
    const std::pair<Form*, const FormDef*> windows[] = {
        {&main, &kMainLayout}, {&frmOptions::Instance(), &kOptionsLayout}, {&frmUpdate::Instance(), &kUpdateLayout}};
    for (auto [form, def] : windows) {
        SCOPED_TRACE(Ansi(def->caption));
        form->Load();
        RECT client;
        GetClientRect(form->Hwnd(), &client);
        EXPECT_EQ(std::tuple(client.right, client.bottom), std::tuple(px(def->clientWidth), px(def->clientHeight)));
        for (const ControlDef& c : def->controls) {
            SCOPED_TRACE(c.name);
            HWND item = form->Item(c.name);
            ASSERT_NE(item, nullptr);
            if (c.kind == ControlKind::Image || c.kind == ControlKind::UserControl) continue;  // pictures keep their pixels
            RECT r;
            GetWindowRect(item, &r);
            MapWindowPoints(nullptr, form->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(std::tuple(r.left, r.top, r.right - r.left, r.bottom - r.top),
                      std::tuple(px(c.left), px(c.top), px(c.width), px(c.height)));
            auto font = reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0));
            LOGFONTA lf;
            GetObjectA(font, sizeof lf, &lf);
            EXPECT_EQ(lf.lfHeight, -MulDiv(c.font.face ? c.font.hundredthsOfPoint : 800, dpi, 7200));
            lf.lfHeight = MulDiv(lf.lfHeight, 96, dpi);  // the same font at 96 DPI: text it fits must fit here too
            HFONT at96 = CreateFontIndirectA(&lf);
            bool fits96 = Fits(item, at96, MulDiv(c.width, 96, 1440), MulDiv(c.height, 96, 1440), c.kind);
            EXPECT_TRUE(!fits96 || Fits(item, font, px(c.width), px(c.height), c.kind)) << "cut at this DPI only";
            DeleteObject(at96);
        }
        form->Unload();
    }
}

}  // namespace
