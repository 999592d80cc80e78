#include "auto/RealtimeService.h"

#include <cerrno>
#include <charconv>
#include <memory>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/Autostart.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/ServiceProcess.h"
#include "task/Element.h"
#include "task/TaskList.h"

namespace tv {

namespace {

constexpr char kRecordName[] = "service";
constexpr char kRecordFile[] = "/service";
constexpr char kTaskFile[] = "/task.tsl";
constexpr char kPidFile[] = "/pid";
constexpr char kAutomatic[] = "start=automatic";
constexpr char kOnDemand[] = "start=demand";
constexpr char kArgument[] = "arg=";
// How often a stopping service is asked about.
constexpr std::chrono::milliseconds kStopPoll{50};

bool IsLocalFolder(const CTag& location) {
    return location.IsLocal() && location.m_strPath.front() == '/';
}

// Paths may hold line breaks, so the record's lines carry them escaped.
std::string EscapeLine(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeLine(std::string_view line) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            text += line[++i] == 'n' ? '\n' : line[i];
        } else {
            text += line[i];
        }
    }
    return text;
}

bool IsAccessError(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

}  // namespace

CServicePlaces CServicePlaces::FromEnvironment() {
    CServicePlaces places;
    places.m_strServices = XdgStateHome() + "/Twinvale/services";
    places.m_strAutostart = AutostartFolder();
    places.m_strProgram = ServiceProgramPath();
    return places;
}

std::string RealtimeServiceName(int taskId) {
    return "TwinvaleRealTask_" + std::to_string(taskId);
}

std::optional<std::vector<std::string>> RealtimeServiceCommand(const std::string& program,
                                                               const CElement& task) {
    if (program.empty() || !IsLocalFolder(task.m_Source) || task.m_Targets.empty() ||
        task.Has3(opt3::kArchiveTarget)) {
        return std::nullopt;
    }
    std::vector<std::string> argv{program, RealtimeServiceName(task.m_nTaskId),
                                  task.m_Source.m_strPath};
    for (const CTag& target : task.m_Targets) {
        if (!IsLocalFolder(target)) {
            return std::nullopt;
        }
        argv.push_back(target.m_strPath);
    }
    return argv;
}

CRealtimeServices::CRealtimeServices(IFileSystem& fs, CServicePlaces places)
    : m_fs(fs), m_places(std::move(places)) {}

std::string CRealtimeServices::FolderOf(const CElement& task) const {
    return m_places.m_strServices + "/" + RealtimeServiceName(task.m_nTaskId);
}

CServiceResult CRealtimeServices::Open() {
    int error = 0;
    if (EnsurePrivateFolder(m_fs, m_places.m_strServices, &error)) {
        return {};
    }
    return {IsAccessError(error) ? ServiceStatus::NoAccess : ServiceStatus::Failed, error};
}

bool CRealtimeServices::Exists(const CElement& task) {
    return ReadRecord(FolderOf(task)).has_value();
}

bool CRealtimeServices::IsRunning(const CElement& task) {
    const std::string folder = FolderOf(task);
    const std::optional<CRecord> record = ReadRecord(folder);
    return record && RunningPid(folder, *record) > 0;
}

// A service that the desktop started at login left no pid on record: it is looked for, and
// recorded once found.
pid_t CRealtimeServices::RunningPid(const std::string& folder, const CRecord& record) {
    if (record.m_argv.size() < 2) {
        return -1;
    }
    const std::string& program = record.m_argv[0];
    const std::string& name = record.m_argv[1];
    if (const pid_t pid = ReadPid(folder); IsServiceProcess(pid, program, name)) {
        return pid;
    }
    const pid_t found = FindServiceProcess(program, name);
    if (found > 0) {
        WritePrivateFileAtomically(m_fs, folder + kPidFile, std::to_string(found) + "\n");
    }
    return found;
}

std::optional<CRealtimeServices::CRecord> CRealtimeServices::ReadRecord(const std::string& folder) {
    const std::optional<std::string> text = ReadWholeFile(m_fs, folder + kRecordFile);
    if (!text) {
        return std::nullopt;
    }
    CRecord record;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line == kAutomatic) {
            record.m_bAutomatic = true;
        } else if (line.starts_with(kArgument)) {
            record.m_argv.push_back(UnescapeLine(line.substr(sizeof kArgument - 1)));
        }
    }
    return record;
}

pid_t CRealtimeServices::ReadPid(const std::string& folder) {
    const std::optional<std::string> text = ReadWholeFile(m_fs, folder + kPidFile, nullptr, 64);
    pid_t pid = -1;
    if (text) {
        std::from_chars(text->data(), text->data() + text->size(), pid);
    }
    return pid;
}

CServiceResult CRealtimeServices::Create(const CElement& task) {
    const std::optional<std::vector<std::string>> argv =
        RealtimeServiceCommand(m_places.m_strProgram, task);
    if (!argv) {
        return {ServiceStatus::NotLocal, 0};
    }
    const std::string folder = FolderOf(task);
    int error = 0;
    if (!EnsurePrivateFolder(m_fs, folder, &error)) {
        return {IsAccessError(error) ? ServiceStatus::NoAccess : ServiceStatus::Failed, error};
    }
    if (CServiceResult written = WriteTask(folder, task); !written.Ok()) {
        return written;
    }
    CRecord record{*argv, task.m_bServiceAutoStart != 0};
    std::string text = record.m_bAutomatic ? kAutomatic : kOnDemand;
    text += '\n';
    for (const std::string& arg : record.m_argv) {
        text += kArgument + EscapeLine(arg) + '\n';
    }
    if (!WritePrivateFileAtomically(m_fs, folder + kRecordFile, text)) {
        return {ServiceStatus::Failed, errno != 0 ? errno : EIO};
    }
    return WriteAutostart(task, record);
}

// The service reads its filters and log folder from the task as a one-task list. The account
// password has no use here and stays out of the file.
CServiceResult CRealtimeServices::WriteTask(const std::string& folder, const CElement& task) {
    CTaskList list;
    auto copy = std::make_unique<CElement>(task);
    copy->m_strServicePassword.clear();
    list.m_nHighestId = task.m_nTaskId;
    list.m_Tasks.push_back(std::move(copy));
    const std::vector<uint8_t> bytes = list.Store();
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!WritePrivateFileAtomically(m_fs, folder + kTaskFile, view)) {
        return {ServiceStatus::Failed, errno != 0 ? errno : EIO};
    }
    return {};
}

CServiceResult CRealtimeServices::WriteAutostart(const CElement& task, const CRecord& record) {
    const std::string path =
        m_places.m_strAutostart + "/" + RealtimeServiceName(task.m_nTaskId) + ".desktop";
    if (!record.m_bAutomatic) {
        const int error = m_fs.Unlink(path);
        return error == 0 || error == ENOENT ? CServiceResult{}
                                             : CServiceResult{ServiceStatus::Failed, error};
    }
    int error = 0;
    if (!EnsureFolder(m_fs, m_places.m_strAutostart, &error)) {
        return {ServiceStatus::Failed, error};
    }
    const std::string text = AutostartEntryText(RealtimeServiceName(task.m_nTaskId), record.m_argv);
    if (!WriteFileAtomically(m_fs, path, text)) {
        return {ServiceStatus::Failed, errno != 0 ? errno : EIO};
    }
    return {};
}

CServiceResult CRealtimeServices::Start(const CElement& task) {
    const std::string folder = FolderOf(task);
    const std::optional<CRecord> record = ReadRecord(folder);
    if (!record || record->m_argv.size() < 2) {
        return {ServiceStatus::Missing, ENOENT};
    }
    if (RunningPid(folder, *record) > 0) {
        return {};
    }
    pid_t pid = -1;
    if (const int error = StartDetached(record->m_argv, pid); error != 0) {
        return {ServiceStatus::Failed, error};
    }
    if (!WritePrivateFileAtomically(m_fs, folder + kPidFile, std::to_string(pid) + "\n")) {
        // Unrecorded, it could never be stopped from here.
        AskToEnd(pid);
        return {ServiceStatus::Failed, errno != 0 ? errno : EIO};
    }
    return {};
}

CServiceResult CRealtimeServices::Stop(const CElement& task) {
    const std::string folder = FolderOf(task);
    const std::optional<CRecord> record = ReadRecord(folder);
    const pid_t pid = record ? RunningPid(folder, *record) : -1;
    if (pid <= 0) {
        return {};
    }
    AskToEnd(pid);
    const auto deadline = std::chrono::steady_clock::now() + m_places.m_stopWait;
    while (IsServiceProcess(pid, record->m_argv[0], record->m_argv[1])) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return {ServiceStatus::StillRunning, 0};
        }
        std::this_thread::sleep_for(kStopPoll);
    }
    return {};
}

CServiceResult CRealtimeServices::Delete(const CElement& task) {
    if (CServiceResult stopped = Stop(task); !stopped.Ok()) {
        return stopped;
    }
    const std::string autostart =
        m_places.m_strAutostart + "/" + RealtimeServiceName(task.m_nTaskId) + ".desktop";
    if (const int error = m_fs.Unlink(autostart); error != 0 && error != ENOENT) {
        return {IsAccessError(error) ? ServiceStatus::NoAccess : ServiceStatus::Failed, error};
    }
    const std::string folder = FolderOf(task);
    std::vector<std::string> names;
    if (const int error = m_fs.ListNames(folder, names); error != 0) {
        return error == ENOENT ? CServiceResult{} : CServiceResult{ServiceStatus::Failed, error};
    }
    // The record goes last: a removal cut short leaves a service that can be removed again.
    for (const std::string& name : names) {
        if (name != kRecordName) {
            m_fs.Unlink(folder + "/" + name);
        }
    }
    m_fs.Unlink(folder + kRecordFile);
    if (const int error = m_fs.RemoveFolder(folder); error != 0 && error != ENOENT) {
        return {IsAccessError(error) ? ServiceStatus::NoAccess : ServiceStatus::Failed, error};
    }
    return {};
}

}  // namespace tv
