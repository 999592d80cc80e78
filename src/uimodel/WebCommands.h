#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace tv {

class CProfile;
class IUiDialogs;

// Where Webpage and the version check go while the profile names no address of its own.
inline constexpr char kDefaultWebPage[] = "https://www.twinvale.org/";
inline constexpr char kDefaultVersionFile[] = "https://www.twinvale.org/build.txt";

// The build that the first line of the version file announces: the line trimmed and cut to
// the length of our own build string, when that differs from it. Nothing when it is our
// build, or when the line is empty (a file that says nothing announces nothing).
std::optional<std::string> AnnouncedBuild(const std::string& firstLine,
                                          const std::string& ownBuild);

// Help > Webpage and Help > Check for new version. GUI thread only; nothing here blocks it:
// the version file is read on a worker thread whose result is posted back.
class CWebCommands {
  public:
    // Any thread: runs `fn` on the GUI thread later.
    using Poster = std::function<void(std::function<void()>)>;
    CWebCommands(const CProfile& profile, IUiDialogs& dialogs, Poster post, std::string ownBuild);
    // Cancels a check under way and waits for it, which takes at most a second.
    ~CWebCommands();
    CWebCommands(const CWebCommands&) = delete;
    CWebCommands& operator=(const CWebCommands&) = delete;

    // Opens the product's web page in the browser; says so when the browser cannot be started.
    void OpenWebPage();
    // Starts the check and returns; ignored while one is under way. When the file was read,
    // asks whether to download the announced build (Yes opens the web page) or says there is
    // none; when it could not be read, says nothing.
    void CheckForNewVersion();
    bool Checking() const { return m_worker.joinable(); }

  private:
    void CheckEnded(const std::optional<std::string>& firstLine);

    const CProfile& m_profile;
    IUiDialogs& m_dialogs;
    Poster m_post;
    std::string m_strOwnBuild;
    std::thread m_worker;
    std::atomic<bool> m_bCancel{false};
    // Posted results find out through it whether this object is still there.
    std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true);
};

}  // namespace tv
