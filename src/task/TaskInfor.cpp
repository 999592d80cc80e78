#include "task/TaskInfor.h"

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace tv {

std::string RunSpoolFolder() {
    return ProgramDataFolder() + "/Temp";
}

void CTaskInfor::Add(List list, std::string line) {
    std::lock_guard lock(m_mutex);
    const int error = m_lists[list].Add(line, m_pSpoolFs, m_strSpoolFolder);
    // Once is enough: every list that fails after the first keeps its lines in memory as well.
    if (error != 0 && !m_bSpoolFailed) {
        m_bSpoolFailed = true;
        m_lists[Errors].Add(FormatText(LoadString(IDS_RECORD_IN_MEMORY).c_str(),
                                       m_strSpoolFolder.c_str(), SystemErrorText(error).c_str()),
                            m_pSpoolFs, m_strSpoolFolder);
    }
}

size_t CTaskInfor::Count(List list) const {
    std::lock_guard lock(m_mutex);
    return m_lists[list].Count();
}

void CTaskInfor::ForEachLine(List list, const std::function<void(std::string_view)>& visit) const {
    m_lists[list].ForEach(visit);
}

}  // namespace tv
