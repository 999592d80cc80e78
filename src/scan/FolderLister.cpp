#include "scan/FolderLister.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "scan/InvestigateEntries.h"

namespace tv {

namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(200);

size_t CountFiles(const std::vector<CFolderItem>& items) {
    return static_cast<size_t>(std::count_if(items.begin(), items.end(), [](const auto& item) {
        return item.m_info.m_type == EntryType::File;
    }));
}

// A stop between entries ends this folder's listing as it always has: with what came so far.
void AddItems(CInvestigationJob& job, CEntrySink& sink, std::vector<CFolderItem>& items) {
    for (CFolderItem& item : items) {
        if (sink.ShouldStop()) {
            return;
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
}

}  // namespace

// The first piece tells how much room the folder's list needs; a local folder comes in one.
// What a listing that failed later handed on still gets the order the tree keeps.
int CFileSystemLister::ListFolder(CInvestigationJob& job) {
    CFileInfo folder;
    std::optional<CEntrySink> sink;
    const auto start = [&](size_t expectedFiles) {
        job.m_nDevice = folder.m_device;
        job.m_nInode = folder.m_inode;
        sink.emplace(job, expectedFiles);
    };
    job.m_nLastError = m_fs.ReadFolder(job.m_strPath, folder, m_items, [&](auto& piece) {
        if (!sink) {
            start(CountFiles(piece));
        }
        AddItems(job, *sink, piece);
        return 0;
    });
    if (!sink && job.m_nLastError == 0) {
        start(0);
    }
    if (sink) {
        sink->Finish();
    }
    return job.m_nLastError;
}

bool CFileSystemLister::RetryChild(const CInvestigationJob& child, int attempt) {
    if (attempt > m_rule.m_nTries || !IsNetworkError(child.m_nLastError)) {
        return false;
    }
    for (auto waited = std::chrono::milliseconds(0); waited < m_rule.m_wait; waited += kWaitSlice) {
        if (child.StopRequested()) {
            return false;
        }
        std::this_thread::sleep_for(kWaitSlice);
    }
    return true;
}

}  // namespace tv
