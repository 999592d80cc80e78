#include "task/PatternFile.h"

#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "task/TaskList.h"

namespace tv {

namespace {

// A pattern is one task body, a few kilobytes; anything much larger is not one.
constexpr size_t kMaxPatternBytes = size_t{16} << 20;

std::string PatternPath(const std::string& programDataFolder) {
    return programDataFolder + "/NewTskPattern";
}

}  // namespace

bool SavePattern(IFileSystem& fs, const std::string& programDataFolder, CElement& task) {
    const std::vector<uint8_t> bytes = StoreTaskBody(task);
    return WritePrivateFileAtomically(fs, PatternPath(programDataFolder),
                                      {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

bool LoadPattern(IFileSystem& fs, const std::string& programDataFolder, CElement& task) {
    const auto bytes = ReadWholeFile(fs, PatternPath(programDataFolder), nullptr, kMaxPatternBytes);
    return bytes &&
           LoadTaskBody({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()}, task);
}

bool ClearPattern(IFileSystem& fs, const std::string& programDataFolder) {
    const int err = fs.Unlink(PatternPath(programDataFolder));
    return err == 0 || err == ENOENT;
}

}  // namespace tv
