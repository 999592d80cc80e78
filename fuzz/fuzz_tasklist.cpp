// Task lists and the new-task pattern come from files anyone can hand the program. Whatever
// the bytes, loading must not crash, and what was loaded must store and load back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "task/TaskList.h"

namespace {

std::string g_root;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckListRoundTrip(tv::CTaskList& list, const tv::CProfile& profile) {
    tv::CTaskList again;
    Check(again.Load(tv::LocalFileSystem(), list.Store(), profile).Ok());
    Check(again.m_Tasks.size() == list.m_Tasks.size());
    for (size_t i = 0; i < list.m_Tasks.size(); ++i) {
        Check(tv::EqualFields(*again.m_Tasks[i], *list.m_Tasks[i]));
    }
}

void CheckBodyRoundTrip(tv::CElement& task) {
    tv::CElement again;
    Check(tv::LoadTaskBody(tv::StoreTaskBody(task), again));
    Check(tv::EqualFields(again, task));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Old lists draw ids from the task counter and name the data folder: keep both out of the
    // real home.
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-tasklist-XXXXXX");
    if (!mkdtemp(pattern.data())) {
        std::abort();
    }
    g_root = pattern;
    std::atexit([] { std::filesystem::remove_all(g_root); });
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
        setenv(variable, g_root.c_str(), 1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tv::CProfile profile(tv::LocalFileSystem(), g_root + "/Mirrant.conf");
    const std::span<const uint8_t> bytes(data, size);

    tv::CTaskList list;
    list.Load(tv::LocalFileSystem(), bytes, profile);
    CheckListRoundTrip(list, profile);

    tv::CElement task;
    if (tv::LoadTaskBody(bytes, task)) {
        CheckBodyRoundTrip(task);
    }
    return 0;
}
