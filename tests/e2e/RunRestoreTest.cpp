#include "e2e/ArchiveTestSupport.h"

namespace runtest {

namespace {

using tvtest::ReadFile;
using tvtest::WriteFile;

// Entries that try to leave the folder they are extracted into, each in its own way, and one
// that may go: argv[1] is the archive, argv[2] the outside folder.
constexpr char kSlipArchive[] = R"(
import sys, zipfile
outside = sys.argv[2]
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('ok.txt', 'fine')
    z.writestr('../escaped.txt', 'bad')
    z.writestr('sub/../../escaped2.txt', 'bad')
    z.writestr(outside + '/absolute.txt', 'bad')
    z.writestr('out/through-link.txt', 'bad')
    link = zipfile.ZipInfo('evil-link')
    link.create_system = 3
    link.external_attr = 0o120777 << 16
    z.writestr(link, outside)
)";

class RunRestoreTest : public ArchiveRunTest {
  protected:
    std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            names.push_back(entry.path().lexically_relative(folder).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(RunRestoreTest, EntriesLeadingOutsideTheSourceAreRefusedLoggedAndFailTheRun) {
    if (!Have("python3")) {
        GTEST_SKIP() << "python3 is needed";
    }
    const fs::path outside = Dir("outside");
    const fs::path source = Dir("area") / "src";
    fs::create_directories(source);
    fs::create_directory_symlink(outside, source / "out");
    const fs::path zip = m_home.Root() / "slip.zip";
    std::string made;
    ASSERT_EQ(Python(kSlipArchive, Quote(zip) + " " + Quote(outside), made), 0) << made;

    const std::string list = MakeList({ArchiveTask(2, source, zip)});
    const CRun run = Mirrant({"/F:" + list, "2", "--restore"});
    EXPECT_EQ(run.m_exit, 1) << run.m_err;
    EXPECT_EQ(ReadFile(source / "ok.txt"), "fine");
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(Names(source.parent_path()),
              (std::vector<std::string>{"src", "src/ok.txt", "src/out"}));
    for (const char* refused : {"../escaped.txt", "sub/../../escaped2.txt", "/absolute.txt",
                                "out/through-link.txt", "evil-link"}) {
        EXPECT_NE(run.m_err.find(refused), std::string::npos) << refused << "\n" << run.m_err;
        EXPECT_NE(Log(2).find(refused), std::string::npos) << refused;
    }
}

TEST_F(RunRestoreTest, TruncatedOrForeignArchivesAreDamagedAndChangeNothing) {
    const fs::path source = Dir("src");
    WriteFile(source / "keep.txt", "precious");
    const fs::path zip = Dir("out") / "b.zip";
    const std::string list = MakeList({ArchiveTask(5, source, zip)});
    ASSERT_EQ(Mirrant({"/F:" + list, "5", "/S"}).m_exit, 0);
    WriteFile(source / "keep.txt", "changed since");
    const std::string whole = ReadFile(zip);
    for (const std::string& damaged :
         {whole.substr(0, whole.size() / 2), std::string("just some text, no archive\n")}) {
        WriteFile(zip, damaged);
        const CRun run = Mirrant({"/F:" + list, "5", "--restore"});
        EXPECT_EQ(run.m_exit, 2) << run.m_err;
        EXPECT_NE(run.m_err.find("Damaged or not a zip file"), std::string::npos) << run.m_err;
        EXPECT_EQ(ReadFile(source / "keep.txt"), "changed since");
        EXPECT_EQ(Names(source), std::vector<std::string>{"keep.txt"});
    }
    fs::remove(zip);
    // Nobody can answer the question, so Ignore goes on: the run logs the error and ends.
    EXPECT_EQ(Mirrant({"/F:" + list, "5", "--restore"}).m_exit, 1);
    EXPECT_NE(Log(5).find("Archive file doesn't exist."), std::string::npos) << Log(5);
}

// The entry's data fails its CRC only at its end: the file it would replace must survive.
TEST_F(RunRestoreTest, AnEntryWithABadCrcNeverReplacesTheFileAndTheOthersRestore) {
    if (!Have("zip")) {
        GTEST_SKIP() << "zip is needed";
    }
    const fs::path made = Dir("made");
    WriteFile(made / "good.txt", "good data");
    WriteFile(made / "bad.txt", "data that the archive will carry damaged");
    const fs::path zip = m_home.Root() / "stored.zip";
    ASSERT_EQ(Shell("cd " + Quote(made) + " && zip -q -0 " + Quote(zip) + " good.txt bad.txt"), 0);
    std::string bytes = ReadFile(zip);
    const size_t at = bytes.find("will carry");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'W';
    WriteFile(zip, bytes);

    const fs::path source = Dir("src");
    WriteFile(source / "bad.txt", "the only good copy");
    const std::string list = MakeList({ArchiveTask(8, source, zip)});
    const CRun run = Mirrant({"/F:" + list, "8", "--restore"});
    EXPECT_EQ(run.m_exit, 1) << run.m_err;
    EXPECT_EQ(ReadFile(source / "bad.txt"), "the only good copy");
    EXPECT_EQ(ReadFile(source / "good.txt"), "good data");
    EXPECT_EQ(Names(source), (std::vector<std::string>{"bad.txt", "good.txt"}));
    EXPECT_NE(run.m_err.find("Can't copy file: " + (source / "bad.txt").string()),
              std::string::npos)
        << run.m_err;
}

TEST_F(RunRestoreTest, RestoreOptionCopiesAFolderBackupBackAndIsListedByHelp) {
    const fs::path source = Dir("src");
    const fs::path target = Dir("dst");
    WriteFile(source / "a.txt", "alpha");
    WriteFile(source / "b.txt", "beta");
    const std::string list = MakeList({Task(4, source, {target})});
    ASSERT_EQ(Mirrant({"/F:" + list, "4"}).m_exit, 0);
    fs::remove(source / "a.txt");
    const CRun run = Mirrant({"/F:" + list, "4", "--restore"});
    EXPECT_EQ(run.m_exit, 0) << run.m_err;
    EXPECT_EQ(ReadFile(source / "a.txt"), "alpha");
    EXPECT_NE(run.m_err.find("Files copied  (from src/from target): 0 / 1"), std::string::npos);

    const fs::path help = m_home.Root() / "help";
    ASSERT_EQ(Shell(std::string("'") + MIRRANT_PATH + "' --help", help), 0);
    EXPECT_NE(ReadFile(help).find("--restore"), std::string::npos);
    EXPECT_EQ(Mirrant({"--restore"}).m_exit, 2);
}

}  // namespace

}  // namespace runtest
