// The pass with a remote side, in memory: the remote root is a folder of the same file system
// that the pass is told lies on a server, as the runner's routing file system presents it.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>

#include "PassTestSupport.h"
#include "support/FaultFileSystem.h"
#include "support/MemoryFileSystem.h"

namespace {

using tv::CTaskInfor;
using Op = tvtest::CFaultFileSystem::Op;

constexpr int64_t kOld = 1'600'000'000;
constexpr int64_t kNew = 1'700'000'000;

tv::FileTime TimeOf(tv::IFileSystem& fs, const std::string& path) {
    tv::CFileInfo info;
    return fs.Stat(path, info, tv::LinkMode::Follow) == 0 ? info.m_lastWrite : 0;
}

struct CRemoteRun : tvtest::CSyncRun {
    CRemoteRun(tv::IFileSystem& fs, tv::RunKind kind, tv::SideMedium source, tv::SideMedium target)
        : CSyncRun("/src", "/dst", kind) {
        files = &fs;
        sourceMedium = source;
        targetMedium = target;
        task.m_dwOptions |= tv::opt1::kIncludeSubfolders;
    }
};

// Upper case on the way up; names that become one are uploaded once, never over each other;
// the next run pairs the converted names with their sources and copies nothing.
TEST(PassToRemote, ConvertsNamesAndNeverLetsTwoBecomeOne) {
    tvtest::CMemoryFileSystem fs;
    fs.PutFile("/src/Mixed.Txt", "new", kNew);
    fs.PutFile("/src/A.txt", "first", kNew);
    fs.PutFile("/src/a.txt", "second", kNew);
    fs.PutFile("/src/Sub Dir/Ärger.txt", "inner", kNew);
    fs.PutFile("/src/Dir/x", "x", kNew);
    fs.PutFile("/src/dir/y", "y", kNew);
    fs.PutFile("/dst/MIXED.TXT", "old", kOld);
    const auto upload = [&](tv::RunKind kind, uint32_t conversion) {
        CRemoteRun run(fs, kind, tv::SideMedium::Local, tv::SideMedium::Ftp);
        run.task.m_dwOptions2 |= conversion;
        EXPECT_TRUE(run.Run(tv::CLastSync{}, &fs));
        return run;
    };

    const CRemoteRun first = upload(tv::RunKind::UpdateTarget, tv::opt2::kFtpUpperCase);
    // Which of two colliding names comes first is the listing's order.
    const bool upperFirst = fs.Content("/dst/A.TXT") == "first";
    const bool dirFirst = fs.Content("/dst/DIR/X").has_value();
    EXPECT_EQ(fs.Files("/dst"), (std::map<std::string, std::string>{
                                    {"A.TXT", upperFirst ? "first" : "second"},
                                    {dirFirst ? "DIR/X" : "DIR/Y", dirFirst ? "x" : "y"},
                                    {"MIXED.TXT", "new"},
                                    {"SUB DIR/ÄRGER.TXT", "inner"},
                                }));
    EXPECT_EQ(first.counts.m_nCopiedFromSource, 4u);
    const std::string taken = " was passed over: its name on the target, ";
    const std::string before = ", is already that of an entry before it.";
    EXPECT_EQ(first.Lines(CTaskInfor::Errors),
              (std::vector<std::string>{
                  (upperFirst ? "/src/a.txt" : "/src/A.txt") + taken + "/dst/A.TXT" + before,
                  (dirFirst ? "/src/dir" : "/src/Dir") + taken + "/dst/DIR" + before,
              }));

    const CRemoteRun again = upload(tv::RunKind::UpdateTarget, tv::opt2::kFtpUpperCase);
    EXPECT_EQ(again.counts.m_nCopiedFromSource, 0u);
    EXPECT_EQ(again.Lines(CTaskInfor::Errors).size(), 2u);
    const std::string loser = dirFirst ? "/src/dir" : "/src/Dir";
    ASSERT_EQ(fs.Unlink(loser + (dirFirst ? "/y" : "/x")), 0);
    ASSERT_EQ(fs.RemoveFolder(loser), 0);

    // Lower case, and a replace that removes what the source lacks: target-only names are used
    // as the server spells them.
    fs.PutFile("/dst/Only/Keep.TXT", "gone soon", kOld);
    fs.PutFile("/src/New File.TXT", "n", kNew);
    const CRemoteRun lower = upload(tv::RunKind::Replace, tv::opt2::kFtpLowerCase);
    EXPECT_FALSE(fs.Content("/dst/Only/Keep.TXT").has_value());
    EXPECT_EQ(fs.Content("/dst/new file.txt").value_or("<none>"), "n");
    EXPECT_EQ(lower.counts.m_nCopiedFromSource, 1u)
        << "twins found without regard to case are not copied again";

    // Without a conversion a remote target takes the names as they are.
    tvtest::CMemoryFileSystem plain;
    plain.PutFile("/src/Mixed.Txt", "m", kNew);
    plain.PutFile("/src/mixed.txt", "l", kNew);
    plain.PutFolder("/dst");
    CRemoteRun kept(plain, tv::RunKind::UpdateTarget, tv::SideMedium::Local, tv::SideMedium::Ftp);
    ASSERT_TRUE(kept.Run(tv::CLastSync{}, &plain));
    EXPECT_EQ(plain.Files("/dst"), plain.Files("/src"));
    EXPECT_TRUE(kept.Lines(CTaskInfor::Errors).empty());

    // A twin that changed is replaced under the name the server gives it, as is the content of
    // a folder the server spells in its own way.
    fs.PutFile("/src/Mixed.Txt", "newer", kNew + 10);
    fs.PutFile(dirFirst ? "/src/Dir/x" : "/src/dir/y", "changed", kNew + 10);
    const CRemoteRun changed = upload(tv::RunKind::UpdateTarget, tv::opt2::kFtpLowerCase);
    EXPECT_EQ(fs.Content("/dst/MIXED.TXT").value_or("<none>"), "newer");
    EXPECT_EQ(fs.Content(dirFirst ? "/dst/DIR/X" : "/dst/DIR/Y").value_or("<none>"), "changed");
    EXPECT_FALSE(fs.Content("/dst/mixed.txt").has_value());
    EXPECT_EQ(changed.counts.m_nCopiedFromSource, 2u);
}

// A server that keeps no times gives an upload the moment it arrived. The local source takes
// that time, so the next two-way run finds the pair equal.
class CTimelessServer : public tvtest::CFaultFileSystem {
  public:
    using CFaultFileSystem::CFaultFileSystem;
    int CreateTemp(const std::string& folder, const std::string& name, uint32_t mode,
                   std::string& tempPath, int& file) override {
        const int err = CFaultFileSystem::CreateTemp(folder, name, mode, tempPath, file);
        if (err == 0 && folder.starts_with("/dst")) {
            m_uploads.insert(file);
        }
        return err;
    }
    int SetOpenTimes(int file, tv::FileTime lastAccess, tv::FileTime lastWrite) override {
        return m_uploads.contains(file)
                   ? 0
                   : CFaultFileSystem::SetOpenTimes(file, lastAccess, lastWrite);
    }

  private:
    std::set<int> m_uploads;
};

TEST(PassToRemote, LocalFileTakesTheTimeTheServerShows) {
    tvtest::CMemoryFileSystem memory;
    CTimelessServer fs(memory);
    memory.PutFile("/src/doc.txt", "text", kOld);
    memory.PutFile("/src/other.txt", "other", kOld);
    memory.PutFolder("/dst");
    CRemoteRun run(fs, tv::RunKind::Synchronize, tv::SideMedium::Local, tv::SideMedium::Ftp);
    run.task.m_dwOptions2 |= tv::opt2::kFtpSetLocalTime;
    ASSERT_TRUE(run.Run(tv::CLastSync{}, &fs));
    EXPECT_EQ(run.counts.m_nCopiedFromSource, 2u);
    const tv::FileTime uploaded = TimeOf(memory, "/dst/doc.txt");
    EXPECT_GT(uploaded, tv::FileTimeFromUnix(kNew));
    EXPECT_EQ(TimeOf(memory, "/src/doc.txt"), uploaded);
    EXPECT_EQ(TimeOf(memory, "/src/other.txt"), TimeOf(memory, "/dst/other.txt"));

    CRemoteRun again(fs, tv::RunKind::Synchronize, tv::SideMedium::Local, tv::SideMedium::Ftp);
    ASSERT_TRUE(again.Run(tv::CLastSync{}, &fs));
    EXPECT_EQ(again.counts.m_nCopiedFromSource + again.counts.m_nCopiedFromTarget, 0u);

    // A local file whose time cannot be set is an error of that file, not a failed upload.
    memory.PutFile("/src/late.txt", "late", kNew);
    fs.Fail(Op::SetTimes, EPERM, 1, -1, "/src/late.txt");
    CRemoteRun refused(fs, tv::RunKind::UpdateTarget, tv::SideMedium::Local, tv::SideMedium::Ftp);
    refused.task.m_dwOptions2 |= tv::opt2::kFtpSetLocalTime;
    ASSERT_TRUE(refused.Run(tv::CLastSync{}, &fs));
    EXPECT_EQ(memory.Content("/dst/late.txt").value_or("<none>"), "late");
    EXPECT_EQ(refused.Lines(CTaskInfor::Errors),
              std::vector<std::string>{"Can't copy file attributes to /src/late.txt"});
}

// "Incremental download": a local file that is the start of the remote one gets only the rest;
// one that is not (its last block differs, or it is not shorter) is downloaded whole. The
// kept bytes are the local file's own, which the test makes visible by a change before the
// last block.
class IncrementalDownload : public ::testing::Test {
  protected:
    IncrementalDownload() {
        for (size_t i = 0; i < m_remote.size(); ++i) {
            m_remote[i] = static_cast<char>('a' + (i * 131) % 26);
        }
        m_memory.PutFile("/src/f.bin", m_remote, kNew);
    }
    CRemoteRun Download(bool incremental) {
        CRemoteRun run(m_fs, tv::RunKind::UpdateTarget, tv::SideMedium::Ftp, tv::SideMedium::Local);
        if (incremental) {
            run.task.m_dwOptions3 |= tv::opt3::kIncrementalDownload;
        }
        EXPECT_TRUE(run.Run(tv::CLastSync{}, &m_fs));
        return run;
    }

    std::string m_remote = std::string(300'000, '\0');
    tvtest::CMemoryFileSystem m_memory;
    tvtest::CFaultFileSystem m_fs{m_memory};
};

TEST_F(IncrementalDownload, AppendsOnlyToAMatchingStartElseDownloadsWhole) {
    std::string local = m_remote.substr(0, 200'000);
    local[10] = 'Z';  // before the last block: not looked at
    m_memory.PutFile("/dst/f.bin", local, kOld);
    Download(true);
    EXPECT_EQ(m_memory.Content("/dst/f.bin").value_or("<none>"), local + m_remote.substr(200'000));
    EXPECT_EQ(TimeOf(m_memory, "/dst/f.bin"), TimeOf(m_memory, "/src/f.bin"));
    EXPECT_EQ(m_memory.Files("/dst").size(), 1u) << "no temporary file stays";

    for (const bool incremental : {true, false}) {
        std::string start = m_remote.substr(0, 200'000);
        if (incremental) {
            start[199'999] = 'Z';  // the last block no longer matches
        }
        m_memory.PutFile("/dst/f.bin", start, kOld);
        Download(incremental);
        EXPECT_EQ(m_memory.Content("/dst/f.bin").value_or("<none>"), m_remote) << incremental;
    }
    std::string longer = m_remote + "tail";
    m_memory.PutFile("/dst/f.bin", longer, kOld);
    Download(true);
    EXPECT_EQ(m_memory.Content("/dst/f.bin").value_or("<none>"), m_remote);
}

// The remote connection breaks in the middle of the rest: the local file stays as it was.
TEST_F(IncrementalDownload, AFailedRestLeavesTheLocalFileWhole) {
    const std::string local = m_remote.substr(0, 100'000);
    m_memory.PutFile("/dst/f.bin", local, kOld);
    m_fs.Fail(Op::Read, ECONNRESET, 3, -1, "/src/f.bin");
    const CRemoteRun run = Download(true);
    EXPECT_EQ(run.counts.m_nCopiedFromSource, 0u);
    EXPECT_EQ(m_memory.Content("/dst/f.bin").value_or("<none>"), local);
    EXPECT_EQ(m_memory.Files("/dst").size(), 1u);
    EXPECT_EQ(run.Lines(CTaskInfor::Errors),
              std::vector<std::string>{"Can't copy file: /src/f.bin"});
}

}  // namespace
