#pragma once

#include <string>

#include "run/DiscMaster.h"
#include "run/TaskRun.h"

namespace tv {

struct CTaskRun::CDiscTarget {
    CDiscTarget(std::string path, CDiscRecorder recorder, const std::string& folder)
        : m_strPath(std::move(path)), m_recorder(std::move(recorder)), m_image(folder) {}

    std::string m_strPath;  // the target path, as the log shows it
    CDiscRecorder m_recorder;
    CDiscImageTree m_image;
};

}  // namespace tv
