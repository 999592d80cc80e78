#pragma once

#include <chrono>
#include <vector>

#include "platform/FileSystem.h"
#include "scan/InvestigateJob.h"

namespace tv {

// Lists the folders of a file system (IFileSystem::ReadFolder), piece by piece as the listing
// arrives. Special files never reach the tree, and a folder that is already being listed above
// (met again through a link or a bind mount) is not entered, so no scan hangs or loops. A failed
// child is listed again, up to three times, when its error says the file system was gone for a
// moment (IsNetworkError: what error 58 was on Windows shares).
class CFileSystemLister : public IFolderLister {
  public:
    // How a failed child is tried again: how often, and how long to wait before each try (a
    // remote server gets the time to come back; the wait ends early on a cancel).
    struct CRetryRule {
        int m_nTries = 3;
        std::chrono::milliseconds m_wait{0};
    };

    explicit CFileSystemLister(IFileSystem& fileSystem) : m_fs(fileSystem) {}
    CFileSystemLister(IFileSystem& fileSystem, CRetryRule rule) : m_fs(fileSystem), m_rule(rule) {}

    int ListFolder(CInvestigationJob& job) override;
    bool RetryChild(const CInvestigationJob& child, int attempt) override;

  private:
    IFileSystem& m_fs;
    CRetryRule m_rule;
    std::vector<CFolderItem> m_items;  // reused from piece to piece and folder to folder
};

}  // namespace tv
