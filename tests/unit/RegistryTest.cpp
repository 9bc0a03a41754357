// mdlRegStuff against Wine's real registry, in a scratch key per test. Key handles are counted
// through the seam: every key the routines open must be closed before they return.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "services/mdlRegStuff.h"
#include "platform/Text.h"

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { CallLog::Install(); }
    void TearDown() override { EXPECT_EQ(CallLog::openKeys, 0) << "a key handle was left open"; }

    void RawSet(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY k = scratch.Open();
        ASSERT_EQ(::RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        ::RegCloseKey(k);
    }
    // (type, bytes) as stored, read without the code under test.
    std::pair<DWORD, std::string> Raw(const std::wstring& key, const char* name) {
        HKEY k;
        if (::RegOpenKeyW(HKEY_CURRENT_USER, key.c_str(), &k) != ERROR_SUCCESS) return {0xdeadbeef, ""};
        DWORD type = 0xdeadbeef, size = 0;
        if (::RegQueryValueExA(k, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            ::RegCloseKey(k);
            return {0, "(absent)"};
        }
        std::string bytes(size, '\x55');
        ::RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        ::RegCloseKey(k);
        return {type, bytes.substr(0, size)};
    }
    bool KeyExists(const std::wstring& key) {
        HKEY k;
        if (::RegOpenKeyW(HKEY_CURRENT_USER, key.c_str(), &k) != ERROR_SUCCESS) return false;
        ::RegCloseKey(k);
        return true;
    }

    ScopedApi api;
    ScratchKey scratch;
};

TEST_F(Registry, ValuesThatAreNotTextReadEmpty) {
    const DWORD dword = 1;
    RawSet("dword", REG_DWORD, &dword, sizeof dword);
    RawSet("expand", REG_EXPAND_SZ, "%TEMP%", 7);
    RawSet("binary", REG_BINARY, "1", 2);
    RawSet("empty", REG_SZ, "", 0);
    struct {
        const wchar_t* key;
        const wchar_t* value;
    } cases[] = {{L"no such key", L"x"}, {nullptr, L"no such value"}, {nullptr, L"dword"},
                 {nullptr, L"expand"}, {nullptr, L"binary"},           {nullptr, L"empty"}};
    for (const auto& c : cases) {
        std::wstring key = c.key ? scratch.path + L"\\" + c.key : scratch.path;
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, c.value), L"") << Ansi(c.value);
        EXPECT_EQ(CallLog::openKeys, 0) << Ansi(c.value);
    }
}

TEST_F(Registry, TextReadsUpToItsFirstNulOrWhole) {
    RawSet("plain", REG_SZ, "1", 2);
    RawSet("unterminated", REG_SZ, "abc", 3);     // stored without its NUL: every byte comes back
    RawSet("inner nul", REG_SZ, "ab\0cd", 6);     // a NUL inside cuts the text there
    RawSet("leading nul", REG_SZ, "\0abc", 5);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, scratch.path, L"plain"), L"1");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, scratch.path, L"unterminated"), L"abc");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, scratch.path, L"inner nul"), L"ab");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, scratch.path, L"leading nul"), L"");
}

TEST_F(Registry, WriteCreatesMissingKeysAndStoresAnsiTextWithItsNul) {
    std::wstring deep = scratch.path + L"\\Fenwa Inc\\BLIMO";
    WriteRegString(HKEY_CURRENT_USER, deep, L"Bubbles", L"1");
    EXPECT_EQ(CallLog::openKeys, 0);
    auto [type, bytes] = Raw(deep, "Bubbles");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string("1\0", 2));  // two bytes: "1" and its NUL

    // Non-ASCII text is stored in the ANSI code page and survives the round trip.
    const std::wstring text = L"Caf\u00e9 \u00bd \u00fc";
    WriteRegString(HKEY_CURRENT_USER, deep, L"text", text);
    EXPECT_EQ(Raw(deep, "text").second, Ansi(text) + '\0');
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, deep, L"text"), text);
}

TEST_F(Registry, WriteReplacesAValueOfAnotherType) {
    const DWORD dword = 7;
    RawSet("v", REG_DWORD, &dword, sizeof dword);
    WriteRegString(HKEY_CURRENT_USER, scratch.path, L"v", L"0");
    EXPECT_EQ(Raw(scratch.path, "v"), std::make_pair(static_cast<DWORD>(REG_SZ), std::string("0\0", 2)));
}

TEST_F(Registry, DeleteRemovesTheValueAndNeverCreatesAKey) {
    RawSet("gone", REG_SZ, "x", 2);
    RawSet("kept", REG_SZ, "y", 2);
    DeleteRegValue(HKEY_CURRENT_USER, scratch.path, L"gone");
    EXPECT_EQ(Raw(scratch.path, "gone").second, "(absent)");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, scratch.path, L"kept"), L"y");

    DeleteRegValue(HKEY_CURRENT_USER, scratch.path, L"never there");
    std::wstring missing = scratch.path + L"\\not here";
    DeleteRegValue(HKEY_CURRENT_USER, missing, L"x");
    EXPECT_FALSE(KeyExists(missing));
    EXPECT_EQ(CallLog::openKeys, 0);
}

}  // namespace
