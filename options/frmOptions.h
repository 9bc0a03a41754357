#pragma once
// The Options dialog: autostart at logon and balloon notifications.
#include <string>

#include "ui/Form.h"

class frmOptions : public Form {
public:
    static frmOptions& Instance();  // the one dialog of the process, loaded afresh on each opening
    frmOptions();

    void Form_Load() override;
    void cmdOK_Click();
    void cmdCancel_Click();
};

// The Run key's data for the running program: its own full path, in double quotes, because
// Windows reads the value as a command line.
std::wstring AutoStartCommand();
