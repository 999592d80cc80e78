#include "scan/FoldersAndFiles.h"

namespace tv {

CFoldersAndFiles* CFoldersAndFiles::FindChild(std::string_view name) const {
    const auto it = m_ChildByName.find(std::string(name));
    return it == m_ChildByName.end() ? nullptr : it->second;
}

CFoldersAndFiles& CFoldersAndFiles::GetOrAddChild(std::string_view name) {
    if (CFoldersAndFiles* child = FindChild(name)) {
        return *child;
    }
    auto& child = m_Children.emplace_back(std::make_unique<CFoldersAndFiles>(std::string(name)));
    m_ChildByName.emplace(child->m_strName, child.get());
    return *child;
}

bool CFoldersAndFiles::AddFile(std::string name, std::string path) {
    if (m_ChildByName.count(name) || !m_FileNames.insert(name).second) {
        return false;
    }
    m_Files.push_back({std::move(name), std::move(path)});
    return true;
}

}  // namespace tv
