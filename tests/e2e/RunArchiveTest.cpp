#include <algorithm>
#include <fstream>
#include <regex>
#include <thread>

#include "e2e/ArchiveTestSupport.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

constexpr int64_t kOldTime = 1588748889;  // 2020-05-06 07:08:09 UTC

// Checks every entry of the archive (argv[1]) against the file it came from below argv[2]:
// the bytes (zipfile checks the CRC), the permission bits, the DOS time (local, even seconds),
// and the language encoding flag on exactly the names that are UTF-8 beyond ASCII.
constexpr char kCheckArchive[] = R"(
import os, sys, time, zipfile
archive, root = sys.argv[1], os.fsencode(sys.argv[2])
bad = 0
with zipfile.ZipFile(archive) as z:
    for i in z.infolist():
        utf8 = bool(i.flag_bits & 0x800)
        name = i.filename.encode('utf-8' if utf8 else 'cp437')
        path = os.path.join(root, name)
        st = os.lstat(path)
        want = time.localtime(st.st_mtime)[:6]
        want = want[:5] + (want[5] // 2 * 2,)
        nonascii = any(b > 127 for b in name)
        try:
            name.decode('utf-8'); valid = True
        except UnicodeDecodeError:
            valid = False
        checks = {'data': z.read(i) == open(path, 'rb').read(),
                  'mode': (i.external_attr >> 16) & 0o7777 == st.st_mode & 0o7777,
                  'time': tuple(i.date_time) == want,
                  'flag': utf8 == (nonascii and valid)}
        for what, ok in checks.items():
            if not ok:
                bad += 1
                print('wrong', what, name)
    print('entries', len(z.infolist()))
sys.exit(1 if bad else 0)
)";

class RunArchiveTest : public ArchiveRunTest {
  protected:
    // Files of every kind an archive must carry: times, modes, an empty file, UTF-8 names, a
    // name that is not UTF-8, and a file longer than one piece of the reader.
    fs::path MixedSource() {
        const fs::path source = Dir("src");
        fs::create_directories(source / "sub");
        fs::create_directories(source / "Grüße");
        WriteFile(source / "a.txt", "alpha");
        SetMTime(source / "a.txt", kOldTime);
        WriteFile(source / "sub" / "run.sh", "#!/bin/sh\n");
        fs::permissions(source / "sub" / "run.sh", fs::perms(0750));
        WriteFile(source / "empty", "");
        WriteFile(source / "Grüße" / "ünïcödé.txt", "utf");
        WriteFile(source / "raw\xff.bin", "raw");
        std::string big;
        for (uint64_t i = 0; big.size() < (size_t{3} << 20); ++i) {
            big += std::to_string(i * 7919) + "\n";
        }
        WriteFile(source / "sub" / "big.txt", big);
        return source;
    }
};

TEST_F(RunArchiveTest, BackupIsReadByInfoZipAndPythonAndRestoresTheSameTree) {
    if (!Have("unzip") || !Have("python3")) {
        GTEST_SKIP() << "unzip and python3 are needed";
    }
    const fs::path source = MixedSource();
    const fs::path zip = Dir("out") / "backup.zip";
    const std::string list = MakeList({ArchiveTask(5, source, zip)});
    const CRun run = Mirrant({"/F:" + list, "5", "/S"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_NE(run.m_err.find("Files copied  (from src/from target): 6 / 0"), std::string::npos)
        << run.m_err;
    EXPECT_EQ(Shell("unzip -t " + Quote(zip)), 0);
    std::string checked;
    EXPECT_EQ(Python(kCheckArchive, Quote(zip) + " " + Quote(source), checked), 0) << checked;
    EXPECT_NE(checked.find("entries 6"), std::string::npos) << checked;
    // Nothing of the writing is left beside the archive.
    EXPECT_EQ(std::distance(fs::directory_iterator(zip.parent_path()), fs::directory_iterator()),
              1);

    const fs::path original = m_home.Root() / "original";
    fs::rename(source, original);
    fs::create_directories(source);
    const CRun restored = Mirrant({"-f:" + list, "5", "--restore"});
    ASSERT_EQ(restored.m_exit, 0) << restored.m_err;
    EXPECT_NE(restored.m_err.find("Files copied  (from src/from target): 0 / 6"), std::string::npos)
        << restored.m_err;
    EXPECT_TRUE(Same(source, original));
    EXPECT_EQ(MTime(source / "a.txt"), kOldTime);
    EXPECT_EQ(MTime(source / "raw\xff.bin"), MTime(original / "raw\xff.bin"));
    EXPECT_EQ(Mode(source / "sub" / "run.sh"), 0750u);
}

// Each run with the date-time option writes an archive of its own, and only then may the
// source snapshot stand for the target: an archive that replaces the last one always holds
// every file.
TEST_F(RunArchiveTest, SnapshotShrinksOnlyArchivesWrittenPerRun) {
    if (!Have("unzip")) {
        GTEST_SKIP() << "unzip is needed";
    }
    const fs::path source = Dir("src");
    WriteFile(source / "one.txt", "1");
    WriteFile(source / "two.txt", "2");
    SetMTime(source / "two.txt", kOldTime);
    const fs::path whole = Dir("whole") / "b.zip";
    const fs::path dated = Dir("dated") / "b.zip";
    Json replaced = ArchiveTask(1, source, whole);
    replaced["m_bUseSnapshot"] = 1;
    Json perRun = ArchiveTask(2, source, dated);
    perRun["m_bUseSnapshot"] = 1;
    perRun["m_dwOptions3"] = 0xC02 | 0x4000;  // date-time before the archive's name
    const std::string list = MakeList({replaced, perRun});
    ASSERT_EQ(Mirrant({"/F:" + list, "1", "2", "/C"}).m_exit, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    WriteFile(source / "two.txt", "22");
    SetMTime(source / "two.txt", kOldTime + 3600);
    const CRun second = Mirrant({"/F:" + list, "1", "2", "/C"});
    ASSERT_EQ(second.m_exit, 0) << second.m_err;

    const fs::path listing = m_home.Root() / "listing";
    ASSERT_EQ(Shell("unzip -Z1 " + Quote(whole), listing), 0);
    EXPECT_EQ(ReadFile(listing), "one.txt\ntwo.txt\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dated.parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    const std::regex dateTimeName(R"(\d\d\.\d\d\.\d\d \d\d-\d\d-\d\d b\.zip)");
    EXPECT_TRUE(std::regex_match(names[0], dateTimeName)) << names[0];
    EXPECT_TRUE(std::regex_match(names[1], dateTimeName)) << names[1];
    std::vector<std::string> listings;
    for (const std::string& name : names) {
        ASSERT_EQ(Shell("unzip -Z1 " + Quote(dated.parent_path() / name), listing), 0);
        listings.push_back(ReadFile(listing));
    }
    std::sort(listings.begin(), listings.end());
    EXPECT_EQ(listings, (std::vector<std::string>{"one.txt\ntwo.txt\n", "two.txt\n"}));
}

TEST_F(RunArchiveTest, InfoZipArchivesRestoreFoldersEmptyFilesTimesAndUtf8Names) {
    if (!Have("zip")) {
        GTEST_SKIP() << "zip is needed";
    }
    const fs::path made = Dir("made");
    fs::create_directories(made / "empty folder");
    fs::create_directories(made / "Ordner" / "tief");
    WriteFile(made / "Ordner" / "tief" / "Grüße.txt", "hallo");
    WriteFile(made / "nothing", "");
    WriteFile(made / "tool", "x");
    fs::permissions(made / "tool", fs::perms(0700));
    SetMTime(made / "nothing", kOldTime);
    const fs::path zip = m_home.Root() / "made.zip";
    ASSERT_EQ(Shell("cd " + Quote(made) + " && zip -q -r " + Quote(zip) + " ."), 0);
    const fs::path entries = m_home.Root() / "entries";
    ASSERT_EQ(Shell("unzip -Z1 " + Quote(zip) + " | wc -l", entries), 0);

    const fs::path source = Dir("src");
    const std::string list = MakeList({ArchiveTask(3, source, zip)});
    const CRun run = Mirrant({"/F:" + list, "3", "--restore"});
    ASSERT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_TRUE(Same(source, made));
    EXPECT_TRUE(fs::is_directory(source / "empty folder"));
    EXPECT_EQ(MTime(source / "nothing"), kOldTime);
    EXPECT_EQ(Mode(source / "tool"), 0700u);
    // One copied file per entry, folders included.
    EXPECT_NE(run.m_err.find("Files copied  (from src/from target): 0 / " +
                             std::to_string(std::stoi(ReadFile(entries)))),
              std::string::npos)
        << run.m_err;
}

// A file over 4 GiB needs Zip64 both ways; it is sparse, and stays sparse when restored.
TEST_F(RunArchiveTest, SparseFileOverFourGiBRestoresFromInfoZipAndBacksUpWithZip64) {
    constexpr uintmax_t kSize = (uintmax_t{4} << 30) + (uintmax_t{1} << 20);
    const fs::path made = Dir("made");
    if (!Have("zip") || !Have("unzip") || fs::space(made).available < (uintmax_t{256} << 20)) {
        GTEST_SKIP() << "zip, unzip and 256 MiB of free space are needed";
    }
    const fs::path big = made / "sparse.bin";
    {
        std::ofstream out(big, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(kSize - 4));
        out << "tail";
    }
    struct stat st {};
    if (::stat(big.c_str(), &st) != 0 || st.st_blocks * 512 > (64 << 20)) {
        GTEST_SKIP() << "this file system keeps no sparse files";
    }
    const fs::path zip = m_home.Root() / "big.zip";
    ASSERT_EQ(Shell("cd " + Quote(made) + " && zip -q -1 " + Quote(zip) + " sparse.bin"), 0);

    const fs::path source = Dir("src");
    const fs::path ours = Dir("out") / "ours.zip";
    const std::string list = MakeList({ArchiveTask(4, source, zip), ArchiveTask(6, made, ours)});
    const CRun restored = Mirrant({"/F:" + list, "4", "--restore"});
    ASSERT_EQ(restored.m_exit, 0) << restored.m_err;
    ASSERT_EQ(fs::file_size(source / "sparse.bin"), kSize);
    ASSERT_EQ(::stat((source / "sparse.bin").c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 64 << 20);
    std::ifstream in(source / "sparse.bin", std::ios::binary);
    in.seekg(static_cast<std::streamoff>(kSize - 4));
    std::string tail(4, '\0');
    in.read(tail.data(), 4);
    EXPECT_EQ(tail, "tail");
    fs::remove(zip);

    const CRun backedUp = Mirrant({"/F:" + list, "6", "/S"});
    ASSERT_EQ(backedUp.m_exit, 0) << backedUp.m_err;
    EXPECT_EQ(Shell("unzip -t " + Quote(ours)), 0);
}

}  // namespace

}  // namespace runtest
