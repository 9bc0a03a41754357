#include "app/CommandLine.h"

#include <objbase.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/StatusReport.h"
#include "app/frmMain.h"
#include "platform/Api.h"
#include "platform/SystemLibrary.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "services/PromiseStore.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"
#include "ui/UserControl.h"

// The mutex lives as long as the process.
bool AnotherInstanceRuns() {
    static HANDLE mine = nullptr;
    if (mine) return false;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    const DWORD error = GetLastError();
    // One that exists but may not be opened is another BLIMO's all the same (one started elevated).
    if (!mutex) return error == ERROR_ACCESS_DENIED;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    mine = mutex;
    return false;
}

namespace {

constexpr int kWrongLine = 2, kPolicyDecides = 3, kNoAnswer = 4;
constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, which the headers we build with lack

// Each switch on a line of its own, its words on the next after a tab: one column, whatever the font makes of the
// switches' widths.
constexpr char kUsage[] =
    "Usage: BLIMO.exe [switch]\r\n\r\n"
    "/on\r\n\tturns the screensaver on.\r\n"
    "/off\r\n\tturns it off.\r\n"
    "/toggle\r\n\tswitches it the other way.\r\n"
    "/off:MINUTES\r\n\tturns it off now and on again after 1 to 1440 minutes.\r\n"
    "/off:until=HH:MM\r\n\tturns it off until that time of day (24-hour), e.g. /off:until=17:30.\r\n"
    "/off:pid=N\r\n\tturns it off while process N runs, e.g. /off:pid=4242.\r\n"
    "/off:run PROGRAM [ARGUMENTS]\r\n\tstarts the program, or opens a document with its program, and turns the\r\n"
    "\tscreensaver off while it runs, e.g. /off:run notepad.exe \"C:\\Talks\\notes.txt\".\r\n"
    "/status\r\n\twrites whether the screensaver is on, and why, to the console; exit code 0 on, 1 off.\r\n"
    "/?\r\n\tshows this list.\r\n\r\n"
    "Without a switch, BLIMO starts in the notification area. With one, the BLIMO that runs switches, "
    "as its menu would; when none runs, the setting is switched at once (for the /off: forms with a "
    "time or a program, BLIMO starts to keep the promise). An Off made by a running BLIMO also keeps the "
    "display on while it lasts; one switched at once holds nothing, as no BLIMO is left to hold it. The "
    "switches may also begin with \"-\", in any letter case.\r\n\r\n"
    "Exit codes:\r\n"
    "0\tdone; for /status: the screensaver is on.\r\n"
    "1\tfor /status: the screensaver is off.\r\n"
    "2\ta command line BLIMO does not know, or a program it cannot start or wait for.\r\n"
    "3\tthe screensaver is set by your administrator.\r\n"
    "4\tthe running BLIMO did not answer.";

// The window of the BLIMO that runs, once it has one; nothing when none runs. Only looks: a BLIMO
// starting at this moment must not find the place taken by a process that is no BLIMO.
HWND RunningBlimo() {
    const UniqueHandle running(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex));
    if (!running && GetLastError() != ERROR_ACCESS_DENIED) return nullptr;  // denied: an elevated BLIMO's
    for (int tries = 0; tries < 50; ++tries) {  // it may be starting this moment
        if (HWND window = FindWindowA(kFormClass, "About BLIMO")) return window;
        Sleep(100);
    }
    return nullptr;
}

// The usage box, with the problem on its first line when there is one.
int Usage(const std::string& problem) {
    const std::string text = problem.empty() ? kUsage : problem + "\r\n\r\n" + kUsage;
    Api.MessageBoxA(nullptr, text.c_str(), "BLIMO", problem.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
    return problem.empty() ? 0 : kWrongLine;
}

// The running BLIMO's exit code for the switch, and for a 2 the system's error that says why; kNoAnswer when it did
// not answer, or did not handle the message (an older one). No answer, no time lost: the box says so.
int Tell(HWND running, ULONG_PTR kind, std::string_view data, DWORD& why) {
    COPYDATASTRUCT copy = {kind, static_cast<DWORD>(data.size()), const_cast<char*>(data.data())};
    DWORD_PTR answer = 0;
    if (running && SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG,
                                       10000, &answer) &&
        (answer & 0xFF00) == kCommandAnswered) {
        why = static_cast<DWORD>(answer >> 16);
        return static_cast<int>(answer & 0xFF);
    }
    Api.MessageBoxA(nullptr, "The running BLIMO did not answer, so nothing was switched. If it does not answer again, "
                    "end BLIMO.exe in Task Manager and start BLIMO again.", "BLIMO", MB_ICONWARNING);
    return kNoAnswer;
}

// Hands the process to the running BLIMO: the handle goes into that process, so the promise holds this very process,
// never another that took its number meanwhile. BLIMO may be a process this one cannot open (run as administrator).
int HandOver(HWND running, const Command& command, HANDLE process, DWORD& why) {
    DWORD id = 0;
    GetWindowThreadProcessId(running, &id);
    const UniqueHandle blimo(OpenProcess(PROCESS_DUP_HANDLE, FALSE, id));
    HANDLE theirs = nullptr;
    if (!blimo || !DuplicateHandle(GetCurrentProcess(), process, blimo.get(), &theirs,
                                   SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0)) {
        why = GetLastError();
        return kWrongLine;
    }
    // Not taken back when BLIMO does not answer: it may still take it, late; one handle left in a hung BLIMO is all.
    const Handover handover = {command.process, command.kind == CommandKind::OffRun, reinterpret_cast<uintptr_t>(theirs)};
    return Tell(running, kHandoverData, {reinterpret_cast<const char*>(&handover), sizeof handover}, why);
}

// The switch, done by the running BLIMO, and a box that says why when it refused.
int Told(HWND running, const Command& command, HANDLE process) {
    DWORD why = 0;
    const CommandKind kind = command.kind;
    char word[32];  // wsprintfA, as user32's, adds nothing to the program
    wsprintfA(word, kind == CommandKind::On       ? "/on"
                    : kind == CommandKind::Off    ? "/off"
                    : kind == CommandKind::Toggle ? "/toggle"
                    : kind == CommandKind::OffFor ? "/off:%lu"
                                                  : "/off:until=%lu:%02lu",
              static_cast<DWORD>(kind == CommandKind::OffFor ? command.minutes : command.minutes / 60),
              static_cast<DWORD>(command.minutes % 60));
    const int code = running && process ? HandOver(running, command, process, why)
                                        : Tell(running, kCommandData, word, why);  // none running: "did not answer"
    const std::string number = std::to_string(command.process), text = Ansi(SystemErrorText(why));
    if (code != kWrongLine) return code;
    if (!process) return Usage("The running BLIMO did not take \"" + std::string(word) + "\": " + text);
    if (why == ERROR_ACCESS_DENIED) return Usage("Process " + number + " cannot be handed to the running BLIMO: " + text);
    return Usage("Process " + number + " ended before BLIMO could wait for it.");
}

// The program a name stands for, as the Run box finds it: a name with a folder as it stands (".exe" added when there
// is no such file); a bare one registered under App Paths (the user's, then the computer's, in both registry views),
// else in the system's folders and the PATH's. Never in BLIMO's own folder or the current one, where a file of any
// name may have been put. Empty: none.
std::string FindProgram(const std::string& name) {
    char path[MAX_PATH];
    char* file = nullptr;
    if (name.find_first_of("\\/:") != std::string::npos) {
        for (const std::string& tried : {name, name + ".exe"}) {
            const DWORD n = GetFullPathNameA(tried.c_str(), MAX_PATH, path, &file);
            if (n && n < MAX_PATH && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return path;
        }
        return {};
    }
    const std::string withExtension = name.find('.') == std::string::npos ? name + ".exe" : name;
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + FromAnsi(withExtension);
    for (auto [root, view] : {std::pair(HKEY_CURRENT_USER, RegView::Own), {HKEY_LOCAL_MACHINE, RegView::Own},
                              {HKEY_LOCAL_MACHINE, RegView::Native64}}) {
        std::string registered = Ansi(ReadRegDefaultText(root, key, view));
        std::erase(registered, '"');
        if (!registered.empty() && GetFileAttributesA(registered.c_str()) != INVALID_FILE_ATTRIBUTES) return registered;
    }
    std::string folders(MAX_PATH * 2, '\0');
    folders.resize(GetSystemDirectoryA(folders.data(), MAX_PATH));
    folders += ';';
    folders.resize(folders.size() + GetWindowsDirectoryA(folders.data() + folders.size(), MAX_PATH));
    const char* const pathVariable = getenv("PATH");
    for (std::string_view rest = pathVariable ? pathVariable : ""; !rest.empty();) {
        const std::string_view folder = rest.substr(0, rest.find(';'));
        rest.remove_prefix(std::min(rest.size(), folder.size() + 1));
        if ((folder.size() > 2 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) || folder.starts_with("\\\\"))
            folders.append(";").append(folder);  // a relative folder ("." among them) is the current one's
    }
    const DWORD n = SearchPathA(folders.c_str(), name.c_str(), ".exe", MAX_PATH, path, &file);
    return n && n < MAX_PATH ? path : std::string();
}

// Starts a program as a shortcut would, with the rest of the line as written; its own folder as the working folder,
// unless the command names no folder. A document opens with its program, through the shell. None when nothing can be
// started: `why` says so.
UniqueHandle StartProgram(const std::string& line, std::string& why) {
    const std::string name = ProgramName(line), path = name.empty() ? "" : FindProgram(name);
    const size_t slash = path.find_last_of('\\');
    const std::string folder = name.find_first_of("\\/:") == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string extension = slash < path.rfind('.') ? path.substr(path.rfind('.')) : "";
    PROCESS_INFORMATION started = {};
    SHELLEXECUTEINFOA open = {};
    open.cbSize = sizeof open;
    const std::string arguments(ProgramLine(line, 1));
    std::string commandLine = line;  // the system may write into it
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
    } else if (lstrcmpiA(extension.c_str(), ".exe") != 0 && lstrcmpiA(extension.c_str(), ".com") != 0) {
        // The shell's handlers may be COM objects; its own errors come back here rather than in a box of its own.
        // COM is loaded here alone: imported, ole32 and its two companions cost every BLIMO 1.2 MiB under Wine.
        using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
        if (HMODULE ole = LoadSystemLibrary("ole32.dll"))
            if (const auto init = reinterpret_cast<CoInitializeExFn>(reinterpret_cast<void*>(GetProcAddress(ole, "CoInitializeEx"))))
                init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        open.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        open.lpFile = path.c_str();
        open.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
        open.lpDirectory = folder.empty() ? nullptr : folder.c_str();
        open.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExA(&open) && !open.hProcess)
            why = "a program that runs already took it, and BLIMO cannot tell when it is done with it.";
        if (open.hProcess) return UniqueHandle(open.hProcess);
    } else if (Api.CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &start, &started)) {
        CloseHandle(started.hThread);
        return UniqueHandle(started.hProcess);
    }
    if (why.empty())
        why = GetLastError() == kElevationRequired
                  ? "it asks for administrator rights, and BLIMO starts programs only with your own."
                  : Ansi(SystemErrorText(GetLastError()));
    return nullptr;
}

}  // namespace

Command ReceivedCommand(const COPYDATASTRUCT& data, UniqueHandle& process) {
    Handover given = {};
    if (data.dwData != kHandoverData || data.cbData != sizeof given)
        return ParseCommandLine({std::string_view(static_cast<const char*>(data.lpData), data.cbData)});
    memcpy(&given, data.lpData, sizeof given);
    process.reset(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(given.handle)));
    if (GetProcessId(process.get()) != given.process) process.release();  // no process, or another: not ours to close
    Command command(given.anyOfName ? CommandKind::OffRun : CommandKind::OffWhile);
    command.process = given.process;
    return command;
}

std::optional<int> CarryOut(Command& command, UniqueHandle& process) {
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
    if (command.kind == CommandKind::OffRun || command.kind == CommandKind::OffWhile) {
        if (PolicySaverState()) return kPolicyDecides;  // and the program is not started either
        const bool run = command.kind == CommandKind::OffRun;
        std::string why;
        process = run ? StartProgram(command.program, why) : OpenRunningProcess(command.process);
        if (!process) {
            if (why.empty()) why = Ansi(SystemErrorText(GetLastError()));  // first: anything after may set another
            return Usage((run ? "\"" + ProgramName(command.program) + "\" cannot be started: "
                              : "Process " + std::to_string(command.process) + " cannot be waited for: ") + why);
        }
        command.process = GetProcessId(process.get());
        command.created = CreationTime(process.get());
    }
    if (HWND running = RunningBlimo()) return Told(running, command, process.get());
    if (PolicySaverState()) return kPolicyDecides;
    if (command.kind != CommandKind::On && command.kind != CommandKind::Off && command.kind != CommandKind::Toggle) {
        // This process stays, as the BLIMO that keeps the promise, unless one took the place this moment.
        if (!AnotherInstanceRuns()) return std::nullopt;
        return Told(RunningBlimo(), command, process.get());
    }
    KeepPromisedOnTime(0);  // a switch ends a promise left behind
    KeepPromisedProcess(nullptr);
    StoreSaverState(command.kind == CommandKind::On ||
                    (command.kind == CommandKind::Toggle && UserSaverState() != L"1"));
    return 0;
}
