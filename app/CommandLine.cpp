#include "app/CommandLine.h"

#include <string>

#include "app/StatusReport.h"
#include "app/frmMain.h"
#include "platform/Api.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "services/SaverSetting.h"
#include "ui/UserControl.h"

namespace {

constexpr int kWrongLine = 2, kPolicyDecides = 3, kNoAnswer = 4;

constexpr char kUsage[] =
    "Usage: BLIMO.exe [switch]\r\n\r\n"
    "/on\tturns the screensaver on.\r\n"
    "/off\tturns it off.\r\n"
    "/toggle\tswitches it the other way.\r\n"
    "/off:MINUTES\tturns it off now and on again after 1 to 1440 minutes.\r\n"
    "/off:until=HH:MM\tturns it off until that time of day (24-hour), e.g. /off:until=17:30.\r\n"
    "/off:pid=N\tturns it off while process N runs, e.g. /off:pid=4242.\r\n"
    "/status\twrites whether the screensaver is on, and why, to the console; exit code 0 on, 1 off.\r\n"
    "/off:run PROGRAM [ARGUMENTS]\tstarts the program and turns the screensaver off while it runs, "
    "e.g. /off:run notepad.exe \"C:\\Talks\\notes.txt\".\r\n"
    "/?\tshows this list.\r\n\r\n"
    "Without a switch, BLIMO starts in the notification area. With one, the BLIMO that runs switches, "
    "as its menu would; when none runs, the setting is switched at once (for the /off: forms with a "
    "time or a program, BLIMO starts to keep the promise). An Off made by a running BLIMO also keeps the "
    "display on while it lasts; one switched at once holds nothing, as no BLIMO is left to hold it. The "
    "switches may also begin with \"-\", in any letter case.\r\n\r\n"
    "Exit codes: 0 done, 2 a command line BLIMO does not know or a program it cannot start or wait for, 3 the screensaver is set by your administrator.";

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

// The usage box, with the problem on its first line when there is one.
int Usage(const std::string& problem) {
    const std::string text = problem.empty() ? kUsage : problem + "\r\n\r\n" + kUsage;
    Api.MessageBoxA(nullptr, text.c_str(), "BLIMO", problem.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
    return problem.empty() ? 0 : kWrongLine;
}

// Starts a program as a shortcut would: a bare name found where the system looks for programs (the
// PATH among them), ".exe" added when it has no extension; its own folder as the working folder,
// unless the command names no folder. None when it cannot be started (GetLastError says why).
UniqueHandle StartProgram(const std::string& line) {
    const std::string name = ProgramName(line);
    char path[MAX_PATH];
    char* file = nullptr;
    const DWORD n = name.empty() ? 0 : SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, path, &file);
    if (n == 0 || n >= MAX_PATH) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const std::string folder = name.find_first_of("\\/:") == std::string::npos ? "" : std::string(path, file);
    std::string commandLine = line;  // the system may write into it
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION started;
    if (!CreateProcessA(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &start, &started))
        return nullptr;
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

}  // namespace

std::optional<int> CarryOut(Command& command) {
    switch (command.kind) {
        case CommandKind::Start:
            return std::nullopt;
        case CommandKind::Help:
        case CommandKind::Wrong:
            return Usage(command.problem);
        case CommandKind::Status:
            return ReportStatus(RunningBlimo()).value_or(kNoAnswer);
        default:
            break;
    }
    // The process to wait for, held open until the promise has it: its number cannot pass to another meanwhile.
    UniqueHandle process;
    if (command.kind == CommandKind::OffRun || command.kind == CommandKind::OffWhile) {
        if (PolicySaverState()) return kPolicyDecides;  // and the program is not started either
        const bool run = command.kind == CommandKind::OffRun;
        process = run ? StartProgram(command.program) : OpenRunningProcess(command.process);
        if (!process) {
            const std::string why = Ansi(SystemErrorText(GetLastError()));  // first: anything after may set another
            return Usage((run ? "\"" + ProgramName(command.program) + "\" cannot be started: "
                              : "Process " + std::to_string(command.process) + " cannot be waited for: ") + why);
        }
        command.kind = CommandKind::OffWhile;
        command.process = GetProcessId(process.get());
        command.created = CreationTime(process.get());
    }
    // The switch as the running BLIMO reads it; wsprintfA, as user32's, adds nothing to the program.
    const CommandKind kind = command.kind;
    const DWORD number = kind == CommandKind::OffWhile   ? command.process
                         : kind == CommandKind::OffUntil ? command.minutes / 60
                                                         : command.minutes;
    char text[32];
    wsprintfA(text, kind == CommandKind::On         ? "/on"
                    : kind == CommandKind::Off      ? "/off"
                    : kind == CommandKind::Toggle   ? "/toggle"
                    : kind == CommandKind::OffFor   ? "/off:%lu"
                    : kind == CommandKind::OffWhile ? "/off:pid=%lu"
                                                    : "/off:until=%lu:%02lu",
              number, static_cast<DWORD>(command.minutes % 60));
    std::string word = text;
    if (HWND running = RunningBlimo()) {  // it answers 2 only for a process that ended before it could wait
        const int code = Tell(running, word);
        return code == kWrongLine ? Usage("Process " + std::to_string(command.process) + " ended before BLIMO could wait for it.") : code;
    }
    if (PolicySaverState()) return kPolicyDecides;
    if (command.kind != CommandKind::On && command.kind != CommandKind::Off && command.kind != CommandKind::Toggle) {
        // This process stays, as the BLIMO that keeps the promise, unless one took the place this moment.
        if (!AnotherInstanceRuns()) return std::nullopt;
        HWND running = RunningBlimo();
        return running ? Tell(running, word) : kNoAnswer;
    }
    KeepPromisedOnTime(0);  // a switch ends a promise left behind
    KeepPromisedProcess(nullptr);
    StoreSaverState(command.kind == CommandKind::On ||
                    (command.kind == CommandKind::Toggle && UserSaverState() != L"1"));
    return 0;
}
