#include "app/TrayIcon.h"

#include <string>

#include "platform/Dpi.h"
#include "platform/Fatal.h"
#include "res/resource.h"
#include "services/mdlSysTray.h"

namespace {

constexpr UINT kRetryMs = 2000;
constexpr int kRetries = 60;  // two minutes

}  // namespace

HICON TrayIcon::Load(int resource) {
    const int size = SystemMetricForDpi(SM_CXSMICON, TaskbarDpi());
    if (size != size_) {
        size_ = size;
        for (UniqueIcon& icon : icons_) icon.reset();
    }
    UniqueIcon& icon = icons_[resource == IDI_OFF];
    if (!icon)
        icon.reset(static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_ICON, size, size, 0)));
    if (!icon) FatalError("the switch", "Icon resource " + std::to_string(resource) + " cannot be loaded.");
    return icon.get();
}

void TrayIcon::Keep(HWND window, bool added) {
    if (added) {
        KillTimer(window, kRetryTimer);
        retriesLeft_ = 0;
    } else if (retriesLeft_ == 0) {
        retriesLeft_ = kRetries;
        SetTimer(window, kRetryTimer, kRetryMs, nullptr);
    }
}

void TrayIcon::Retry(HWND window) {
    const bool added = ReAddTrayIcon();
    if (!added && --retriesLeft_ <= 0) {
        KillTimer(window, kRetryTimer);
        retriesLeft_ = 0;
        return;
    }
    Keep(window, added);
}
