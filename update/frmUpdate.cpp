#include "update/frmUpdate.h"

#include <windows.h>

#include <memory>

#include "res/BuildConfig.h"
#include "res/frmUpdateLayout.h"
#include "platform/Api.h"
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
    SetText("lblYV", FromAnsi(DisplayVersion(ProgramVersion())));
    SetText("lblSV", L"Unknown");
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

bool frmUpdate::DownloadFile(std::wstring_view url, std::wstring_view localPath) {
    const std::string path = Ansi(localPath);
    // A copy left by an earlier run must never pass for this server's answer.
    DeleteFileA(path.c_str());
    TransferResult r = HttpTransfer(Ansi(url), {true, BLIMO_DOWNLOAD_TIMEOUT_MS, BLIMO_DOWNLOAD_TIMEOUT_MS});
    return r.complete && r.status == 200 && WriteWholeFile(path, r.data);
}

void frmUpdate::cmdCheck_Click() {
    if (Text("cmdCheck") != kCheckCaption) {
        // The shell's answer changes nothing: the dialog closes either way.
        Api.ShellExecuteA(Hwnd(), nullptr, BLIMO_DOWNLOAD_URL, nullptr, "C:\\", SW_SHOWNORMAL);
        SetText("cmdCheck", kCheckCaption);
        Unload();
        return;
    }
    DoStuff();
    UpdateWindow(Hwnd());  // the download holds this thread: show "Checking..." before it starts
    const std::wstring local = LocalUpdateFile();
    DownloadFile(FromAnsi(BLIMO_UPDATE_URL), local);  // the file's presence decides, not the result
    if (!FileExist(local)) {
        Api.MessageBoxA(Hwnd(), "Cannot connect to server, check your Internet connection or try again later.",
                        "Error", MB_OK);
        SetText("lblInfo", L"Cannot connect to server.");
        SetEnabled("cmdCheck", true);
        return;
    }
    const std::string path = Ansi(local);
    std::optional<std::string> head = ReadHead(path);
    DeleteFileA(path.c_str());
    ShowServerAnswer(head ? FirstField(*head) : std::string());
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
    SetEnabled("cmdCheck", true);
}

void frmUpdate::cmdCancel_Click() { Unload(); }
