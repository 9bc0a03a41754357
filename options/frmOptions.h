#pragma once
// The Options dialog: autostart at logon, balloon notifications, the hotkey and the automatic Offs.
#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "ui/Form.h"

class frmOptions : public Form {
public:
    static frmOptions& Instance();  // the one dialog of the process, loaded afresh on each opening
    frmOptions();

    void Form_Load() override;
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdAdd_Click();
    void chkHours_Click();
    void chkBattery_Click();

private:
    using RuleForms = std::array<std::wstring, 4>;  // the rules' stored forms, as kRuleValues; empty: none
    bool ApplyHotkey();
    void LoadRules();
    std::optional<RuleForms> ShownRules();
    std::nullopt_t Refuse(const char* control, const wchar_t* why);

    WORD shownHotkey_ = 0;  // the control's value as the dialog opened
    RuleForms shownRules_;   // the rules as the dialog opened: a value OK leaves alone unless its controls changed
};

// The Run key's data for the running program: its own full path, in double quotes, because
// Windows reads the value as a command line.
std::wstring AutoStartCommand();
