#pragma once

#include <string>

#include "platform/RemoteDriver.h"

namespace tv {

// What a failed upload may have left on the server for the next login to put right.
struct CUploadLeftovers {
    std::string m_temp;  // empty: nothing left
    std::string m_target;
    bool m_bSteppedAside = false;  // the old file may be under the "-old" name
};

// The requests that put a complete upload in place, on an SFTP session that may break halfway.
// Errors as IRemoteDriver's; a refusal by the server leaves the session whole.
class ISftpPlacer {
  public:
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
    // False once a failure may have broken the session.
    virtual bool Whole() const = 0;

  protected:
    ~ISftpPlacer() = default;
};

// Puts the complete temporary of `leftovers` in place of its target, stepping the old file aside
// first unless the target is known to be absent. SFTP's rename will not replace a file, and the
// old one must never be gone before the new one has its name. Blocks; the session's thread.
int PutUploadInPlace(ISftpPlacer& session, CUploadLeftovers& leftovers, UploadTarget target);

// Puts the old file back and removes the temporary, as far as the session stays whole; clears
// `leftovers` when it did.
void RestoreUploadLeftovers(ISftpPlacer& session, CUploadLeftovers& leftovers);

}  // namespace tv
