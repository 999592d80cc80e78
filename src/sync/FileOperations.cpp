#include "sync/FileOperations.h"

#include <cerrno>

#include "platform/FileSystem.h"

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
int WithOwnerWrite(IFileOps& ops, const std::string& path, int firstErr,
                   int (IFileOps::*remove)(const std::string&)) {
    CFileStat st;
    if (!Refused(firstErr) || ops.Stat(path, st, false) != 0 || st.m_bSymlink ||
        (st.m_mode & kOwnerWrite) != 0) {
        return firstErr;
    }
    if (ops.SetMode(path, st.m_mode | kOwnerWrite) != 0) {
        return firstErr;
    }
    const int err = (ops.*remove)(path);
    if (err != 0) {
        ops.SetMode(path, st.m_mode);
    }
    return err;
}

}  // namespace

COpStatus RecheckScanned(IFileOps& ops, const std::string& path, const CScannedFile& scanned,
                         bool goneIsChange) {
    CFileStat now;
    const int err = ops.Stat(path, now, true);
    if (err == ENOENT || err == ENOTDIR) {
        const bool changed = scanned.m_bExists && goneIsChange;
        return Status(changed ? OpResult::Changed : OpResult::Done);
    }
    if (err != 0) {
        return Status(OpResult::Failed, err);
    }
    const bool same = scanned.m_bExists && !now.m_bFolder && now.m_size == scanned.m_size &&
                      TruncateToSecond(now.m_lastWrite) == TruncateToSecond(scanned.m_lastWrite);
    return Status(same ? OpResult::Done : OpResult::Changed);
}

CFileOperations::CFileOperations(CElement& task, IFileOps& ops) : m_task(task), m_ops(ops) {}

COpStatus CFileOperations::DeleteFile(const std::string& path,
                                      const std::optional<CScannedFile>& scanned) {
    if (scanned) {
        if (COpStatus recheck = RecheckScanned(m_ops, path, *scanned, true); !recheck.Ok()) {
            return recheck;
        }
    }
    int err = m_ops.Unlink(path);
    if (err != 0) {
        err = WithOwnerWrite(m_ops, path, err, &IFileOps::Unlink);
    }
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::CreateFolder(const std::string& path) {
    const int err = m_ops.MakeFolder(path);
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::RemoveFolder(const std::string& path) {
    int err = m_ops.RemoveFolder(path);
    if (err != 0) {
        err = WithOwnerWrite(m_ops, path, err, &IFileOps::RemoveFolder);
    }
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::CopyAttributes(const std::string& path, uint32_t attributes) {
    uint32_t mode = (attributes >> attr::kModeShift) & 07777;
    if (mode == 0) {
        // A record from a stored tree may carry the Windows bits alone: apply the read-only bit.
        CFileStat st;
        if (int err = m_ops.Stat(path, st, true); err != 0) {
            return Status(OpResult::Failed, err);
        }
        mode = (attributes & attr::kReadOnly) ? st.m_mode & ~kWriteBits : st.m_mode | kOwnerWrite;
    }
    const int err = m_ops.SetMode(path, mode);
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

COpStatus CFileOperations::CopyTimestamps(const std::string& source, const std::string& dest) {
    CFileStat st;
    int err = m_ops.Stat(source, st, true);
    if (err == 0) {
        err = m_ops.SetTimes(dest, st.m_lastAccess, st.m_lastWrite);
    }
    return err == 0 ? Status(OpResult::Done) : Status(OpResult::Failed, err);
}

}  // namespace tv
