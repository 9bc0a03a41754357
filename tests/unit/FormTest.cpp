// The form layer on a real test window: where the controls land, the tab order, event dispatch,
// modal show and reloading.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "ui/Form.h"

namespace {

constexpr FontDef kBig = {"MS Sans Serif", 1200, true, false};

// clang-format off
constexpr ControlDef kTestControls[] = {
    {"cmdLast",  ControlKind::Button,   L"&Last",   3000, 1500, 1200, 450, 2},
    {"lblNote",  ControlKind::Label,    L"Note",       0,    0, 4500, 375, 3, kBig, TextAlign::Center},
    {"cmdFirst", ControlKind::Button,   L"&First",   150, 1500, 1215, 495, 0},
    {"chkBox",   ControlKind::CheckBox, L"&Box",     150,  600, 4000, 300, 1},
    {"imgPic",   ControlKind::Image,    nullptr,    4200,  120,  240, 240, kNoTabIndex, {}, TextAlign::Left, 201},
};
// clang-format on
constexpr FormDef kTestLayout = {L"Form layer test", 4800, 2100, kTestControls};

class TestForm : public Form {
public:
    TestForm();
    void Form_Load() override { ++loads; }
    void cmdFirst_Click() { ++firstClicks; }
    void cmdLast_Click() { Unload(); }
    int loads = 0, firstClicks = 0;
};

constexpr Route kTestRoutes[] = {On<&TestForm::cmdFirst_Click>("cmdFirst"), On<&TestForm::cmdLast_Click>("cmdLast")};
static_assert(RoutesMatch(kTestLayout, kTestRoutes));
static_assert(!HasSource(kTestLayout, "cmdMissing"));

TestForm::TestForm() : Form(kTestLayout, kTestRoutes) {}

// RunMessageLoop leaves the quit message for an outer loop: take it away again.
void DrainQuit() {
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

RECT ClientRectOf(HWND item) {
    RECT r;
    GetWindowRect(item, &r);
    MapWindowPoints(nullptr, GetParent(item), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(FormLayer, ControlsLandAtTheirTwipRectanglesAndTabInTheirOrder) {
    ASSERT_EQ(Form::TwipsPerPixelX(), 15) << "these rectangles are for 96 dots per inch";
    TestForm form;
    form.Load();
    RECT client;
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(client.right, 320);   // 4800 twips
    EXPECT_EQ(client.bottom, 140);  // 2100 twips
    struct {
        const char* name;
        RECT px;
    } expected[] = {{"cmdLast", {200, 100, 280, 130}}, {"lblNote", {0, 0, 300, 25}},
                    {"cmdFirst", {10, 100, 91, 133}},  {"chkBox", {10, 40, 277, 60}}};
    for (const auto& e : expected) {
        RECT r = ClientRectOf(form.Item(e.name));
        EXPECT_EQ(r.left, e.px.left) << e.name;
        EXPECT_EQ(r.top, e.px.top) << e.name;
        EXPECT_EQ(r.right, e.px.right) << e.name;
        EXPECT_EQ(r.bottom, e.px.bottom) << e.name;
    }
    EXPECT_NE(form.Picture("imgPic"), nullptr);
    EXPECT_EQ(form.Item("cmdMissing"), nullptr);

    // Tab walks the tab index, labels and images are skipped, and it wraps around.
    std::vector<HWND> order;
    HWND at = GetNextDlgTabItem(form.Hwnd(), nullptr, FALSE);
    for (int i = 0; i < 4; ++i, at = GetNextDlgTabItem(form.Hwnd(), at, FALSE)) order.push_back(at);
    EXPECT_EQ(order, (std::vector<HWND>{form.Item("cmdFirst"), form.Item("chkBox"), form.Item("cmdLast"),
                                         form.Item("cmdFirst")}));
}

TEST(FormLayer, AClickReachesItsHandlerOnce) {
    TestForm form;
    form.Load();
    SendMessageA(form.Item("cmdFirst"), BM_CLICK, 0, 0);
    EXPECT_EQ(form.firstClicks, 1);
    SendMessageA(form.Item("chkBox"), BM_CLICK, 0, 0);  // a box without a handler only toggles
    EXPECT_TRUE(form.Checked("chkBox"));
    EXPECT_EQ(form.firstClicks, 1);
    form.Click("cmdFirst");
    EXPECT_EQ(form.firstClicks, 2);
}

TEST(FormLayer, TheKeyboardWorksAsInADialog) {
    TestForm form;
    form.Show();
    ASSERT_EQ(GetFocus(), form.Item("cmdFirst"));
    // Keys go through the program's own loop: post them, then let the loop run until a quit.
    auto press = [](HWND to, UINT msg, WPARAM vk, LPARAM lp = 0) { PostMessageA(to, msg, vk, lp); };
    press(GetFocus(), WM_KEYDOWN, VK_TAB);
    PostQuitMessage(0);
    RunMessageLoop();
    DrainQuit();
    EXPECT_EQ(GetFocus(), form.Item("chkBox"));
    press(GetFocus(), WM_CHAR, ' ');
    press(GetFocus(), WM_KEYDOWN, VK_SPACE);
    press(GetFocus(), WM_KEYUP, VK_SPACE);
    press(form.Hwnd(), WM_SYSCHAR, 'f', 1 << 29);  // Alt+F: the access key of "&First"
    PostQuitMessage(0);
    RunMessageLoop();
    DrainQuit();
    EXPECT_TRUE(form.Checked("chkBox"));
    EXPECT_EQ(form.firstClicks, 1);
    SetFocus(form.Item("cmdFirst"));
    press(GetFocus(), WM_KEYDOWN, VK_RETURN);  // Enter presses the focused button
    PostQuitMessage(0);
    RunMessageLoop();
    DrainQuit();
    EXPECT_EQ(form.firstClicks, 2);
}

TestForm* modal = nullptr;
HWND otherWindow = nullptr;
bool enabledDuringModal = true;

void CALLBACK UnloadLater(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    enabledDuringModal = IsWindowEnabled(otherWindow);
    modal->Click("cmdLast");  // unloads
}

TEST(FormLayer, ModalShowReturnsOnlyAfterUnloadAndTheNextLoadIsFresh) {
    TestForm form;
    HWND other = CreateWindowExA(0, "STATIC", "another window", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    modal = &form;
    otherWindow = other;
    SetTimer(nullptr, 0, 300, UnloadLater);
    DWORD t0 = GetTickCount();
    form.ShowModal();
    EXPECT_GE(GetTickCount() - t0, 250u);
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(enabledDuringModal) << "the program's other windows must wait";
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_EQ(form.loads, 1);
    form.Load();
    EXPECT_EQ(form.loads, 2);
    EXPECT_FALSE(form.Checked("chkBox"));
    DestroyWindow(other);
}

}  // namespace
