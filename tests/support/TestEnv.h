#pragma once

#include <filesystem>
#include <string>

namespace tvtest {

// A temporary folder that is removed with everything in it when the object goes away.
class CTempDir {
  public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

// Points HOME, the XDG folders and the shutdown command at a fresh temporary folder for the
// lifetime of the object, so that no test reads or writes the real user's settings, and takes
// the display away (DISPLAY, WAYLAND_DISPLAY).
class CIsolatedHome {
  public:
    CIsolatedHome();
    ~CIsolatedHome();

    const std::filesystem::path& Root() const { return m_dir.Path(); }
    std::filesystem::path ConfigHome() const { return m_dir.Path() / "config"; }
    std::filesystem::path DataHome() const { return m_dir.Path() / "data"; }
    std::filesystem::path StateHome() const { return m_dir.Path() / "state"; }

  private:
    CTempDir m_dir;
};

void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace tvtest
