#include "app/CommandLine.h"

#include <memory>
#include <string>

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

// The window "/status" gets the running BLIMO's line at, while it waits for the answer.
std::string statusLine;
LRESULT CALLBACK StatusReply(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (msg != WM_COPYDATA || !data || data->dwData != kStatusData) return DefWindowProcA(window, msg, wp, lp);
    statusLine.assign(static_cast<const char*>(data->lpData), data->cbData);
    return TRUE;
}
struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};

// With no BLIMO running, the stored setting, policy and promise say it; nothing holds the display then.
int StoredStatus() {
    const std::optional<bool> policy = PolicySaverState();
    const bool off = policy ? !*policy : UserSaverState() == L"0";
    const std::optional<uint64_t> until = off && !policy ? PromisedOnTime() : std::nullopt;
    std::optional<UniqueHandle> process = off && !policy ? PromisedProcess() : std::nullopt;
    const std::wstring runs = process && *process && !(until > Now()) ? ProcessFileName(process->get()) : L"";
    statusLine = Ansi(StateWords(off, policy.has_value(), runs, until > Now() ? *until : 0));
    return off ? 1 : 0;
}

// The line goes where the output of the command that started BLIMO goes: a file or a pipe it was sent to, else
// the console it was typed in (a program with windows has none of its own); nowhere when there is neither.
void WriteToStarter(std::string line) {
    line += "\r\n";
    DWORD written = 0, mode = 0;  // what cannot be written is lost: there is no one else to tell
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && !GetConsoleMode(out, &mode)) {  // a file, a pipe, NUL
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;  // denied: one is ours
    HANDLE console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    const UniqueHandle closed(console);
    WriteFile(console, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// "/status": the running BLIMO's line, or the stored one; 0 on, 1 off, kNoAnswer when the running one did not answer.
int Status() {
    int code = kNoAnswer;
    if (HWND running = RunningBlimo()) {
        WNDCLASSA replyClass = {};
        replyClass.lpfnWndProc = StatusReply;
        replyClass.hInstance = GetModuleHandleA(nullptr);
        replyClass.lpszClassName = "BLIMO.StatusReply";
        RegisterClassA(&replyClass);  // a class that cannot be had leaves no window, and the line empty
        const std::unique_ptr<HWND__, WindowDestroyer> reply(CreateWindowExA(
            0, replyClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, replyClass.hInstance, nullptr));
        COPYDATASTRUCT data = {kCommandData, 7, const_cast<char*>("/status")};
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutA(running, WM_COPYDATA, reinterpret_cast<WPARAM>(reply.get()), reinterpret_cast<LPARAM>(&data),
                                SMTO_ABORTIFHUNG, 10000, &answer) && answer >= kCommandAnswered)
            code = static_cast<int>(answer - kCommandAnswered);
    } else {
        code = StoredStatus();
    }
    if (!statusLine.empty()) WriteToStarter(statusLine);
    return code;
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
            return Status();
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
