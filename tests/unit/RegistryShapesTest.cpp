// Every shape the three stored values can take, at start-up and in the Options dialog: the
// program starts, shows the state the value means, and never crashes.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "platform/Text.h"

namespace {

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kSettings[] = "Software\\Fenwa Inc\\BLIMO";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Shape {
    const char* name;
    DWORD type;  // REG_NONE with absent = true: no value at all
    std::string bytes;
    std::string text;  // what reading gives
    bool off;          // as "ScreenSaveActive": exactly "0"
    bool bubbles;      // as "Bubbles"
    bool absent = false;
};

std::string Bytes(const char* s, size_t n) { return std::string(s, n); }
std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

const Shape kShapes[] = {
    {"absent", REG_NONE, "", "", false, false, true},
    {"empty", REG_SZ, "", "", false, false},
    {"only a NUL", REG_SZ, Bytes("\0", 1), "", false, false},
    {"0", REG_SZ, Bytes("0\0", 2), "0", true, false},
    {"1", REG_SZ, Bytes("1\0", 2), "1", false, true},
    {"0 without NUL", REG_SZ, "0", "0", true, false},
    {"1 without NUL", REG_SZ, "1", "1", false, true},
    {"0 NUL junk", REG_SZ, Bytes("0\0junk\0", 7), "0", true, false},
    {"1 NUL 0", REG_SZ, Bytes("1\0" "0\0", 4), "1", false, true},
    {"blank 0", REG_SZ, Bytes(" 0\0", 3), " 0", false, false},
    {"blank 1", REG_SZ, Bytes(" 1\0", 3), " 1", false, true},
    {"0 blank", REG_SZ, Bytes("0 \0", 3), "0 ", false, false},
    {"tab 1 tab", REG_SZ, Bytes("\t1\t\0", 4), "\t1\t", false, true},
    {"1e3", REG_SZ, Bytes("1e3\0", 4), "1e3", false, false},
    {"-0", REG_SZ, Bytes("-0\0", 3), "-0", false, false},
    {"00", REG_SZ, Bytes("00\0", 3), "00", false, false},
    {"0.0", REG_SZ, Bytes("0.0\0", 4), "0.0", false, false},
    {"2", REG_SZ, Bytes("2\0", 2), "2", false, true},
    {"-1", REG_SZ, Bytes("-1\0", 3), "-1", false, true},
    {"+1", REG_SZ, Bytes("+1\0", 3), "+1", false, true},
    {".5", REG_SZ, Bytes(".5\0", 3), ".5", false, true},
    {"1.5.2", REG_SZ, Bytes("1.5.2\0", 6), "1.5.2", false, false},
    {"0x1", REG_SZ, Bytes("0x1\0", 4), "0x1", false, false},
    {"1 0", REG_SZ, Bytes("1 0\0", 4), "1 0", false, false},
    {"TRUE", REG_SZ, Bytes("TRUE\0", 5), "TRUE", false, true},
    {"true blank", REG_SZ, Bytes("true \0", 6), "true ", false, true},
    {"False", REG_SZ, Bytes("False\0", 6), "False", false, false},
    {"Off", REG_SZ, Bytes("Off\0", 4), "Off", false, false},
    {"garbage", REG_SZ, Bytes("garbage\0", 8), "garbage", false, false},
    {"maybe", REG_SZ, Bytes("maybe\0", 6), "maybe", false, false},
    {"blanks", REG_SZ, Bytes("   \0", 4), "   ", false, false},
    {"0 CR LF", REG_SZ, Bytes("0\r\n\0", 4), "0\r\n", false, false},
    {"non-ASCII", REG_SZ, Bytes("\xE9t\xE9\0", 4), "\xE9t\xE9", false, false},
    {"byte-order mark 1", REG_SZ, Bytes("\xEF\xBB\xBF" "1\0", 5), "\xEF\xBB\xBF" "1", false, false},
    {"64 KiB of 1", REG_SZ, std::string(65536, '1') + '\0', std::string(65536, '1'), false, true},
    {"64 KiB of 0", REG_SZ, std::string(65536, '0') + '\0', std::string(65536, '0'), false, false},
    {"DWORD 0", REG_DWORD, Dword(0), "", false, false},
    {"DWORD 1", REG_DWORD, Dword(1), "", false, false},
    {"QWORD 1", REG_QWORD, Dword(1) + Dword(0), "", false, false},
    {"EXPAND_SZ 0", REG_EXPAND_SZ, Bytes("0\0", 2), "", false, false},
    {"EXPAND_SZ 1", REG_EXPAND_SZ, Bytes("1\0", 2), "", false, false},
    {"BINARY 0", REG_BINARY, Bytes("0\0", 2), "", false, false},
    {"MULTI_SZ 0", REG_MULTI_SZ, Bytes("0\0\0", 3), "", false, false},
    {"MULTI_SZ 1", REG_MULTI_SZ, Bytes("1\0\0", 3), "", false, false},
    {"NONE 1", REG_NONE, Bytes("1\0", 2), "", false, false},
};

void Store(const char* key, const char* value, const Shape& s) {
    HKEY k;
    ASSERT_EQ(::RegCreateKeyA(HKEY_CURRENT_USER, key, &k), ERROR_SUCCESS);
    ::RegDeleteValueA(k, value);
    if (!s.absent)
        ::RegSetValueExA(k, value, 0, s.type, reinterpret_cast<const BYTE*>(s.bytes.data()),
                         static_cast<DWORD>(s.bytes.size()));
    ::RegCloseKey(k);
}

TEST(RegistryShapes, StartUpAndOptionsShowWhatEachStoredShapeMeans) {
    ScopedApi api;
    CallLog::Install();  // the tray is recorded; the registry is the real one
    SavedValue saver{kDesktop, "ScreenSaveActive"}, bubbles{kSettings, "Bubbles"}, run{kRun, "BLIMO"};
    const HICON on = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_SHARED));
    ASSERT_GE(std::size(kShapes), 40u);
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(s.name);
        Store(kDesktop, "ScreenSaveActive", s);
        Store(kSettings, "Bubbles", s);
        Store(kRun, "BLIMO", s);
        EXPECT_EQ(Ansi(ReadRegString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"ScreenSaveActive")), s.text);

        frmMain window;
        window.Load();
        EXPECT_EQ(window.Icon() == on, !s.off);
        EXPECT_EQ(Ansi(window.SaverState), s.text);
        EXPECT_EQ(ShowBubbles, s.bubbles);

        frmOptions& options = frmOptions::Instance();
        options.Load();
        EXPECT_EQ(options.Checked("chkAutoStart"), !s.text.empty());
        EXPECT_EQ(options.Checked("chkBubble"), s.bubbles);
        options.Unload();
        EXPECT_EQ(CallLog::openKeys, 0);
    }
}

}  // namespace
