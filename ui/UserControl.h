#pragma once
// The host of user-drawn controls: a window class per control type, creation and resize
// notifications, sizes in twips, and background reads whose notifications arrive on the GUI thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the host tells a control about one of its reads.
struct AsyncReadInfo {
    std::wstring Tag;               // as given to StartAsyncRead
    int32_t BytesRead = 0;          // received so far
    int32_t BytesMax = 0;           // the announced total; 0 for none, and at completion for a failure
    std::vector<unsigned char> Data;  // the received bytes: filled at completion only
};

// A host operation that could not be carried out.
struct HostError {
    long Number = 0;
    std::wstring Description;
};

inline constexpr int kAsyncReadByteArray = 2;     // read type: the bytes in memory, in Data
inline constexpr int kAsyncReadForceUpdate = 16;  // option: a fresh copy from the server

class UserControl {
public:
    UserControl() = default;
    virtual ~UserControl() = default;
    UserControl(const UserControl&) = delete;
    UserControl& operator=(const UserControl&) = delete;

    HWND Hwnd() const { return hwnd_; }
    static UserControl* From(HWND hwnd);  // nullptr unless hwnd is a hosted control

protected:
    // Starts reading target in the background and returns at once: zero or more ReadProgress and
    // then one ReadComplete follow, each carrying tag. A read that cannot start is refused here.
    std::optional<HostError> StartAsyncRead(std::wstring_view target, int readType, std::wstring_view tag,
                                            int options);

    // At the control's own DPI, its window's: a window may be moved to a monitor of another.
    int ScaleXToTwips(int pixels) const;
    int ScaleYToTwips(int pixels) const;
    int Width() const;  // twips
    int Height() const;
    // A size equal to the current one changes nothing and raises no resize notification.
    std::optional<HostError> SetWidth(int twips);
    std::optional<HostError> SetHeight(int twips);

    virtual void UserControl_Create() {}
    virtual void UserControl_Resize() {}
    virtual void UserControl_Paint(HDC) {}
    virtual void UserControl_ReadProgress(const AsyncReadInfo&) {}
    virtual void UserControl_ReadComplete(const AsyncReadInfo&) {}

private:
    friend struct UserControlHost;
    HWND hwnd_ = nullptr;
    SIZE lastSize_ = {-1, -1};  // pixels: what the last resize notification was about
};

using UserControlFactory = std::unique_ptr<UserControl> (*)();

// Registers the window class className (once per process); every window of that class owns a
// control made by factory, from WM_NCCREATE to WM_NCDESTROY.
void RegisterUserControl(const char* className, UserControlFactory factory);

// The description of a system error number, as the system words it.
std::wstring SystemErrorText(DWORD number);
