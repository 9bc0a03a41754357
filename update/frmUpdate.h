#pragma once
// The Check for Updates dialog.
#include <string>
#include <string_view>
#include <vector>

#include "ui/Form.h"

class frmUpdate : public Form {
public:
    static frmUpdate& Instance();  // the one dialog of the process, loaded afresh on each opening
    frmUpdate();

    void Form_Load() override;
    void cmdCheck_Click();
    void cmdCancel_Click();

    bool FileExist(std::wstring_view sTestFile);
    void DoStuff();

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // Where the update file is put while it is read: the user's temp folder, writable for anyone.
    static std::wstring LocalUpdateFile();
    bool DownloadFile(std::wstring_view url);
    void CheckDone(std::vector<unsigned char> answer);
    void CheckFailed();
    void CheckReady();
    void ShowServerAnswer(const std::string& serverText);

    unsigned checking_ = 0;  // the check this opening waits for; 0: none
};
