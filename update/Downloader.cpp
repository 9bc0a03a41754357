#include "update/Downloader.h"

#include <memory>

#include "res/resource.h"
#include "platform/Api.h"
#include "platform/Text.h"
#include "update/WholeFile.h"

namespace {

constexpr int kSidePixels = 32;

// An event with no handler attached is raised to nobody.
template <class Event, class... Args>
void Raise(const Event& event, Args... args) {
    if (event) event(args...);
}

}  // namespace

void Downloader::Register() {
    RegisterUserControl(kClassName, [] { return std::unique_ptr<UserControl>(new Downloader); });
}

Downloader* Downloader::From(HWND hwnd) {
    char cls[sizeof kClassName + 1] = {};
    if (!hwnd || !GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpA(cls, kClassName) != 0) return nullptr;
    return static_cast<Downloader*>(UserControl::From(hwnd));
}

void Downloader::BeginDownload(std::wstring_view url, std::wstring_view SaveFile) {
    if (auto error = StartAsyncRead(url, kAsyncReadByteArray, SaveFile, kAsyncReadForceUpdate))
        Warn(*error, "BeginDownload");
}

void Downloader::SizeIt() {
    auto error = SetWidth(ScaleXToTwips(kSidePixels));
    if (!error) error = SetHeight(ScaleYToTwips(kSidePixels));
    if (error) Warn(*error, "SizeIt");
}

void Downloader::Warn(const HostError& error, const char* call) {
    std::wstring text = FromAnsi(std::to_string(error.Number) + ":Error in call to " + call) +
                        L"().\r\n\r\nError Description: " + error.Description;
    Api.MessageBoxA(GetAncestor(Hwnd(), GA_ROOT), Ansi(text).c_str(), "Warning", MB_OK | MB_ICONSTOP);
}

void Downloader::UserControl_Create() { SizeIt(); }
void Downloader::UserControl_Resize() { SizeIt(); }

void Downloader::UserControl_Paint(HDC dc) {
    // A shared icon belongs to the system's cache: nothing to free.
    auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_DOWNLOADER),
                                              IMAGE_ICON, kSidePixels, kSidePixels, LR_SHARED));
    if (icon) DrawIconEx(dc, 0, 0, icon, kSidePixels, kSidePixels, 0, nullptr, DI_NORMAL);
}

void Downloader::UserControl_ReadProgress(const AsyncReadInfo& info) {
    if (info.BytesMax == 0) return;
    Raise(DownloadProgress, info.BytesRead, info.BytesMax, info.Tag);
}

void Downloader::UserControl_ReadComplete(const AsyncReadInfo& info) {
    // A handler may unload its form, and this control with it: the events are raised from copies,
    // and the second only while the control's window is still there. `info` is the host's and stays.
    const HWND window = Hwnd();
    const auto error = DownloadError;
    const auto complete = DownloadComplete;
    // A save that fails is told as an error, though the total stays the one reported.
    if (info.BytesMax == 0 || !WriteWholeFile(Ansi(info.Tag), info.Data)) Raise(error, info.Tag);
    if (IsWindow(window)) Raise(complete, info.BytesMax, info.Tag);
}
