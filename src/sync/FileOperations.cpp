#include "sync/FileOperations.h"

#include <cerrno>

#include "platform/FileSystem.h"
#include "sync/FileKeeper.h"

namespace tv {

namespace {

constexpr uint32_t kWriteBits = 0222;
constexpr uint32_t kOwnerWrite = 0200;

COpStatus Status(OpResult result, int error = 0) {
    return COpStatus{result, error};
}

bool Refused(int err) {
    return err == EACCES || err == EPERM;
}

// Some file systems (a Windows share, for one) refuse to delete a read-only file. The owner
// write bit is given for the second try and taken back when that fails too.
int WithOwnerWrite(IFileSystem& fs, const std::string& path, int firstErr,
                   int (IFileSystem::*remove)(const std::string&)) {
    CFileInfo st;
    if (!Refused(firstErr) || fs.Stat(path, st, LinkMode::NoFollow) != 0 || st.m_bSymlink ||
        (st.Mode() & kOwnerWrite) != 0) {
        return firstErr;
    }
    if (fs.SetMode(path, st.Mode() | kOwnerWrite) != 0) {
        return firstErr;
    }
    const int err = (fs.*remove)(path);
    if (err != 0) {
        fs.SetMode(path, st.Mode());
    }
    return err;
}

}  // namespace

COpStatus RecheckScanned(IFileSystem& fs, const std::string& path, const CScannedFile& scanned,
                         bool goneIsChange) {
    CFileInfo now;
    const int err = fs.Stat(path, now, LinkMode::Follow);
    if (err == ENOENT || err == ENOTDIR) {
        const bool changed = scanned.m_bExists && goneIsChange;
        return Status(changed ? OpResult::Changed : OpResult::Done);
    }
    if (err != 0) {
        return Status(OpResult::Failed, err);
    }
    const bool same = scanned.m_bExists && now.m_type != EntryType::Folder &&
                      now.m_size == scanned.m_size &&
                      TruncateToSecond(now.m_lastWrite) == TruncateToSecond(scanned.m_lastWrite);
    return Status(same ? OpResult::Done : OpResult::Changed);
}

CFileOperations::CFileOperations(CElement& task, IFileSystem& fs) : m_task(task), m_fs(fs) {}

COpStatus CFileOperations::DeleteFile(const std::string& path,
                                      const std::optional<CScannedFile>& scanned) {
    if (scanned) {
        if (COpStatus recheck = RecheckScanned(m_fs, path, *scanned, true); !recheck.Ok()) {
            return recheck;
        }
    }
    if (m_pKeeper && m_pKeeper->Keeps(path)) {
        return m_pKeeper->Keep(path);
    }
    int err = m_fs.Unlink(path);
    if (err != 0) {
        err = WithOwnerWrite(m_fs, path, err, &IFileSystem::Unlink);
    }
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::CreateFolder(const std::string& path) {
    const int err = m_fs.MakeFolder(path);
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::RemoveFolder(const std::string& path) {
    int err = m_fs.RemoveFolder(path);
    if (err != 0) {
        err = WithOwnerWrite(m_fs, path, err, &IFileSystem::RemoveFolder);
    }
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::CopyAttributes(const std::string& path, uint32_t attributes) {
    uint32_t mode = (attributes >> attr::kModeShift) & 07777;
    if (mode == 0) {
        // A record from a stored tree may carry the Windows bits alone: apply the read-only bit.
        CFileInfo st;
        if (int err = m_fs.Stat(path, st, LinkMode::Follow); err != 0) {
            return Status(OpResult::Failed, err);
        }
        mode = (attributes & attr::kReadOnly) ? st.Mode() & ~kWriteBits : st.Mode() | kOwnerWrite;
    }
    const int err = m_fs.SetMode(path, mode);
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::CopyTimestamps(const std::string& source, const std::string& dest) {
    CFileInfo st;
    int err = m_fs.Stat(source, st, LinkMode::Follow);
    if (err == 0) {
        err = m_fs.SetTimes(dest, st.m_lastAccess, st.m_lastWrite);
    }
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

}  // namespace tv
