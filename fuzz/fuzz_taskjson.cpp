// Bytes as the JSON form of a task list: the import must refuse or accept them without a crash,
// and what it accepts must store, load and print again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/CliListJson.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "task/TaskList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tv::CTaskList list;
    try {
        tv::TaskListFromJsonText(std::string_view(reinterpret_cast<const char*>(data), size), list);
    } catch (const tv::CJsonImportError&) {
        return 0;
    }
    const std::vector<uint8_t> bytes = list.Store();
    // A profile that does not exist: the load reads no rotation values from the user's.
    static const tv::CProfile profile(tv::LocalFileSystem(),
                                      "/nonexistent/twinvale-fuzz/Mirrant.conf");
    tv::CTaskList loaded;
    if (!loaded.Load(tv::LocalFileSystem(), bytes, profile).Ok() ||
        loaded.m_Tasks.size() != list.m_Tasks.size()) {
        __builtin_trap();
    }
    (void)tv::TaskListToJson(loaded).dump();
    return 0;
}
