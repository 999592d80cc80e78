#pragma once

#include <string>

namespace tv {

class CElement;
class CTreeF;
struct CPlanBytes;

// What the preview shows besides the planned tree.
struct CPreviewRequest {
    std::string m_strCaption;  // "Task: <id>  <source> --> <target>" (" <--> " for two-way)
    std::string m_strSource;   // the source root
    std::string m_strTarget;   // the target root
    int m_nTargetIndex = 0;
    std::string m_strKeepNote;  // where deleted and replaced files go; empty: nowhere
};

// Shows the planned actions of one target before the pass (the preview window, or a listing
// on the terminal) and lets the user take rows out.
class IPreviewHandler {
  public:
    virtual ~IPreviewHandler() = default;
    // Called on the run's worker thread; blocks until the user has decided. An unchecked
    // source record gets `selected` = false; an unchecked target record is removed from
    // `merged`. False when the preview was refused or could not be shown to anyone: the run is
    // then canceled.
    virtual bool ShowPreview(CElement& task, CTreeF& merged, const CPlanBytes& bytes,
                             const CPreviewRequest& request) = 0;
};

}  // namespace tv
