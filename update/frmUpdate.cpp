#include "update/frmUpdate.h"

#include <windows.h>

#include <memory>

#include "res/BuildConfig.h"
#include "res/frmUpdateLayout.h"
#include "platform/Api.h"
#include "services/Policy.h"
#include "services/ProgramVersion.h"
#include "services/TextRules.h"
#include "platform/HttpTransfer.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "update/Downloader.h"
#include "update/WholeFile.h"

namespace {

constexpr Route kUpdateRoutes[] = {
    On<&frmUpdate::cmdCheck_Click>("cmdCheck"),
    On<&frmUpdate::cmdCancel_Click>("cmdCancel"),
};
static_assert(RoutesMatch(kUpdateLayout, kUpdateRoutes));

constexpr wchar_t kCheckCaption[] = L"&Check";
constexpr DWORD kHeadBytes = 4096;  // the first field is all the check reads
constexpr UINT kCheckDone = WM_APP + 0x40;  // wParam: the check's number, its answer in the hand-over

// The hand-over of a check's answer from its thread to the dialog. Only the latest check's answer
// is kept, and only while an opening of the dialog waits for it: a check abandoned (the dialog
// closed, or opened again) ends on its own and leaves nothing behind.
struct HandOver {
    SRWLOCK lock = SRWLOCK_INIT;
    unsigned awaited = 0;  // the check whose answer is wanted; 0: none
    std::optional<TransferResult> answer;

    void Await(unsigned number) {
        Locked hold(lock);
        awaited = number;
        answer.reset();
    }
    // On the check's thread: kept, and the dialog told, only if still wanted.
    void Give(unsigned number, HWND to, TransferResult result) {
        Locked hold(lock);
        if (number != awaited) return;
        answer = std::move(result);
        PostMessageA(to, kCheckDone, number, 0);  // a dialog gone meanwhile is met by the next Await
    }
    std::optional<TransferResult> Take(unsigned number) {
        Locked hold(lock);
        std::optional<TransferResult> taken;
        if (number == awaited) taken.swap(answer);
        awaited = 0;
        return taken;
    }
};
HandOver handOver;  // shared with the check threads, so built before main rather than on first use

struct CheckJob {
    unsigned number;
    HWND to;
    std::string url;
};

DWORD WINAPI CheckThread(void* param) {
    std::unique_ptr<CheckJob> job(static_cast<CheckJob*>(param));
    // Only the head is read: a huge or endless answer cannot fill the memory.
    TransferResult r = HttpTransfer(job->url, {true, BLIMO_DOWNLOAD_TIMEOUT_MS, BLIMO_DOWNLOAD_TIMEOUT_MS, kHeadBytes});
    handOver.Give(job->number, job->to, std::move(r));
    return 0;
}

// The administrator's "DisableUpdateCheck": read at each use, so a change needs no restart.
bool ChecksRuledOut() { return BlimoPolicy(L"DisableUpdateCheck").value_or(0) != 0; }

// The start of a file, or nothing when it cannot be opened.
std::optional<std::string> ReadHead(const std::string& ansiPath) {
    HANDLE h = CreateFileA(ansiPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    UniqueHandle file(h);
    std::string head(kHeadBytes, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), head.data(), kHeadBytes, &got, nullptr)) return std::nullopt;
    head.resize(got);
    return head;
}

}  // namespace

frmUpdate& frmUpdate::Instance() {
    static frmUpdate dialog;
    return dialog;
}

frmUpdate::frmUpdate() : Form(kUpdateLayout, kUpdateRoutes) { Downloader::Register(); }

void frmUpdate::Form_Load() {
    checking_ = 0;
    handOver.Await(0);  // a check of an earlier opening is no longer wanted
    SetText("lblYV", FromAnsi(DisplayVersion(ProgramVersion())));
    SetText("lblSV", L"Unknown");
    if (ChecksRuledOut()) {
        SetEnabled("cmdCheck", false);
        SetText("lblInfo", L"Updates are managed by your administrator.");
    }
}

std::wstring frmUpdate::LocalUpdateFile() {
    char folder[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof folder, folder);
    return FromAnsi(std::string_view(folder, n <= MAX_PATH ? n : 0)) + L"BLIMOUpdate.txt";
}

bool frmUpdate::FileExist(std::wstring_view sTestFile) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(Ansi(sTestFile).c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

void frmUpdate::DoStuff() {
    SetEnabled("cmdCheck", false);
    SetText("lblInfo", L"Checking...");
}

// Starts reading the URL on a thread of its own: the dialog stays live while the server is waited
// for, and the answer comes back as kCheckDone. False when the read cannot start.
bool frmUpdate::DownloadFile(std::wstring_view url) {
    static unsigned lastNumber = 0;
    if (++lastNumber == 0) ++lastNumber;  // 0 means none
    const unsigned number = lastNumber;
    auto job = std::make_unique<CheckJob>(CheckJob{number, Hwnd(), Ansi(url)});
    handOver.Await(number);
    UniqueHandle thread(CreateThread(nullptr, 0, CheckThread, job.get(), 0, nullptr));
    if (!thread) return false;
    job.release();  // the thread owns it now
    checking_ = number;
    return true;
}

void frmUpdate::cmdCheck_Click() {
    if (Text("cmdCheck") != kCheckCaption) {
        // The shell's answer changes nothing: the dialog closes either way.
        Api.ShellExecuteA(Hwnd(), nullptr, BLIMO_DOWNLOAD_URL, nullptr, "C:\\", SW_SHOWNORMAL);
        SetText("cmdCheck", kCheckCaption);
        Unload();
        return;
    }
    // One check at a time, and none the administrator has ruled out (the button may be pressed
    // by a message as well as by a click).
    if (checking_ || ChecksRuledOut()) return;
    DoStuff();
    // A copy left by an earlier run must never pass for this server's answer: one that cannot be
    // removed fails the check as an unreachable server would.
    const std::wstring local = LocalUpdateFile();
    DeleteFileA(Ansi(local).c_str());
    if (FileExist(local) || !DownloadFile(FromAnsi(BLIMO_UPDATE_URL))) CheckFailed();
}

bool frmUpdate::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != kCheckDone) return false;
    result = 0;
    if (wp != checking_ || checking_ == 0) return true;  // not this opening's check
    checking_ = 0;
    std::optional<TransferResult> r = handOver.Take(static_cast<unsigned>(wp));
    if (r && r->complete && r->status == 200)
        CheckDone(std::move(r->data));
    else
        CheckFailed();
    return true;
}

// The answer is put in the local file and read back from it: the file's presence decides.
void frmUpdate::CheckDone(std::vector<unsigned char> answer) {
    const std::wstring local = LocalUpdateFile();
    const std::string path = Ansi(local);
    if (!WriteWholeFile(path, answer) || !FileExist(local)) return CheckFailed();
    std::optional<std::string> head = ReadHead(path);
    DeleteFileA(path.c_str());
    ShowServerAnswer(head ? FirstField(*head) : std::string());
}

void frmUpdate::CheckFailed() {
    Api.MessageBoxA(Hwnd(), "Cannot connect to server, check your Internet connection or try again later.", "Error",
                    MB_OK);
    SetText("lblInfo", L"Cannot connect to server.");
    CheckReady();
}

// The button pressed gets the focus back with the check's end (disabled meanwhile, it lost it): Enter presses it again.
void frmUpdate::CheckReady() {
    SetEnabled("cmdCheck", true);
    if (GetActiveWindow() == Hwnd()) SetFocus(Item("cmdCheck"));
}

void frmUpdate::ShowServerAnswer(const std::string& serverText) {
    SetText("lblSV", FromAnsi(serverText));
    std::optional<double> server = LeadingNumber(serverText);
    if (!server) {
        SetText("lblInfo", L"Server version not recognized.");
    } else if (NumericValue(ComparisonVersion(ProgramVersion())) < *server) {
        SetText("lblInfo", L"Update Available! (Version " + FromAnsi(serverText) + L")");
        SetText("cmdCheck", L"&Get Update");
    } else {
        SetText("lblInfo", L"You have the latest version!");
    }
    CheckReady();
}

void frmUpdate::cmdCancel_Click() { Unload(); }
