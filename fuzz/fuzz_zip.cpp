// An archive to restore from is untrusted input. Whatever it holds, opening and extracting it
// never crashes, and nothing is written outside the folder it is extracted into.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/FileSystem.h"
#include "zip/ZipReader.h"

namespace {

namespace fs = std::filesystem;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// A folder of the process's own, made for each input and removed after it (libFuzzer ends
// without running exit handlers): "area" holds the extraction root and nothing else, ever.
const fs::path& Work() {
    static const fs::path work =
        fs::temp_directory_path() / ("fuzz_zip-" + std::to_string(::getpid()));
    return work;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path archive = Work() / "input.zip";
    const fs::path area = Work() / "area";
    const fs::path root = area / "root";
    fs::create_directories(root);
    std::ofstream(archive, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    tv::CZipReader reader(tv::LocalFileSystem());
    if (reader.Open(archive.string()) == 0) {
        // A few pieces of each entry are enough to reach every path; a bomb stops there.
        int pieces = 0;
        const auto enough = [&pieces] { return ++pieces > 4; };
        for (size_t i = 0; i < reader.EntryCount() && i < 64; ++i) {
            pieces = 0;
            reader.Extract(i, root.string(), enough);
        }
    }
    size_t inArea = 0;
    for (const auto& entry : fs::directory_iterator(area)) {
        Check(entry.path() == root);
        ++inArea;
    }
    Check(inArea == 1);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        Check(!entry.is_symlink());
    }
    fs::remove_all(Work());
    return 0;
}
