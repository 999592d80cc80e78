#pragma once

#include "scan/InvestigateJob.h"

namespace tv {

// Lists job.m_strPath into job.m_pNode and, with "Include subfolders", every subfolder below
// it, applying the error policy to a subfolder that cannot be listed. Runs on the side's
// investigation thread and blocks until the subtree is done (or a prompt is answered); stops
// between entries on a cancel or the single-target stop, marking the cut node incomplete.
// False when the folder could not be listed, or a subfolder failure ends the investigation.
bool InvestigateFolder(CInvestigationJob& job);

}  // namespace tv
