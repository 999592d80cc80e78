#include "live/ServiceLog.h"

#include <ctime>

#include "base/PathText.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace tv {

namespace {

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&now, &local)) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S ", &local);
    }
    return text;
}

}  // namespace

CServiceLog::~CServiceLog() {
    if (m_file >= 0) {
        m_fs.Close(m_file);
    }
}

int CServiceLog::Open(const std::string& path) {
    int error = 0;
    if (!EnsureFolder(m_fs, FolderOf(path), &error)) {
        return error;
    }
    // The lock keeps a second service of the same name from writing between our lines.
    if (int err = m_fs.Lock(path, m_file); err != 0) {
        return err;
    }
    CFileInfo info;
    if (int err = m_fs.StatOpen(m_file, info); err != 0) {
        m_fs.Close(m_file);
        m_file = -1;
        return err;
    }
    m_offset = info.m_size;
    m_strPath = path;
    return 0;
}

void CServiceLog::Line(const std::string& text) {
    const std::string line = LocalTimeText() + text + "\n";
    std::lock_guard lock(m_mutex);
    if (m_file < 0) {
        return;
    }
    if (m_offset > 0 && m_offset + line.size() > m_limit) {
        Rotate();
    }
    size_t written = 0;
    if (m_fs.Write(m_file, m_offset, line.data(), line.size(), written) == 0) {
        m_offset += line.size();
    }
}

void CServiceLog::Rotate() {
    if (m_fs.Rename(m_strPath, m_strPath + ".1") != 0) {
        return;
    }
    int file = -1;
    if (m_fs.Lock(m_strPath, file) != 0) {
        return;
    }
    m_fs.Close(m_file);
    m_file = file;
    m_offset = 0;
}

}  // namespace tv
