#pragma once

#include <memory>
#include <string>

namespace tv {

// The whole text of a crontab, as the scheduler keeps it. Every member blocks on disk I/O or
// on a child program; any thread, one at a time per object; not cancellable.
class ICrontab {
  public:
    virtual ~ICrontab() = default;
    // The text; a crontab that does not exist yet reads as empty. False (with `error`) when it
    // could not be read: then nothing may be written over it.
    virtual bool Read(std::string& text, std::string& error) = 0;
    // Replaces the whole text. False (with `error`) when it was refused or failed.
    virtual bool Write(const std::string& text, std::string& error) = 0;
    // The file whose lock keeps two editors of this program from interleaving.
    virtual std::string LockPath() const = 0;
};

// A crontab kept in a plain file, written atomically (the seam the tests work on).
std::unique_ptr<ICrontab> OpenCrontabFile(const std::string& path);

// The user's own crontab, through "crontab -l" and "crontab -". When TWINVALE_CRONTAB_FILE
// names a file, that file stands in for it, so that tests never reach the real one.
std::unique_ptr<ICrontab> OpenUserCrontab();

}  // namespace tv
