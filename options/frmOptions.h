#pragma once
// The Options dialog: autostart at logon, balloon notifications and the hotkey.
#include <windows.h>

#include <string>

#include "ui/Form.h"

class frmOptions : public Form {
public:
    static frmOptions& Instance();  // the one dialog of the process, loaded afresh on each opening
    frmOptions();

    void Form_Load() override;
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    bool ApplyHotkey();

    WORD shownHotkey_ = 0;  // the control's value as the dialog opened
};

// The Run key's data for the running program: its own full path, in double quotes, because
// Windows reads the value as a command line.
std::wstring AutoStartCommand();
