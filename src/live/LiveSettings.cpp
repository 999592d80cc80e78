#include "live/LiveSettings.h"

#include <charconv>

#include "base/PathText.h"
#include "live/ChangeQueue.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "report/TaskLog.h"
#include "task/TaskList.h"

namespace tv {

namespace {

constexpr std::string_view kServicePrefix = "TwinvaleRealTask_";

std::string Resolved(IFileSystem& fs, const std::string& path) {
    std::string resolved;
    return CleanFolderPath(fs.ResolvePath(path, resolved) == 0 ? resolved : path);
}

// The task with the service's id, or the only task of the file.
std::optional<CElement> TaskFromFile(IFileSystem& fs, const std::string& name,
                                     std::string& warning) {
    const std::string path = ServiceTaskPath(name);
    CFileInfo info;
    if (fs.Stat(path, info, LinkMode::Follow) != 0) {
        return std::nullopt;
    }
    CTaskList list;
    CProfile profile(fs);
    const CListLoadResult loaded = list.LoadFile(fs, path, profile);
    if (!loaded.Ok()) {
        warning = path + ": " + loaded.m_strError;
    }
    const std::optional<int> id = TaskIdOfService(name);
    for (const auto& task : list.m_Tasks) {
        if (id && task->m_nTaskId == *id) {
            return *task;
        }
    }
    if (list.m_Tasks.size() == 1) {
        return *list.m_Tasks.front();
    }
    if (warning.empty()) {
        warning = path + ": no task for " + name;
    }
    return std::nullopt;
}

}  // namespace

bool CLiveSettings::IsWatched(const std::string& path) const {
    for (const std::string& inside : m_InsideSource) {
        if (IsAtOrBelow(path, inside)) {
            return false;
        }
    }
    return true;
}

std::string ServiceTaskPath(const std::string& name) {
    return XdgStateHome() + "/Twinvale/services/" + name + "/task.tsl";
}

std::optional<int> TaskIdOfService(const std::string& name) {
    if (!name.starts_with(kServicePrefix)) {
        return std::nullopt;
    }
    const char* first = name.data() + kServicePrefix.size();
    const char* last = name.data() + name.size();
    int id = 0;
    const auto [end, error] = std::from_chars(first, last, id);
    if (error != std::errc() || end != last || first == last) {
        return std::nullopt;
    }
    return id;
}

CLiveSettings MakeLiveSettings(IFileSystem& fs, const std::string& name, const std::string& source,
                               const std::vector<std::string>& targets, std::string& warning) {
    CLiveSettings settings;
    settings.m_strName = name;
    settings.m_strSource = Resolved(fs, source);
    if (std::optional<CElement> task = TaskFromFile(fs, name, warning)) {
        settings.m_Task = *task;
    } else {
        settings.m_Task.m_nTaskId = TaskIdOfService(name).value_or(0);
    }
    settings.m_Task.m_Source = CTag();
    settings.m_Task.m_Source.m_strPath = settings.m_strSource;
    settings.m_Task.m_Targets.clear();
    const std::string prefix = settings.m_strSource == "/" ? "/" : settings.m_strSource + "/";
    for (const std::string& target : targets) {
        const std::string path = Resolved(fs, target);
        settings.m_Targets.push_back(path);
        settings.m_Task.m_Targets.emplace_back().m_strPath = path;
        if (path.starts_with(prefix)) {
            settings.m_InsideSource.push_back(path.substr(prefix.size()));
        }
    }
    return settings;
}

std::string ServiceLogPath(const CLiveSettings& settings) {
    return FolderOf(LogPathOf(settings.m_Task)) + "/" + settings.m_strName + ".log";
}

std::string JoinRelative(const std::string& root, const std::string& relative) {
    if (relative.empty() || root.empty()) {
        return root + relative;
    }
    return root == "/" ? "/" + relative : root + "/" + relative;
}

}  // namespace tv
