#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tv {

// One entry of a disc image. Image paths use "/" without a leading one; a folder comes before
// everything in it.
struct CDiscImageEntry {
    std::string m_strImagePath;
    std::string m_strLocalPath;  // the file whose bytes the image carries; empty: a folder
};

enum class EraseMode : uint8_t { Quick, Full };
enum class EjectMode : uint8_t { Keep, Eject };

struct CBurnProgress {
    int m_nPercent = 0;
    int m_nKiloBytesPerSecond = 0;
};

// Called about once a second while a burn writes; false cancels the burn.
using BurnProgressFn = std::function<bool(const CBurnProgress&)>;

// Splits a target path that begins with a recorder's address: "/dev/sr0/Backup/2026" gives
// "/dev/sr0" and "Backup/2026"; "stdio:/x/disc.iso/Backup" gives "stdio:/x/disc.iso" (an image
// file that stands for a disc: up to the first name ending in ".iso") and "Backup". False for
// any other path.
bool SplitDiscPath(const std::string& path, std::string& drive, std::string& folder);

// The disc recorders of this machine, named by their addresses. Each call takes the drive for
// itself and lets it go before it returns. Every call blocks (a full erase may take an hour)
// and may come from any thread; calls of one process take turns. Failures are false, with the
// drive's or the library's words in `error`.
class IDiscRecorder {
  public:
    virtual ~IDiscRecorder() = default;

    // Whether `drive` is a recorder that this user may take (an image file: one that can be
    // written).
    virtual bool IsRecorder(const std::string& drive) = 0;
    // Whether it holds a medium that can be written, or erased and then written.
    virtual bool IsReady(const std::string& drive) = 0;
    virtual bool Erase(const std::string& drive, EraseMode mode, std::string& error) = 0;
    // Writes one ISO 9660 session with Joliet and Rock Ridge names made of `entries`, reading
    // each file from disk when the image reaches it. An image file is written beside its old
    // one and replaces it only when complete. Cancelled through `progress`.
    virtual bool Burn(const std::string& drive, const std::vector<CDiscImageEntry>& entries,
                      EjectMode eject, const BurnProgressFn& progress, std::string& error) = 0;
};

// The recorders behind libburn, with images made by libisofs.
IDiscRecorder& SystemDiscRecorder();

}  // namespace tv
