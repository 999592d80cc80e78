#include "report/TaskLog.h"

#include <cerrno>
#include <optional>

#include "base/PathText.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "task/Element.h"

namespace tv {

namespace {

std::string FileNameOf(int taskId) {
    return std::to_string(taskId) + ".txt";
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Where a user may not write, the log goes to the user's own documents instead.
bool IsRefused(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

}  // namespace

std::string DefaultLogPath(int taskId) {
    return ProgramDataFolder() + "/logs/" + FileNameOf(taskId);
}

std::string LogPathOf(const CElement& task) {
    if (task.Has3(opt3::kHtmlLog)) {
        return task.m_strHtmlLogFile;
    }
    // An empty alternate folder would put the log at the root of the file system.
    if (task.Has4(opt4::kAltLogDir) && !task.m_strAltLogDir.empty()) {
        return InFolder(task.m_strAltLogDir, FileNameOf(task.m_nTaskId));
    }
    return DefaultLogPath(task.m_nTaskId);
}

CTaskLog::CTaskLog(IFileSystem& fs) : m_fs(fs) {}

bool CTaskLog::Open(const CElement& task) {
    m_bOpen = false;
    m_strError.clear();
    m_format = LogFormatOf(task);
    std::string path = LogPathOf(task);
    m_previousRun = LastWriteTime(path);
    int error = Probe(path);
    if (error != 0 && m_format.m_form == LogForm::Text) {
        error = FallBack(path, error);
    }
    if (error != 0) {
        m_strError = path + ": " + SystemErrorText(error);
        return false;
    }
    m_strPath = std::move(path);
    m_bOpen = true;
    return true;
}

bool CTaskLog::WriteOut(const CElement& task, const CRunTexts& texts) {
    if (!m_bOpen) {
        m_strError = "the log file is not open";
        return false;
    }
    m_bOpen = false;
    std::string old;
    if (m_format.m_mode == LogMode::Append && !ReadOld(old)) {
        return false;
    }
    // A log the user keeps elsewhere stays as readable as the user made it.
    CAtomicFileWriter file(
        m_fs, m_strPath,
        IsInProgramFolders(m_strPath) ? FileAccess::Private : FileAccess::PrivateWhenNew);
    const auto report = [&](ILogSink& out) {
        BuildSummary(task, texts, out, m_format.m_form, SummaryForm::Full);
    };
    const auto write = [&](std::string_view bytes) { return file.Write(bytes); };
    if (ComposeLog(m_format, report, old, write) && file.Commit()) {
        return true;
    }
    m_strError = file.Error();
    return false;
}

// The write-out replaces the file through a new one beside it, so what counts is that a file
// can be made in the folder; an old log that is to be appended to must be readable as well.
int CTaskLog::Probe(const std::string& path) {
    if (NameOf(path).empty()) {
        return ENOENT;
    }
    CFileInfo st;
    if (m_fs.Stat(path, st, LinkMode::Follow) == 0) {
        if (st.m_type != EntryType::File) {
            return st.m_type == EntryType::Folder ? EISDIR : EINVAL;
        }
        int fd = -1;
        if (m_format.m_mode == LogMode::Append) {
            if (const int error = m_fs.OpenRead(path, fd)) {
                return error;
            }
            m_fs.Close(fd);
        }
    }
    std::string tempPath;
    int fd = -1;
    if (const int error = m_fs.CreateTemp(FolderOf(path), NameOf(path), 0600, tempPath, fd)) {
        return error;
    }
    m_fs.Close(fd);
    m_fs.Unlink(tempPath);
    return 0;
}

int CTaskLog::FallBack(std::string& path, int error) {
    if (IsRefused(error)) {
        const std::string folder = DocumentsFolder(m_fs) + "/logs";
        path = InFolder(folder, NameOf(path));
        error = Probe(path);
        if (error == 0 || !EnsureFolder(m_fs, folder)) {
            return error;
        }
        return Probe(path);
    }
    return EnsurePrivateFolder(m_fs, ProgramDataFolder() + "/logs") ? Probe(path) : error;
}

FileTime CTaskLog::LastWriteTime(const std::string& path) {
    CFileInfo st;
    if (path.empty() || m_fs.Stat(path, st, LinkMode::Follow) != 0 ||
        st.m_type != EntryType::File) {
        return 0;
    }
    return TruncateToSecond(st.m_lastWrite);
}

// A missing file is a first run; an old log that cannot be read is kept as it is rather than
// replaced by the new report alone.
bool CTaskLog::ReadOld(std::string& old) {
    CFileError error;
    std::optional<std::string> bytes = ReadWholeFile(m_fs, m_strPath, &error);
    if (bytes) {
        old = std::move(*bytes);
        return true;
    }
    if (error.m_nCode == ENOENT) {
        return true;
    }
    m_strError = error.m_strText;
    return false;
}

}  // namespace tv
