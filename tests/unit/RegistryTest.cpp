// The registry module against Wine's real registry, and everything that reads a stored value:
// each shape a value can take reads as its text (or as nothing), start-up and Options show what
// it means and write nothing; writes store REG_SZ text with its NUL; no key handle stays open.
#include <gtest/gtest.h>

#include "Support.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Text.h"
#include "services/mdlRegStuff.h"

namespace {

std::string B(const char* s, size_t n) { return {s, n}; }
constexpr DWORD kAbsent = 0xdeadbeef;

struct Shape {
    const char* name;
    DWORD type;
    std::string bytes, text;  // as stored; as read
    bool off, bubbles;        // what it means as "ScreenSaveActive" and as "Bubbles"
};
const Shape kShapes[] = {
    {"absent", kAbsent, "", "", false, false},
    {"empty", REG_SZ, "", "", false, false},
    {"0", REG_SZ, Sz("0"), "0", true, false},
    {"1", REG_SZ, Sz("1"), "1", false, true},
    {"0 without its NUL", REG_SZ, "0", "0", true, false},
    {"1 NUL 0", REG_SZ, B("1\0" "0", 4), "1", false, true},
    {"NUL 1", REG_SZ, B("\0" "1", 3), "", false, false},
    {"blank 0", REG_SZ, Sz(" 0"), " 0", false, false},
    {"2", REG_SZ, Sz("2"), "2", false, true},
    {"True", REG_SZ, Sz("True"), "True", false, true},
    {"maybe", REG_SZ, Sz("maybe"), "maybe", false, false},
    {"64 KiB", REG_SZ, std::string(65536, '1') + '\0', std::string(65536, '1'), false, true},
    {"non-ASCII", REG_SZ, Sz("\xE9t\xE9"), "\xE9t\xE9", false, false},
    {"DWORD 1", REG_DWORD, B("\1\0\0\0", 4), "", false, false},
    {"EXPAND_SZ 0", REG_EXPAND_SZ, Sz("0"), "", false, false},
    {"BINARY 0", REG_BINARY, Sz("0"), "", false, false},
    {"MULTI_SZ 1", REG_MULTI_SZ, B("1\0", 3), "", false, false},
};

TEST(Registry, EachStoredShapeReadsAsItsTextAndStartUpShowsWhatItMeans) {
    Recorder rec;
    const Value saver{"Control Panel\\Desktop", "ScreenSaveActive"}, bubbles{"Software\\Fenwa Inc\\BLIMO", "Bubbles"},
        run{"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "BLIMO"};
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(s.name);
        for (const Value* v : {&saver, &bubbles, &run}) s.type == kAbsent ? v->Delete() : v->Set(s.type, s.bytes);
        EXPECT_EQ(Ansi(ReadRegString(HKEY_CURRENT_USER, L"Software\\Fenwa Inc\\BLIMO", L"Bubbles")), s.text);
        frmMain main;
        main.Load();
        EXPECT_EQ(main.Icon(), StateIcon(s.off ? IDI_OFF : IDI_ON));
        EXPECT_EQ(Ansi(main.SaverState), s.text);
        EXPECT_EQ(ShowBubbles, s.bubbles);
        frmOptions& options = frmOptions::Instance();
        options.Load();
        EXPECT_EQ(options.Checked("chkAutoStart"), !s.text.empty());
        EXPECT_EQ(options.Checked("chkBubble"), s.bubbles);
        options.Unload();
        EXPECT_EQ(Recorder::openKeys, 0);
        EXPECT_EQ(Recorder::Matching("Reg"), std::vector<std::string>{}) << "reading wrote";
    }
}

TEST(Registry, WritesStoreTextWithItsNulAndDeletesCreateNothing) {
    Recorder rec;
    const std::wstring root = L"Software\\BLIMO unit tests";
    const Value nested{"Software\\BLIMO unit tests\\Fenwa Inc\\BLIMO", "Bubbles"}, plain{"Software\\BLIMO unit tests", "v"};
    WriteRegString(HKEY_CURRENT_USER, root + L"\\Fenwa Inc\\BLIMO", L"Bubbles", L"1");  // both keys made on the way
    plain.Set(REG_DWORD, B("\7\0\0\0", 4));
    WriteRegString(HKEY_CURRENT_USER, root, L"v", L"Caf\u00e9");  // another type replaced; ANSI code page text
    EXPECT_EQ(std::tuple(nested.Get(), plain.Get(), ReadRegString(HKEY_CURRENT_USER, root, L"v")),
              std::tuple(std::pair(DWORD{REG_SZ}, Sz("1")), std::pair(DWORD{REG_SZ}, Sz("Caf\xE9")), L"Caf\u00e9"));
    for (int twice = 0; twice < 2; ++twice) DeleteRegValue(HKEY_CURRENT_USER, root, L"v");
    DeleteRegValue(HKEY_CURRENT_USER, root + L"\\not here", L"x");
    HKEY key;
    EXPECT_EQ(std::tuple(plain.Get().has_value(), RegOpenKeyW(HKEY_CURRENT_USER, (root + L"\\not here").c_str(), &key),
                         Recorder::openKeys),
              std::tuple(false, ERROR_FILE_NOT_FOUND, 0));
    RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
}

}  // namespace
