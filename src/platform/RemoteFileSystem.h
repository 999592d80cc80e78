#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/RemoteDriver.h"
#include "platform/RemoteUploadStream.h"
#include "platform/ScratchFile.h"

namespace tv {

// A remote site as a file system: the scan, the pass and the copy reach it through the one
// interface. Paths are absolute on the server ("/" separated; a relative one is taken from "/").
//
// Transfers go through nameless spool files in a local folder, so a transfer never runs while a
// caller holds a half-written buffer and the server never sees a part of a file:
// - OpenRead only names the file: the first Read (or StatOpen) downloads it into a spool from
//   the offset asked for to its end, so a caller that wants only the tail of a file pays for the
//   tail; a later Read below that offset downloads again from there. A missing file shows at
//   that first call (ENOENT).
// - CreateTemp gives a handle whose writes go to a spool; the target's name on the server stays
//   as it was until Rename(tempPath, target) uploads the spool to `target` (the driver writes a
//   temporary remote name and renames it over the target when every byte arrived) and sets the
//   time given by SetOpenTimes. Unlink(tempPath) before that drops it. Flush only reaches the
//   spool; the end of Rename is the moment the data is on the server.
// - A big file does not wait for Rename: once its writes reached kStreamFromBytes in order, the
//   spool so far and every later write stream to the server's temporary name over a second
//   connection (IRemoteDriver::Twin), so its bytes leave while the copy still reads them, and
//   the calls of the copy (the check of the target before Rename, a download from the same
//   site) keep the first one. Its writes must then follow each other (else ESPIPE). Rename
//   ends the bytes, waits for the rename over the target and sets the time; Unlink, or
//   a cancel of the reconnect rule while a call waits for the server, makes the upload fail,
//   which removes the temporary name. Without a second connection (the driver has no twin, its
//   login failed, another upload streams) the file stays in the spool.
// - Rename of anything else is ENOSYS: the driver cannot move a file already on the server.
//
// Capabilities: kCanRename (an upload replaces its target in one step); kExactTimes from the
// first answers on, and given up for good once the server lists times other than UTC or
// refuses to set one. No links, modes (mode calls are accepted and change nothing), locks,
// scratch files, block copies (CopyRange is ENOSYS) or free-space figure (reported as
// unlimited: a full server refuses the upload).
//
// A call that failed the way a lost connection fails makes the next one reach the server again
// first, as the reconnect rule says: a server that restarts costs a wait, not every file that
// comes after it. Once a round of tries found it gone, later calls try once without waiting.
//
// Threads: any; calls on the driver are made one at a time (a second caller waits), spool I/O
// and a streaming upload run beside them. Every call blocks until the server answered; none can be
// cancelled halfway (the driver's own Cancel, from another thread, ends the running transfer); the
// waits of a reconnection end at the rule's cancel.
class CRemoteFileSystem final : public IFileSystem {
  public:
    // `spoolFs` and `spoolFolder` hold the spool files (a local temporary folder).
    CRemoteFileSystem(std::unique_ptr<IRemoteDriver> driver, IFileSystem& spoolFs,
                      std::string spoolFolder);
    ~CRemoteFileSystem() override;
    CRemoteFileSystem(const CRemoteFileSystem&) = delete;
    CRemoteFileSystem& operator=(const CRemoteFileSystem&) = delete;

    uint32_t Capabilities(const std::string& path) override;
    int ReadFolder(const std::string& path, CFileInfo& folder, std::vector<CFolderItem>& items,
                   const FolderPieceFn& onPiece) override;
    int ListNames(const std::string& folder, std::vector<std::string>& names) override;
    int Stat(const std::string& path, CFileInfo& info, LinkMode links) override;
    int OpenRead(const std::string& path, int& file) override;
    int CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                   std::string& tempPath, int& file) override;
    int CreateScratch(const std::string& folder, int& file) override;
    int Lock(const std::string& path, int& file) override;
    int StatOpen(int file, CFileInfo& info) override;
    int Read(int file, uint64_t offset, void* buffer, size_t size, size_t& got) override;
    int Write(int file, uint64_t offset, const void* buffer, size_t size, size_t& written) override;
    int CopyRange(int in, int out, uint64_t offset, size_t size, size_t& copied) override;
    int SetOpenTimes(int file, FileTime lastAccess, FileTime lastWrite) override;
    int SetOpenMode(int file, uint32_t mode) override;
    int Flush(int file) override;
    int Close(int file) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;
    int MakeFolder(const std::string& path) override;
    int RemoveFolder(const std::string& path) override;
    int SetMode(const std::string& path, uint32_t mode) override;
    int SetTimes(const std::string& path, FileTime lastAccess, FileTime lastWrite) override;
    int FlushFolder(const std::string& folder) override;
    void RemoveStaleTemps(const std::string& folder, const std::string& name) override;
    int FreeSpace(const std::string& path, uint64_t& bytes) override;
    int ResolvePath(const std::string& path, std::string& resolved) override;

    // Minutes added to the times the server lists: `listMinutes` to LIST times (the server's
    // wall clock, off UTC by its zone), `manualMinutes` (the location's own shift) to every
    // time. A time set on the server has the manual part taken off again, so that an uploaded
    // file lists with the time it was sent with. Call before the first listing.
    void SetTimeShift(int32_t listMinutes, int32_t manualMinutes);

    // How a lost connection is made again: how many tries after the first, the wait before
    // each of them, and what ends the waiting early. Call before the first call on the server.
    struct CReconnectRule {
        int m_nRetries = 0;
        std::chrono::milliseconds m_wait{0};
        std::function<bool()> m_cancelled;
    };
    void SetReconnectRule(CReconnectRule rule);

    // Logs in, trying as the reconnect rule says; 0 or the last try's errno value, with the
    // server's words in LastError. Blocks; ends early (ECANCELED) when the rule's cancel says so.
    int Connect();
    std::string LastError() const;

    // Closes the connection; a later call connects again. Blocks until the server was told.
    void Disconnect();

    // Where an upload written in order starts to stream.
    static constexpr uint64_t kStreamFromBytes = 4u << 20;

    // The names the last listings refused ("/", "\", "..", NUL, not a name), as "folder/name"
    // for the log, and forgets them. Any thread.
    std::vector<std::string> TakeRefusedNames();

  private:
    struct CHandle {
        std::shared_ptr<CScratchFile> m_spool;
        uint64_t m_size = 0;
        bool m_bWritable = false;
        bool m_bOpen = true;
        FileTime m_lastWrite = kKeepTime;
        std::string m_tempPath;  // of a writable handle: the name Rename and Unlink know it by
        std::string m_target;    // of a writable handle: the name CreateTemp was given
        std::shared_ptr<CRemoteUploadStream> m_stream;  // a streaming upload: no spool
        std::string m_path;                             // of a read handle: the file on the server
        uint64_t m_start = 0;    // the file's offset of the spool's first byte
        bool m_bLoaded = false;  // a read handle's spool holds the file from m_start to its end
    };

    // What the drivers answer when the server cannot be reached or the connection broke off.
    static bool LostConnection(int error);
    // Runs `call` on the driver under its lock, first reaching the server again when the last
    // call lost it.
    int OnServer(const std::function<int(IRemoteDriver&)>& call);
    // Under the driver lock: logs in afresh, with up to `retries` more tries.
    int Reconnect(int retries);
    // Lists `folder` and remembers the answer among the recent ones.
    int List(const std::string& folder, CRemoteListing& listing);
    void Remember(const std::string& folder, const CRemoteListing& listing);
    // The entry at `path` from a recent listing of its folder, else from a new one.
    int Entry(const std::string& path, CRemoteEntry& entry);
    // Absent when a recent listing of the folder lacks `path`: the upload need not replace.
    UploadTarget TargetOf(const std::string& path);
    // What is at `path` now (nothing: it is gone), as a recent listing of its folder keeps it.
    void Known(const std::string& path, const std::optional<CRemoteEntry>& entry);
    // A change at `path` whose outcome is not known makes the recent listing of its folder stale.
    void Changed(const std::string& path);
    // The handle `file` copied out under the lock; EBADF when there is none.
    int Find(int file, CHandle& handle);
    // Downloads the file of the read handle `file` from `offset` to its end into a new spool,
    // and gives `handle` the result.
    int Load(int file, uint64_t offset, CHandle& handle);
    // `handle` ready to serve `offset` (or its size, with offset 0).
    int Loaded(int file, uint64_t offset, CHandle& handle);
    // The pending upload known by `tempPath`, or -1.
    int PendingUpload(const std::string& tempPath);
    int Upload(int file, const std::string& target);
    // Moves the spooled upload `file` to a stream over the second connection when one is free;
    // where that cannot be, it stays spooled.
    void StartStream(int file);
    // The second connection, logged in; null (and no more streams) when it cannot be had. Only
    // the holder of m_bUploadBusy calls it.
    IRemoteDriver* UploadDriver();
    // Ends the streaming upload `stream` of `file` with the rename over `target`.
    int FinishStream(int file, const std::shared_ptr<CRemoteUploadStream>& stream,
                     const std::string& target);
    // Frees the second connection that `stream` held, if it still does.
    void Release(const std::shared_ptr<CRemoteUploadStream>& stream);
    std::shared_ptr<CRemoteUploadStream> StreamOf(int file);
    void Forget(int file);
    // Records in the listing cache what an upload of `handle` to `target` left there.
    void NoteUpload(const std::string& target, const CHandle& handle, bool timeSet);
    void NoteTimes(RemoteTimeKind kind);
    CFileInfo Shifted(CFileInfo info, RemoteTimeKind kind) const;
    FileTime ServerTime(FileTime time) const;

    std::unique_ptr<IRemoteDriver> m_driver;
    IFileSystem& m_spoolFs;
    std::string m_spoolFolder;
    std::mutex m_driverMutex;
    CReconnectRule m_reconnect;  // fixed before the first call
    bool m_bLost = false;        // under m_driverMutex
    bool m_bGone = false;        // a whole round of tries failed; under m_driverMutex
    // A streaming upload lost its connection: the first one is likely gone too.
    std::atomic<bool> m_bUploadLost{false};
    // The second connection, for streaming uploads; its holder alone uses it.
    std::unique_ptr<IRemoteDriver> m_uploadDriver;
    bool m_bUploadBusy = false;  // under m_handleMutex, as are the two fields below
    const CRemoteUploadStream* m_uploadHolder = nullptr;
    bool m_bNoStream = false;  // the second connection could not log in
    std::mutex m_handleMutex;
    std::map<int, CHandle> m_handles;
    int m_nextHandle = 1;
    std::vector<std::string> m_refused;
    std::set<std::string> m_refusedSeen;  // each refused name is reported once
    // The last listings, newest first: the pass asks about the entries of the folder it works
    // in again and again, and a server answers a listing, not a question about one name.
    static constexpr size_t kRecentFolders = 8;
    std::list<std::pair<std::string, std::vector<CRemoteEntry>>> m_recent;
    std::atomic<bool> m_bExactTimes{true};
    int32_t m_listShiftMinutes = 0;
    int32_t m_manualShiftMinutes = 0;
};

}  // namespace tv
