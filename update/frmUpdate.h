#pragma once
// The Check for Updates dialog.
#include "ui/Form.h"

class frmUpdate : public Form {
public:
    static frmUpdate& Instance();  // the one dialog of the process, loaded afresh on each opening
    frmUpdate();

    void Form_Load() override;
    void cmdCheck_Click();
    void cmdCancel_Click();
};
