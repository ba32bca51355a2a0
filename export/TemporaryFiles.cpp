#include "TemporaryFiles.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace temporaryfiles {

namespace {

// Fixed storage the signal handler can read without allocating or locking:
// a slot is Free, being Filled by Reserve, or Ready to be removed.
enum SlotState { kFree, kFilling, kReady };
constexpr int kSlots = 16;
constexpr std::size_t kLongestName = 4096;

struct Slot {
    std::atomic<int> state{kFree};
    char name[kLongestName];
};
Slot slots[kSlots];
// Between threads (rpfconvert converts several files at once): a slot's
// name is compared by Forget while another thread may be refilling it.
// The signal handler takes no lock; it reads only slots marked ready.
std::mutex slotsMutex;

extern "C" void RemoveAndRaise(int signalNumber)
{
    for (Slot& slot : slots) {
        if (slot.state.load() == kReady) {
#ifdef _WIN32
            std::remove(slot.name);
#else
            unlink(slot.name);
#endif
        }
    }
    // The handler was reset to the default on entry: raised again, the
    // signal ends the program once this handler returns.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

}  // namespace

std::string Reserve(const std::string& output)
{
    static std::atomic<unsigned> counter{0};
    const std::string name =
        output + ".brimwell-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    if (name.size() >= kLongestName)
        throw std::runtime_error("cannot write " + output + ": the name is too long");
    const std::lock_guard<std::mutex> lock(slotsMutex);
    for (Slot& slot : slots) {
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(slot.name, name.c_str(), name.size() + 1);
            slot.state.store(kReady);
            return name;
        }
    }
    throw std::runtime_error("cannot write " + output + ": too many files written at once");
}

void Forget(const std::string& temporary)
{
    const std::lock_guard<std::mutex> lock(slotsMutex);
    for (Slot& slot : slots) {
        if (slot.state.load() == kReady && temporary == slot.name) {
            slot.state.store(kFree);
            return;
        }
    }
}

void RemoveOnSignals()
{
#ifdef _WIN32
    std::signal(SIGINT, RemoveAndRaise);
    std::signal(SIGTERM, RemoveAndRaise);
#else
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveAndRaise;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

}  // namespace temporaryfiles
