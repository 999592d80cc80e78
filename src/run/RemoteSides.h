#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/RoutedFileSystem.h"

namespace tv {

class CElement;
class CFtpTimeTable;
class CRemoteFileSystem;
class CTag;

// The locations of one run as one file system: local paths reach the run's base file system,
// and each remote site the run meets is connected once, the first time a side needs it, and
// mounted under its root text (CTag::RemoteRootText), so that the scan, the pass and the copy
// work on it like on a folder. The connections live until Disconnect or the end of the object.
//
// Questions of a connection (a missing password, an unknown host key or certificate) go
// through the task's prompter; nobody to ask refuses them. Worker thread of the run: connect
// only while no scan or pass of the run is going on.
class CRemoteSides {
  public:
    // `ftpTimes` (may be none): the servers' LIST time shifts. `spoolFolder`: where transfers
    // are spooled (the program's temporary folder).
    CRemoteSides(CElement& task, IFileSystem& base, const CFtpTimeTable* ftpTimes,
                 std::string spoolFolder);
    ~CRemoteSides();
    CRemoteSides(const CRemoteSides&) = delete;
    CRemoteSides& operator=(const CRemoteSides&) = delete;

    IFileSystem& Fs() { return m_routed; }

    // Connects the site of `location` (a remote location as the task list holds it) unless it
    // is connected already. False with the reason in `error` when it cannot be reached, the
    // login or the server's identity was refused, or no password was given. A server that
    // cannot be reached is tried again as often as the location says, 10 s apart, and so is one
    // that is lost later in the run. Blocks on the server; cancelled through the task's cancel
    // between steps and during the waits.
    bool Connect(const CTag& location, std::string& error);

    // The names the listings refused, as paths for the log; each is handed out once.
    std::vector<std::string> TakeRefusedNames();

    // Closes every connection. Blocks until the servers were told.
    void Disconnect();

  private:
    struct CSite;

    CElement& m_task;
    IFileSystem& m_base;
    const CFtpTimeTable* m_pFtpTimes;
    std::string m_spoolFolder;
    CRoutedFileSystem m_routed;
    std::vector<std::unique_ptr<CSite>> m_sites;
};

}  // namespace tv
