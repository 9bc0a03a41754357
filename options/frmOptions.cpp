#include "options/frmOptions.h"

#include <commctrl.h>

#include "platform/SystemLibrary.h"
#include "res/frmOptionsLayout.h"
#include "services/OffRules.h"
#include "services/Policy.h"
#include "services/SaverSetting.h"
#include "services/Hotkey.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "platform/Text.h"
#include "ui/UserControl.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"BLIMO";

constexpr Route kOptionsRoutes[] = {
    On<&frmOptions::cmdOK_Click>("cmdOK"),
    On<&frmOptions::cmdCancel_Click>("cmdCancel"),
    On<&frmOptions::cmdAdd_Click>("cmdAdd"),
    On<&frmOptions::chkHours_Click>("chkHours"),
    On<&frmOptions::chkBattery_Click>("chkBattery"),
};
static_assert(RoutesMatch(kOptionsLayout, kOptionsRoutes));

// The hotkey control's value (the key in the low byte, HOTKEYF_ modifiers in the high one) and the keys
// RegisterHotKey takes. The control knows no Win key.
HotkeyKeys KeysOf(WORD value) {
    const BYTE flags = HIBYTE(value);
    const unsigned modifiers = (flags & HOTKEYF_CONTROL ? MOD_CONTROL : 0) | (flags & HOTKEYF_ALT ? MOD_ALT : 0) |
                               (flags & HOTKEYF_SHIFT ? MOD_SHIFT : 0);
    return {modifiers, LOBYTE(value)};
}
WORD ValueOf(const HotkeyKeys& keys) {
    const BYTE flags = (keys.modifiers & MOD_CONTROL ? HOTKEYF_CONTROL : 0) | (keys.modifiers & MOD_ALT ? HOTKEYF_ALT : 0) |
                       (keys.modifiers & MOD_SHIFT ? HOTKEYF_SHIFT : 0);
    return MAKEWORD(keys.key, flags);
}

constexpr const wchar_t* kRuleValues[] = {kProgramsValue, kHoursValue, kPluggedInValue, kBatteryFloorValue};
constexpr OffHours kUsualHours = {0x1F, 9 * 60, 17 * 60 + 30};  // what the hours show until there are some
constexpr int kUsualFloor = 20;

std::string DayBox(int day) { return {'c', 'h', 'k', 'D', 'a', 'y', static_cast<char>('1' + day)}; }

std::wstring TakenText(const HotkeyKeys& keys) { return FromAnsi(HotkeyText(keys)) + L" is taken by another program."; }

}  // namespace

frmOptions& frmOptions::Instance() {
    static frmOptions dialog;
    return dialog;
}

frmOptions::frmOptions() : Form(kOptionsLayout, kOptionsRoutes) {}

std::wstring AutoStartCommand() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    // Folder, backslash, the file name without its extension, ".exe".
    size_t slash = path.find_last_of('\\');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (size_t dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
    return L"\"" + FromAnsi(folder) + L"\\" + FromAnsi(name) + L".exe\"";
}

void frmOptions::Form_Load() {
    SetChecked("chkBubble", ShowBubbles);
    SetChecked("chkAutoStart", !ReadRegString(HKEY_CURRENT_USER, kRunKey, kRunValue).empty());
    const std::optional<HotkeyKeys> stored = StoredHotkey();
    shownHotkey_ = stored ? ValueOf(*stored) : 0;
    SendMessageA(Item("hkyHotkey"), HKM_SETHOTKEY, shownHotkey_, 0);
    if (stored && stored != HeldHotkey()) SetText("lblNote", TakenText(*stored));  // since start-up
    LoadRules();
}

void frmOptions::LoadRules() {
    const std::optional<std::wstring> policy = BlimoPolicyText(kProgramsValue);
    SetText("txtPrograms", policy ? *policy : ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kProgramsValue));
    SetEnabled("txtPrograms", !policy);
    SetEnabled("cmdAdd", !policy);
    SetText("lblPolicy", policy ? L"Set by your administrator" : L"");
    const OffRules rules = ReadOffRules();
    const OffHours hours = rules.hours.value_or(kUsualHours);
    SetChecked("chkHours", rules.hours.has_value());
    for (int day = 0; day < 7; ++day) SetChecked(DayBox(day), hours.days >> day & 1);
    SetMinutes("dtpFrom", hours.start);
    SetMinutes("dtpTo", hours.end);
    SetChecked("chkPluggedIn", rules.power.onlyPluggedIn);
    SetChecked("chkBattery", rules.power.batteryFloor.has_value());
    char floor[8];
    wsprintfA(floor, "%d", rules.power.batteryFloor.value_or(kUsualFloor));
    SetText("txtBattery", FromAnsi(floor));
    SendMessageA(Item("txtBattery"), EM_LIMITTEXT, 3, 0);
    chkHours_Click();
    chkBattery_Click();
    shownRules_ = ShownRules().value_or(RuleForms{});
}

// What the days and times mean while the hours are not ticked, and the floor while it is not.
void frmOptions::chkHours_Click() {
    for (int day = 0; day < 7; ++day) SetEnabled(DayBox(day), Checked("chkHours"));
    for (const char* control : {"dtpFrom", "lblTo", "dtpTo"}) SetEnabled(control, Checked("chkHours"));
}

void frmOptions::chkBattery_Click() {
    SetEnabled("txtBattery", Checked("chkBattery"));
    SetEnabled("lblBattery", Checked("chkBattery"));
}

// The program's file name, added to the list unless it is there already.
void frmOptions::cmdAdd_Click() {
    const std::string path = ChooseProgramFile(Hwnd(), "Add a program");
    if (path.empty()) return;
    const std::wstring name = FromAnsi(path.substr(path.find_last_of('\\') + 1));
    std::wstring list(Trimmed(std::wstring_view(Text("txtPrograms"))));
    for (const std::wstring& listed : ProgramList(list))
        if (CompareStringOrdinal(listed.data(), static_cast<int>(listed.size()), name.data(), static_cast<int>(name.size()),
                                 TRUE) == CSTR_EQUAL)
            return;
    if (!list.empty() && list.back() != L';') list += L';';
    SetText("txtPrograms", list + name);
    SetFocus(Item("txtPrograms"));
}

std::nullopt_t frmOptions::Refuse(const char* control, const wchar_t* why) {
    SetText("lblNote", why);
    SetFocus(Item(control));
    return std::nullopt;
}

// The stored forms the controls stand for; nothing when they stand for none, and the dialog says why.
std::optional<frmOptions::RuleForms> frmOptions::ShownRules() {
    RuleForms forms;
    forms[0] = Trimmed(std::wstring_view(Text("txtPrograms")));
    if (Checked("chkHours")) {
        // 00:00 as the end is midnight: "00:00 to 00:00" is the whole day.
        OffHours hours = {0, Minutes("dtpFrom"), Minutes("dtpTo") ? Minutes("dtpTo") : 24 * 60};
        for (int day = 0; day < 7; ++day) hours.days |= static_cast<uint8_t>(Checked(DayBox(day)) << day);
        if (!hours.days || hours.start == hours.end)
            return Refuse("chkHours", L"The hours need at least one day, and an end that is not their start.");
        forms[1] = FromAnsi(HoursText(hours));
    }
    if (Checked("chkPluggedIn")) forms[2] = L"1";
    if (Checked("chkBattery")) {
        forms[3] = Trimmed(std::wstring_view(Text("txtBattery")));
        if (!BatteryFloorRule(Ansi(forms[3]))) return Refuse("txtBattery", L"The battery floor is a charge from 0 to 100 %.");
    }
    return forms;
}

// The hotkey as the control shows it, registered and stored; false when it cannot be, and the dialog says why.
// Left as it was shown, the stored one stays (with a Win key the control cannot show).
bool frmOptions::ApplyHotkey() {
    const WORD value = LOWORD(SendMessageA(Item("hkyHotkey"), HKM_GETHOTKEY, 0, 0));
    if (value == shownHotkey_) return true;
    const std::optional<HotkeyKeys> keys = value ? std::optional(KeysOf(value)) : std::nullopt;
    if (keys && HotkeyText(*keys).empty()) {
        SetText("lblNote", L"A hotkey is Ctrl, Alt or Shift with a letter, a digit or F1 to F24.");
        return false;
    }
    if (const DWORD error = HoldHotkey(keys)) {
        SetText("lblNote", error == ERROR_HOTKEY_ALREADY_REGISTERED ? TakenText(*keys) : SystemErrorText(error));
        return false;
    }
    if (keys)
        WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kHotkeyValue, FromAnsi(HotkeyText(*keys)));
    else
        DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kHotkeyValue);
    return true;
}

void frmOptions::cmdOK_Click() {
    const std::optional<RuleForms> rules = ShownRules();
    if (!rules || !ApplyHotkey()) return;  // the dialog stays open, saying why
    if (Checked("chkAutoStart"))
        WriteRegString(HKEY_CURRENT_USER, kRunKey, kRunValue, AutoStartCommand());
    else
        DeleteRegValue(HKEY_CURRENT_USER, kRunKey, kRunValue);
    if (Checked("chkBubble")) {
        ShowBubbles = true;
        WriteRegString(HKEY_CURRENT_USER, kSettingsKey, L"Bubbles", L"1");
    } else {
        StopTrayBalloons();
        WriteRegString(HKEY_CURRENT_USER, kSettingsKey, L"Bubbles", L"0");
    }
    // A value is written only when its controls changed: one the dialog cannot show (out of form, or the
    // administrator's list) stays as it is.
    for (size_t i = 0; i < rules->size(); ++i) {
        if ((*rules)[i] == shownRules_[i]) continue;
        if ((*rules)[i].empty())
            DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kRuleValues[i]);
        else
            WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kRuleValues[i], (*rules)[i]);
    }
    Unload();
}

void frmOptions::cmdCancel_Click() { Unload(); }
