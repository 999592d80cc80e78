#pragma once

#include <optional>
#include <string>
#include <vector>

#include "task/Element.h"

namespace tv {

class IFileSystem;

// What a real-time service works with: its name, the source and the targets from its command
// line, and the task it serves (its filters and its log folder).
struct CLiveSettings {
    std::string m_strName;
    std::string m_strSource;
    std::vector<std::string> m_Targets;
    // Targets that lie inside the source, relative to it: what happens there is our own doing.
    std::vector<std::string> m_InsideSource;
    CElement m_Task;

    // Whether `path` (relative to the source) is ours to repeat: not at or below a target.
    bool IsWatched(const std::string& path) const;
};

// The task file the service layer leaves for service `name`:
// $XDG_STATE_HOME/Twinvale/services/<name>/task.tsl.
std::string ServiceTaskPath(const std::string& name);

// The task id in a service name "TwinvaleRealTask_<id>"; nothing for another name.
std::optional<int> TaskIdOfService(const std::string& name);

// Settings from the command line's name, source and targets. The task comes from the service's
// task file when there is one (the task with the name's id, or its only task), else it is a
// task without filters; either way it takes the command line's paths, which rule. Paths are
// resolved, so that a target inside the source is recognised however it was written.
// `warning` receives why a task file present could not be used. Blocks on disk I/O.
CLiveSettings MakeLiveSettings(IFileSystem& fs, const std::string& name, const std::string& source,
                               const std::vector<std::string>& targets, std::string& warning);

// The service's log file: "<name>.log" in the folder where the task's own log goes.
std::string ServiceLogPath(const CLiveSettings& settings);

// `root` and `relative` joined with one "/"; either alone when the other is "".
std::string JoinRelative(const std::string& root, const std::string& relative);

}  // namespace tv
