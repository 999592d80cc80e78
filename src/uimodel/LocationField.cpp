#include "uimodel/LocationField.h"

#include "base/StringTable.h"

namespace tv {

std::string LocationFieldText(const CTag& tag) {
    if (tag.m_strPath.empty() && tag.m_strSiteName.empty() && !tag.m_bIsFtp) {
        return {};
    }
    return tag.DisplayPath();
}

void TypeLocationPath(CTag& tag, const std::string& text) {
    if (text.starts_with(LoadString(IDS_FTP_PREFIX))) {
        return;
    }
    tag.m_strPath = text;
    if (!text.empty()) {
        tag.m_bIsFtp = 0;
    }
}

}  // namespace tv
