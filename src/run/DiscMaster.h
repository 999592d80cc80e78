#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/DiscRecorder.h"
#include "scan/FoldersAndFiles.h"

namespace tv {

// One recorder, by the address its target path begins with.
class CDiscRecorder {
  public:
    CDiscRecorder(IDiscRecorder& recorders, std::string drive)
        : m_recorders(&recorders), m_strDrive(std::move(drive)) {}

    const std::string& Drive() const { return m_strDrive; }
    // Whether the recorder can be taken and holds a medium that can be written or erased.
    // Blocks on the drive; the run's worker or the window's eraser thread.
    bool OpenExclusive() { return m_recorders->IsReady(m_strDrive); }
    // Blocks for the whole erase (a full one may take an hour); not cancelled.
    bool Erase(EraseMode mode, std::string& error) {
        return m_recorders->Erase(m_strDrive, mode, error);
    }

  private:
    IDiscRecorder* m_recorders;
    std::string m_strDrive;
};

// The image of one disc: its staging tree as the entries the recorder writes, each folder
// before what it holds.
class CJolietDiscMaster {
  public:
    void AddData(const CFoldersAndFiles& root);
    const std::vector<CDiscImageEntry>& Entries() const { return m_entries; }
    // Whether any file is in the image (folders alone are no backup).
    bool HoldsFiles() const { return m_nFiles > 0; }

  private:
    void AddFolder(const CFoldersAndFiles& folder, const std::string& path);

    std::vector<CDiscImageEntry> m_entries;
    size_t m_nFiles = 0;
};

// The recorders of this machine as the runner and the settings page meet them.
class CDiscMaster {
  public:
    explicit CDiscMaster(IDiscRecorder& recorders) : m_recorders(recorders) {}

    // The recorder a target path begins with; none for another path or an address that no
    // recorder answers. `folder` receives the folder chain inside the image. Blocks on the
    // drive; any thread.
    std::optional<CDiscRecorder> RecorderFor(const std::string& targetPath, std::string& folder);
    // Burns `image` on `recorder` as its only session. Blocks for the whole burn; cancelled
    // through `progress`.
    bool RecordDisc(CDiscRecorder& recorder, const CJolietDiscMaster& image, EjectMode eject,
                    const BurnProgressFn& progress, std::string& error);

  private:
    IDiscRecorder& m_recorders;
};

// The staging tree of one disc target: an empty image root and one nested folder per
// component of the folder chain; the innermost one receives what the pass stages.
class CDiscImageTree {
  public:
    explicit CDiscImageTree(const std::string& folderChain);
    CDiscImageTree(const CDiscImageTree&) = delete;
    CDiscImageTree& operator=(const CDiscImageTree&) = delete;

    const CFoldersAndFiles& Root() const { return m_root; }
    CFoldersAndFiles& Innermost() { return *m_pInnermost; }

  private:
    CFoldersAndFiles m_root;
    CFoldersAndFiles* m_pInnermost;
};

}  // namespace tv
