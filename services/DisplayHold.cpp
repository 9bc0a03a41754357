#include "services/DisplayHold.h"

#include <optional>

#include "platform/Api.h"
#include "services/Policy.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"

namespace {

constexpr wchar_t kKeepValue[] = L"KeepDisplayOn";

}  // namespace

bool DisplayHoldAllowed() {
    const std::optional<DWORD> limit = ReadRegDword(
        HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"InactivityTimeoutSecs",
        RegView::Native64);
    if (limit.value_or(0) > 0) return false;
    if (const std::optional<DWORD> policy = BlimoPolicy(kKeepValue)) return *policy != 0;
    return ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kKeepValue) != L"0";
}

void DisplayHold::Want(std::wstring_view reason) {
    if (reason == held_) return;
    if (reason.empty() || !DisplayHoldAllowed()) return Release();
    // The request's reason is a wide text: the call has no ANSI form.
    std::wstring text(reason);
    REASON_CONTEXT context = {};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = text.data();
    HANDLE request = Api.PowerCreateRequest(&context);
    if (request == INVALID_HANDLE_VALUE) request = nullptr;
    if (request && !Api.PowerSetRequest(request, PowerRequestDisplayRequired)) {
        CloseHandle(request);
        request = nullptr;
    }
    const bool fallback = !request;
    if (fallback && !threadState_) Api.SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    // The old hold goes only now, so the display is never let go in between.
    End(!fallback);
    request_ = request;
    threadState_ = fallback;
    held_ = reason;
}

void DisplayHold::Release() {
    End(true);
    held_.clear();
}

// The power request let go, and the thread's execution state too when `threadState`.
void DisplayHold::End(bool threadState) {
    if (request_) {
        Api.PowerClearRequest(request_, PowerRequestDisplayRequired);
        CloseHandle(request_);
        request_ = nullptr;
    }
    if (threadState && threadState_) Api.SetThreadExecutionState(ES_CONTINUOUS);
    if (threadState) threadState_ = false;
}
