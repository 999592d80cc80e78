#include "TestEnv.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <sys/stat.h>

namespace tvtest {

namespace fs = std::filesystem;

CTempDir::CTempDir() {
    std::string pattern = (fs::temp_directory_path() / "twinvale-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ec;
    // Tests make folders read-only; give the owner its rights back so the removal succeeds.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            chmod(it->path().c_str(), 0700);
        }
    }
    fs::remove_all(m_path, ec);
}

CIsolatedHome::CIsolatedHome() {
    fs::create_directories(ConfigHome());
    fs::create_directories(DataHome());
    fs::create_directories(StateHome());
    setenv("HOME", m_dir.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    setenv("XDG_STATE_HOME", StateHome().c_str(), 1);
    setenv("TWINVALE_SHUTDOWN_CMD", "true", 1);
    // Schedules go to a file of the test's own, never to the crontab of whoever runs the tests.
    setenv("TWINVALE_CRONTAB_FILE", (StateHome() / "crontab").c_str(), 1);
    // A run of the program shows windows on a display; a test that wants them says so with
    // QT_QPA_PLATFORM, and none opens on the desktop of whoever runs the tests.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
}

CIsolatedHome::~CIsolatedHome() = default;

void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tvtest
