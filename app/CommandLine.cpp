#include "app/CommandLine.h"

#include <string>

#include "app/frmMain.h"
#include "platform/Api.h"
#include "platform/UniqueHandle.h"
#include "services/SaverSetting.h"

namespace {

constexpr int kWrongLine = 2, kPolicyDecides = 3, kNoAnswer = 4;

constexpr char kUsage[] =
    "Usage: BLIMO.exe [switch]\r\n\r\n"
    "/on\tturns the screensaver on.\r\n"
    "/off\tturns it off.\r\n"
    "/toggle\tswitches it the other way.\r\n"
    "/off:MINUTES\tturns it off now and on again after 1 to 1440 minutes.\r\n"
    "/?\tshows this list.\r\n\r\n"
    "Without a switch, BLIMO starts in the notification area. With one, the BLIMO that runs switches, "
    "as its menu would; when none runs, the setting is switched at once (for /off:MINUTES, BLIMO starts "
    "to keep the time). An Off made by a running BLIMO also keeps the display on while it lasts; one "
    "switched at once holds nothing, as no BLIMO is left to hold it. The switches may also begin with "
    "\"-\", in any letter case.\r\n\r\n"
    "Exit codes: 0 done, 2 a command line BLIMO does not know, 3 the screensaver is set by your administrator.";

// The window of the BLIMO that runs, once it has one; nothing when none runs. Only looks: a BLIMO
// starting at this moment must not find the place taken by a process that is no BLIMO.
HWND RunningBlimo() {
    const UniqueHandle running(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex));
    if (!running) return nullptr;
    for (int tries = 0; tries < 50; ++tries) {  // it may be starting this moment
        if (HWND window = FindWindowA(kFormClass, "About BLIMO")) return window;
        Sleep(100);
    }
    return nullptr;
}

// The running BLIMO's exit code for the switch; kNoAnswer when it did not answer, or did not handle
// the message (an older one).
int Tell(HWND running, std::string& word) {
    COPYDATASTRUCT data = {kCommandData, static_cast<DWORD>(word.size()), word.data()};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &answer) ||
        answer < kCommandAnswered)
        return kNoAnswer;
    return static_cast<int>(answer - kCommandAnswered);
}

}  // namespace

std::optional<int> CarryOut(const Command& command) {
    switch (command.kind) {
        case CommandKind::Start:
            return std::nullopt;
        case CommandKind::Help:
        case CommandKind::Wrong: {
            const std::string text = command.problem.empty() ? kUsage : command.problem + "\r\n\r\n" + kUsage;
            Api.MessageBoxA(nullptr, text.c_str(), "BLIMO", command.problem.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
            return command.problem.empty() ? 0 : kWrongLine;
        }
        default:
            break;
    }
    std::string word = command.kind == CommandKind::On       ? "/on"
                       : command.kind == CommandKind::Off    ? "/off"
                       : command.kind == CommandKind::Toggle ? "/toggle"
                                                             : "/off:" + std::to_string(command.minutes);
    if (HWND running = RunningBlimo()) return Tell(running, word);
    if (PolicySaverState()) return kPolicyDecides;
    if (command.kind == CommandKind::OffFor) {
        // This process stays, as the BLIMO that keeps the time, unless one took the place this moment.
        if (!AnotherInstanceRuns()) return std::nullopt;
        HWND running = RunningBlimo();
        return running ? Tell(running, word) : kNoAnswer;
    }
    KeepPromisedOnTime(0);  // a switch ends a promise left behind
    StoreSaverState(command.kind == CommandKind::On ||
                    (command.kind == CommandKind::Toggle && UserSaverState() != L"1"));
    return 0;
}
