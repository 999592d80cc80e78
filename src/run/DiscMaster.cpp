#include "run/DiscMaster.h"

namespace tv {

void CJolietDiscMaster::AddData(const CFoldersAndFiles& root) {
    AddFolder(root, {});
}

void CJolietDiscMaster::AddFolder(const CFoldersAndFiles& folder, const std::string& path) {
    const std::string prefix = path.empty() ? path : path + "/";
    for (const CFileEntry& file : folder.Files()) {
        m_entries.push_back({prefix + file.m_strName, file.m_strPath});
        ++m_nFiles;
    }
    for (const auto& child : folder.Children()) {
        m_entries.push_back({prefix + child->Name(), {}});
        AddFolder(*child, prefix + child->Name());
    }
}

std::optional<CDiscRecorder> CDiscMaster::RecorderFor(const std::string& targetPath,
                                                      std::string& folder) {
    std::string drive;
    if (!SplitDiscPath(targetPath, drive, folder) || !m_recorders.IsRecorder(drive)) {
        return std::nullopt;
    }
    return CDiscRecorder(m_recorders, drive);
}

bool CDiscMaster::RecordDisc(CDiscRecorder& recorder, const CJolietDiscMaster& image,
                             EjectMode eject, const BurnProgressFn& progress, std::string& error) {
    return m_recorders.Burn(recorder.Drive(), image.Entries(), eject, progress, error);
}

CDiscImageTree::CDiscImageTree(const std::string& folderChain) : m_pInnermost(&m_root) {
    size_t start = 0;
    while (start < folderChain.size()) {
        size_t end = folderChain.find('/', start);
        end = end == std::string::npos ? folderChain.size() : end;
        if (end > start) {
            m_pInnermost = &m_pInnermost->GetOrAddChild(folderChain.substr(start, end - start));
        }
        start = end + 1;
    }
}

}  // namespace tv
