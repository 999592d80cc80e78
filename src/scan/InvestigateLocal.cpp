#include "scan/InvestigateLocal.h"

#include <algorithm>

#include "scan/InvestigateEntries.h"

namespace tv {

namespace {

constexpr int kNetworkRetries = 3;

size_t CountFiles(const std::vector<CFolderItem>& items) {
    return static_cast<size_t>(std::count_if(items.begin(), items.end(), [](const auto& item) {
        return item.m_info.m_type == EntryType::File;
    }));
}

}  // namespace

int CLocalFolderLister::ListFolder(CInvestigationJob& job) {
    CFileInfo folder;
    job.m_nLastError = m_fs.ReadFolder(job.m_strPath, folder, m_items);
    if (job.m_nLastError) {
        return job.m_nLastError;
    }
    job.m_nDevice = folder.m_device;
    job.m_nInode = folder.m_inode;
    CEntrySink sink(job, CountFiles(m_items));
    for (CFolderItem& item : m_items) {
        if (sink.ShouldStop()) {
            break;
        }
        const CFileInfo& info = item.m_info;
        if (sink.IsSkippedByAttributes(info.m_attributes)) {
            continue;
        }
        if (info.m_type == EntryType::File) {
            sink.AddFile(item.m_name, info.m_size, info.m_lastWrite, info.m_creation,
                         info.m_attributes);
        } else if (info.m_type == EntryType::Folder &&
                   !job.IsAncestorOrSelf(info.m_device, info.m_inode)) {
            sink.AddFolder(item.m_name, info.m_creation, info.m_attributes);
        }
    }
    sink.Finish();
    return 0;
}

bool CLocalFolderLister::RetryChild(const CInvestigationJob& child, int attempt) {
    return attempt <= kNetworkRetries && IsNetworkError(child.m_nLastError);
}

}  // namespace tv
