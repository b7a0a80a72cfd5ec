#include "shell/crashhandler.h"

#include "framework/farmcleaner.h"
#include "framework/widestring.h"
#include "mpx/osutilities.h"
#include "platform/fixedtext.h"
#include "platform/minidumpwriter.h"
#include "platform/safeprocess.h"
#include "platform/signalstack.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <string>

extern char** environ;

namespace MovraPlayerX {

namespace {

using MovraPlatform::FixedText;

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
constexpr char kDialogProgram[] = "movra-crash-dialog";
constexpr char kMessageIntro[] = "This application has performed an illegal operation and must be closed.\n\n"
                                 "A crash dump has been saved to:\n";
constexpr char kMessageOutro[] = "\n\nPlease send this file to the Movra Development team.";
constexpr char kMessagePlugin[] = "\n\nThe crash happened in the plug-in ";

// Set once at installation, before other threads exist; only read afterwards, except
// crashingThread.
struct HandlerState
{
    bool fullMemory;
    bool showDialog;
    wchar_t folder[kMaxDumpFolderCharacters];
    char folderUtf8[kMaxDumpFolderCharacters * 4];
    char executableName[NAME_MAX + 1];
    char dialogPath[PATH_MAX];
    char dumpPath[PATH_MAX + NAME_MAX + 32];
    char message[8192];
    MovraPlatform::CrashInfo crash;
    // The thread writing the dump; 0 until a crash.
    std::atomic<pid_t> crashingThread;
};

HandlerState state;

static_assert(std::atomic<pid_t>::is_always_lock_free, "the handler may not take a lock");

void copyText(char* out, size_t capacity, const std::string& text)
{
    FixedText(out, capacity).append(text.c_str(), text.size());
}

// Ends the process by `signalNumber` with its default action, as if no handler existed: the
// signal is sent again and arrives once the handler returns.
void endBySignal(int signalNumber)
{
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signalNumber, &defaultAction, nullptr);
    syscall(SYS_tgkill, getpid(), MovraPlatform::currentThreadId(), signalNumber);
}

const char* formatDumpPath()
{
    FixedText path(state.dumpPath, sizeof(state.dumpPath));
    path.append(state.folderUtf8);
    if (path.size() > 0 && state.dumpPath[path.size() - 1] != '/')
        path.append("/");
    path.append(state.executableName).append("-").appendHex(MSE::tickCount()).append(".dmp");
    return path.truncated() ? nullptr : path.data();
}

// A new file only this user can read. Never through a symbolic link planted at the name;
// an existing regular file of ours is replaced, anything else is left alone.
int createDumpFile(const char* path)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return -1;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid()
        || fchmod(fd, S_IRUSR | S_IWUSR) != 0 || ftruncate(fd, 0) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

const char* formatMessage(const char* dumpPath)
{
    FixedText message(state.message, sizeof(state.message));
    message.append(kMessageIntro).append(dumpPath).append(kMessageOutro);
    if (const char* plugin = MovraPlatform::MinidumpWriter::crashedPlugin())
        message.append(kMessagePlugin).append(plugin).append(".");
    return message.data();
}

// The dialog is a process of its own that outlives this one: the crashed process does not
// wait for it, so that nothing of it runs on while the user reads the message. Its own
// session keeps it out of whatever ends the player's process group.
void showDialog(const char* message)
{
    const pid_t child = MovraPlatform::forkBare();
    if (child == 0) {
        setsid();
        // The handler's blocked signals would otherwise stay blocked in the dialog.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        char* const arguments[] = {state.dialogPath, const_cast<char*>(message), nullptr};
        execve(state.dialogPath, arguments, environ);
        _exit(127);
    }
}

void onFatalSignal(int signalNumber, siginfo_t* info, void* context)
{
    const pid_t self = MovraPlatform::currentThreadId();
    pid_t expected = 0;
    if (!state.crashingThread.compare_exchange_strong(expected, self)) {
        if (expected == self) {
            endBySignal(signalNumber);
            return;
        }
        // Another thread is writing the dump; the process ends when it is done.
        for (;;)
            pause();
    }
    MovraPlatform::crashInfoFromSignal(signalNumber, info, static_cast<const ucontext_t*>(context), state.crash);
    const char* path = formatDumpPath();
    const int fd = path ? createDumpFile(path) : -1;
    if (fd >= 0) {
        // The other threads stay stopped from the dump until the process ends: after a
        // crash none of them may go on (a GUI thread could even shut down normally and
        // end the process with status 0).
        const bool written = MovraPlatform::MinidumpWriter::write(fd, state.crash, state.fullMemory, true);
        close(fd);
        if (written) {
            const char* message = formatMessage(path);
            MovraPlatform::writeAll(STDERR_FILENO, message, MovraPlatform::textLength(message));
            MovraPlatform::writeAll(STDERR_FILENO, "\n", 1);
            if (state.showDialog)
                showDialog(message);
        }
    }
    endBySignal(signalNumber);
}

std::string executablePath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

bool hasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

void installCrashHandler(const wchar_t* dumpFolder, bool fullMemory)
{
    if (!MovraPlatform::MinidumpWriter::prepare())
        return;
    std::wcsncpy(state.folder, dumpFolder ? dumpFolder : L"", kMaxDumpFolderCharacters - 1);
    state.folder[kMaxDumpFolderCharacters - 1] = L'\0';
    state.fullMemory = fullMemory;
    copyText(state.folderUtf8, sizeof(state.folderUtf8), MSE::toUtf8(state.folder, std::wcslen(state.folder)));

    const std::string executable = executablePath();
    const size_t slash = executable.rfind('/');
    copyText(state.executableName, sizeof(state.executableName),
             slash == std::string::npos ? executable : executable.substr(slash + 1));
    const std::string dialog = (slash == std::string::npos ? std::string(".") : executable.substr(0, slash)) + "/"
                               + kDialogProgram;
    copyText(state.dialogPath, sizeof(state.dialogPath), dialog);
    state.showDialog = hasDisplay() && access(state.dialogPath, X_OK) == 0;

    // Resolved now, so that the handler's first call of each does not go through the
    // dynamic linker.
    MSE::tickCount();
    MovraPlatform::currentThreadId();

    // The main thread's stack may be what overflows.
    MovraPlatform::installSignalStack();

    struct sigaction action = {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A fault inside the handler then takes the default action instead of entering it again.
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kFatalSignals)
        sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : kFatalSignals)
        sigaction(signalNumber, &action, nullptr);
}

void installCrashHandlerIfAsked(int32_t crashDumpMode)
{
    if (crashDumpMode != 1 && crashDumpMode != 2)
        return;
    QString folder = OSUtilities::getDesktopPath();
    // Where no desktop folder can be named, the root of the file system stands in for the
    // system drive's root.
    if (folder.isEmpty())
        folder = QStringLiteral("/");
    installCrashHandler(folder.toStdWString().c_str(), crashDumpMode == 2);
}

} // namespace MovraPlayerX
