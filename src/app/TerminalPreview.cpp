#include <vector>

#include "app/Terminal.h"
#include "scan/TreeF.h"
#include "sync/Plan.h"

namespace tv {

namespace {

enum PreviewList { CopyFromSource, CopyFromTarget, DeleteInSource, DeleteInTarget, ListCount };

constexpr const char* kHeadings[ListCount] = {
    "Files to copy from source",
    "Files to copy from target",
    "Files to delete in source",
    "Files to delete in target",
};

using Listing = std::vector<std::string>[ListCount];

void Collect(const CTreeF& node, const std::string& folder, Listing& lists) {
    for (const CFileDoInfo& file : node.files) {
        if (file.action == ACTION_NONE || (file.side == Side::Source && !file.selected)) {
            continue;
        }
        const bool deletes = file.action == ACTION_DELETE;
        const int list = file.side == Side::Source ? (deletes ? DeleteInSource : CopyFromSource)
                                                   : (deletes ? DeleteInTarget : CopyFromTarget);
        lists[list].push_back(folder + file.name);
    }
    for (const auto& sub : node.subfolders) {
        Collect(*sub, folder + sub->name + "/", lists);
    }
}

}  // namespace

bool CTerminalPreview::ShowPreview(CElement& /*task*/, CTreeF& merged, const CPlanBytes& bytes,
                                   const CPreviewRequest& request) {
    Listing lists;
    Collect(merged, "", lists);
    const uint64_t sizes[ListCount] = {bytes.m_copyFromSource, bytes.m_copyFromTarget,
                                       bytes.m_deleteInSource, bytes.m_deleteInTarget};
    std::string text = "Preview of " + request.m_strCaption;
    for (int list = 0; list < ListCount; ++list) {
        text += "\n" + std::string(kHeadings[list]) + " (" + std::to_string(lists[list].size()) +
                " files, " + std::to_string(sizes[list]) + " bytes):";
        for (const std::string& path : lists[list]) {
            text += "\n      " + path;
        }
    }
    if (!request.m_strKeepNote.empty()) {
        text += "\n" + request.m_strKeepNote;
    }
    m_terminal.Line(text);
    if (!m_terminal.CanAsk()) {
        m_terminal.Line("Nobody can answer the preview here: it is refused and the run canceled");
        return false;
    }
    for (;;) {
        const std::string answer = m_terminal.Ask("Proceed? [y/n]");
        if (answer.empty() || answer[0] == 'n' || answer[0] == 'N') {
            return false;
        }
        if (answer[0] == 'y' || answer[0] == 'Y') {
            return true;
        }
    }
}

}  // namespace tv
