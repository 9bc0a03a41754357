#pragma once
// The Downloader control: reads a URL in the background and saves the bytes to a file, telling its
// host window through three events. It keeps nothing between calls: the file name travels with
// the read as its tag.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/UserControl.h"

class Downloader : public UserControl {
public:
    static constexpr char kClassName[] = "BLIMO.Downloader";
    static void Register();  // before a window whose layout names the class is loaded
    static Downloader* From(HWND hwnd);

    void BeginDownload(std::wstring_view url, std::wstring_view SaveFile);
    void SizeIt();

    // Events, raised synchronously to the handlers the host attached; each gets its own copies.
    std::function<void(int32_t CurBytes, int32_t MaxBytes, std::wstring SaveFile)> DownloadProgress;
    std::function<void(std::wstring SaveFile)> DownloadError;
    std::function<void(int32_t MaxBytes, std::wstring SaveFile)> DownloadComplete;

protected:
    void UserControl_Create() override;
    void UserControl_Resize() override;
    void UserControl_Paint(HDC dc) override;
    void UserControl_ReadProgress(const AsyncReadInfo& info) override;
    void UserControl_ReadComplete(const AsyncReadInfo& info) override;

private:
    void Warn(const HostError& error, const char* call);
};
