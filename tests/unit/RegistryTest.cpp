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

TEST(Registry, EachStoredShapeReadsAsItsTextAndStartUpShowsWhatItMeans) {
    const struct {
        DWORD type;
        std::string bytes, text;  // as stored; as read
        bool off, bubbles;        // what it means as "ScreenSaveActive" and as "Bubbles"
    } shapes[] = {
        {kAbsent, "", "", false, false}, {REG_SZ, "", "", false, false}, {REG_SZ, B("0", 2), "0", true, false},
        {REG_SZ, B("1", 2), "1", false, true}, {REG_SZ, "0", "0", true, false},  // the last without its NUL
        {REG_SZ, B("1\0" "0", 4), "1", false, true}, {REG_SZ, B("\0" "1", 3), "", false, false},
        {REG_SZ, B(" 0", 3), " 0", false, false}, {REG_SZ, B("2", 2), "2", false, true},
        {REG_SZ, B("True", 5), "True", false, true}, {REG_SZ, B("maybe", 6), "maybe", false, false},
        {REG_SZ, std::string(65536, '1') + '\0', std::string(65536, '1'), false, true},
        {REG_SZ, B("\xE9t\xE9", 4), "\xE9t\xE9", false, false}, {REG_DWORD, B("\1\0\0\0", 4), "", false, false},
        {REG_EXPAND_SZ, B("0", 2), "", false, false}, {REG_BINARY, B("0", 2), "", false, false},
        {REG_MULTI_SZ, B("1\0", 3), "", false, false}};
    const Value values[] = {{"Control Panel\\Desktop", "ScreenSaveActive"}, {"Software\\Fenwa Inc\\BLIMO", "Bubbles"},
                            {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "BLIMO"}};
    Recorder rec;
    for (const auto& s : shapes) {
        SCOPED_TRACE(s.text + " of type " + std::to_string(s.type));
        for (const Value& v : values) s.type == kAbsent ? v.Delete() : v.Set(s.type, s.bytes);
        EXPECT_EQ(Ansi(ReadRegString(HKEY_CURRENT_USER, L"Software\\Fenwa Inc\\BLIMO", L"Bubbles")), s.text);
        frmMain main;
        main.Load();
        frmOptions& options = frmOptions::Instance();
        options.Load();
        EXPECT_EQ(std::tuple(main.Icon(), Ansi(main.SaverState), ShowBubbles, options.Checked("chkBubble")),
                  std::tuple(StateIcon(s.off ? IDI_OFF : IDI_ON), s.text, s.bubbles, s.bubbles));
        EXPECT_EQ(std::pair(options.Checked("chkAutoStart"), Recorder::openKeys), std::pair(!s.text.empty(), 0));
        options.Unload();
        EXPECT_EQ(Recorder::Matching("Reg"), std::vector<std::string>{}) << "reading wrote";
    }
}

TEST(Registry, WritesStoreTextWithItsNulAndDeletesCreateNothing) {
    Recorder rec;
    const std::wstring root = L"Software\\BLIMO unit tests";
    const Value nested{"Software\\BLIMO unit tests\\Fenwa Inc\\BLIMO", "Bubbles"}, plain{"Software\\BLIMO unit tests", "v"};
    RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    WriteRegString(HKEY_CURRENT_USER, root + L"\\Fenwa Inc\\BLIMO", L"Bubbles", L"1");  // both keys made on the way
    plain.Set(REG_DWORD, B("\7\0\0\0", 4));
    WriteRegString(HKEY_CURRENT_USER, root, L"v", L"Caf\u00e9");  // another type replaced; ANSI code page text
    EXPECT_EQ(std::tuple(nested.Get(), plain.Get(), ReadRegString(HKEY_CURRENT_USER, root, L"v")),
              std::tuple(Sz("1"), Sz("Caf\xE9"), L"Caf\u00e9"));
    for (int twice = 0; twice < 2; ++twice) DeleteRegValue(HKEY_CURRENT_USER, root, L"v");
    DeleteRegValue(HKEY_CURRENT_USER, root + L"\\not here", L"x");
    HKEY key;
    EXPECT_EQ(std::tuple(plain.Get(), RegOpenKeyW(HKEY_CURRENT_USER, (root + L"\\not here").c_str(), &key),
                         Recorder::openKeys),
              std::tuple(std::nullopt, ERROR_FILE_NOT_FOUND, 0));
    RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
}

}  // namespace
