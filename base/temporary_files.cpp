#include "base/temporary_files.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <pthread.h>
#include <unistd.h>

namespace plotwright::base::detail {
namespace {

constexpr const char* kMarker = ".plotwright-";
constexpr const char* kSuffix = ".tmp";

std::atomic<unsigned> counter{0};

// Slot states: free, being filled (the handler skips it), armed.
enum : int { kFree = 0, kFilling = 1, kArmed = 2 };
constexpr int kSlots = 16;
std::atomic<int> slotState[kSlots];
char slotPath[kSlots][PATH_MAX];

struct Previous {
    int signal;
    struct sigaction action;
};
Previous previous[] = {{SIGINT, {}}, {SIGTERM, {}}, {SIGHUP, {}}};

void removeArmed()
{
    for (int i = 0; i < kSlots; ++i)
        if (slotState[i].load() == kArmed)
            ::unlink(slotPath[i]);
}

// Removes what is in flight, then lets the signal do what it did before: the program's
// own handler runs, or the default action ends the process.
void onSignal(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    removeArmed();
    for (const Previous& p : previous) {
        if (p.signal != signal)
            continue;
        if (p.action.sa_flags & SA_SIGINFO) {
            if (p.action.sa_sigaction)
                p.action.sa_sigaction(signal, info, context);
        } else if (p.action.sa_handler == SIG_DFL) {
            ::signal(signal, SIG_DFL);
            ::raise(signal);
        } else if (p.action.sa_handler != SIG_IGN) {
            p.action.sa_handler(signal);
        }
    }
    errno = savedErrno;
}

// Put in place before every guarded save, not once: a handler the program installed
// since is chained to, rather than silently replacing ours.
void installHandlers()
{
    static std::mutex mutex;
    const std::lock_guard<std::mutex> hold(mutex);
    sigset_t blocked, old;
    sigemptyset(&blocked);
    for (const Previous& p : previous)
        sigaddset(&blocked, p.signal);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &old);
    for (Previous& p : previous) {
        struct sigaction current {};
        if (::sigaction(p.signal, nullptr, &current) != 0)
            continue;
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onSignal)
            continue;
        // An ignored signal ends nothing, so nothing is left behind.
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN)
            continue;
        p.action = current;
        struct sigaction ours {};
        ours.sa_sigaction = onSignal;
        ours.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&ours.sa_mask);
        ::sigaction(p.signal, &ours, nullptr);
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

std::string folderPrefix(const std::string& target)
{
    const auto slash = target.rfind('/');
    return slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
}

std::string baseName(const std::string& target)
{
    const auto slash = target.rfind('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

} // namespace

std::string temporaryNameFor(const std::string& target)
{
    return folderPrefix(target) + "." + baseName(target) + kMarker + std::to_string(::getpid()) + "-"
           + std::to_string(counter.fetch_add(1)) + kSuffix;
}

void removeStaleTemporaries(const std::string& target)
{
    const std::string prefix = folderPrefix(target);
    const std::string start = "." + baseName(target) + kMarker;
    DIR* folder = ::opendir(prefix.empty() ? "." : prefix.c_str());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(start) || !name.ends_with(kSuffix))
            continue;
        const std::string_view rest = name.substr(start.size());
        long pid = 0;
        std::size_t digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9' && digits < 10)
            pid = pid * 10 + (rest[digits++] - '0');
        if (digits == 0 || digits >= rest.size() || rest[digits] != '-' || pid <= 0)
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink((prefix + std::string(name)).c_str());
    }
    ::closedir(folder);
}

GuardedTemporary::GuardedTemporary(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return;
    installHandlers();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (slotState[i].compare_exchange_strong(expected, kFilling)) {
            std::memcpy(slotPath[i], path.c_str(), path.size() + 1);
            slotState[i].store(kArmed);
            slot_ = i;
            return;
        }
    }
}

GuardedTemporary::~GuardedTemporary() { disarm(); }

void GuardedTemporary::disarm()
{
    if (slot_ >= 0) {
        slotState[slot_].store(kFree);
        slot_ = -1;
    }
}

} // namespace plotwright::base::detail
