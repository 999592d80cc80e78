#include "platform/TaskCounter.h"

#include <charconv>
#include <climits>
#include <map>
#include <mutex>
#include <optional>

#include "platform/AtomicFile.h"
#include "platform/Folders.h"

namespace tv {

namespace {

// Values that could not be written, by counter path. An entry exists only while the file lags
// behind what this process has handed out; a successful write removes it.
std::mutex g_memoryMutex;
std::map<std::string, int> g_memory;

std::string CounterFolder() {
    return XdgStateHome() + "/Twinvale";
}

std::optional<int> Remembered(const std::string& path) {
    std::lock_guard guard(g_memoryMutex);
    auto it = g_memory.find(path);
    return it == g_memory.end() ? std::nullopt : std::optional(it->second);
}

void Remember(const std::string& path, int value, bool written) {
    std::lock_guard guard(g_memoryMutex);
    if (written) {
        g_memory.erase(path);
    } else {
        g_memory[path] = value;
    }
}

int ReadStored(IFileSystem& fs, const std::string& path) {
    auto text = ReadWholeFile(fs, path, nullptr, 64);
    if (!text) {
        return -1;
    }
    std::string_view digits = *text;
    while (!digits.empty() && (digits.back() == '\n' || digits.back() == ' ')) {
        digits.remove_suffix(1);
    }
    int value = -1;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() && value >= 0 ? value : -1;
}

// The counter as this process knows it: the file, or what could not be written to it.
int Current(IFileSystem& fs, const std::string& path) {
    int stored = ReadStored(fs, path);
    auto remembered = Remembered(path);
    return remembered && *remembered > stored ? *remembered : stored;
}

bool Store(IFileSystem& fs, const std::string& path, int value) {
    bool written = EnsurePrivateFolder(fs, CounterFolder()) &&
                   WritePrivateFileAtomically(fs, path, std::to_string(value) + "\n");
    Remember(path, value, written);
    return written;
}

// Holds the counter's lock file when its folder can be created. Without it the counter cannot
// be written either, and only this process's memory is left to guard.
class CCounterLock {
  public:
    explicit CCounterLock(IFileSystem& fs) {
        if (EnsurePrivateFolder(fs, CounterFolder())) {
            m_lock.emplace(fs, TaskCounterPath() + ".lock");
        }
    }

  private:
    std::optional<CFileLock> m_lock;
};

// Serialises the threads of this process when the lock file cannot be used.
std::mutex g_drawMutex;

}  // namespace

std::string TaskCounterPath() {
    return CounterFolder() + "/ELNum";
}

int ReadTaskCounter(IFileSystem& fs) {
    return Current(fs, TaskCounterPath());
}

bool WriteTaskCounter(IFileSystem& fs, int value) {
    std::lock_guard guard(g_drawMutex);
    CCounterLock lock(fs);
    return Store(fs, TaskCounterPath(), value);
}

int DrawNewTaskId(IFileSystem& fs) {
    std::lock_guard guard(g_drawMutex);
    CCounterLock lock(fs);
    std::string path = TaskCounterPath();
    int current = Current(fs, path);
    if (current == INT_MAX) {
        return -1;
    }
    int id = current < 0 ? 1 : current + 1;
    Store(fs, path, id);
    return id;
}

bool RaiseTaskCounter(IFileSystem& fs, int highestId) {
    std::lock_guard guard(g_drawMutex);
    CCounterLock lock(fs);
    std::string path = TaskCounterPath();
    return highestId <= Current(fs, path) || Store(fs, path, highestId);
}

}  // namespace tv
