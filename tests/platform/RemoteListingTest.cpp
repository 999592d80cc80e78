#include "platform/RemoteListing.h"

#include <gtest/gtest.h>

#include <string>

namespace tv {
namespace {

FileTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return FileTimeFromCalendar({year, month, day, hour, minute, second});
}

const CRemoteEntry* Find(const CRemoteListing& listing, const std::string& name) {
    for (const CRemoteEntry& entry : listing.m_entries) {
        if (entry.m_name == name) {
            return &entry;
        }
    }
    return nullptr;
}

TEST(RemoteListing, MlsdFactsInAnyOrderAndCaseWithExactUtcTimes) {
    CRemoteListing listing;
    ParseMlsd(
        "type=cdir;modify=20240101000000; .\r\n"
        "Size=1234;Modify=20240102030405.678;Type=file; name with  spaces.txt\r\n"
        "type=dir;modify=20231231235959; sub\n"
        "type=OS.unix=slink:/x;size=3; link\r\n"
        "garbage-without-space\r\n",
        listing);
    ASSERT_EQ(listing.m_entries.size(), 3u);
    const CRemoteEntry* file = Find(listing, "name with  spaces.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->m_type, EntryType::File);
    EXPECT_EQ(file->m_size, 1234u);
    EXPECT_EQ(file->m_lastWrite, At(2024, 1, 2, 3, 4, 5) + 6'780'000);
    EXPECT_EQ(file->m_timeKind, RemoteTimeKind::Utc);
    EXPECT_EQ(Find(listing, "sub")->m_type, EntryType::Folder);
    EXPECT_EQ(Find(listing, "link")->m_type, EntryType::Other);
    EXPECT_TRUE(listing.m_refused.empty());
}

TEST(RemoteListing, UnixListWithAndWithoutYearOwnerAndGroup) {
    CRemoteListing listing;
    FileTime now = At(2024, 3, 1, 12, 0);
    ParseList(
        "total 12\r\n"
        "-rw-r--r--   1 owner group      5000000000 Feb 28 23:59 big file.bin\r\n"
        "drwxr-xr-x   2 owner group        4096 Dec 31  2019 old\r\n"
        "-rw-r--r--   1 ftp               12 Dec 24 10:00 last-year.txt\r\n"
        "lrwxrwxrwx   1 owner group          7 Jan  1  2020 ln -> target\r\n"
        "drwxr-xr-x   2 owner group        4096 Mar  1 11:00 .\r\n",
        now, listing);
    ASSERT_EQ(listing.m_entries.size(), 4u);
    const CRemoteEntry* big = Find(listing, "big file.bin");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->m_size, 5'000'000'000u);
    EXPECT_EQ(big->m_lastWrite, At(2024, 2, 28, 23, 59));
    EXPECT_EQ(big->m_timeKind, RemoteTimeKind::LocalWall);
    EXPECT_EQ(Find(listing, "old")->m_lastWrite, At(2019, 12, 31, 0, 0));
    // A date without a year that would lie in the future belongs to the year before.
    EXPECT_EQ(Find(listing, "last-year.txt")->m_lastWrite, At(2023, 12, 24, 10, 0));
    EXPECT_EQ(Find(listing, "ln")->m_type, EntryType::Other);
}

TEST(RemoteListing, DosListInTwelveAndTwentyFourHourForms) {
    CRemoteListing listing;
    ParseList(
        "01-02-24  10:00AM       <DIR>          My Folder\r\n"
        "12-31-99  12:30PM                 17 a.txt\r\n"
        "02-29-2024  22:15            1234 b c.txt\r\n"
        "13-45-24  10:00AM  1 bad-date\r\n",
        0, listing);
    ASSERT_EQ(listing.m_entries.size(), 3u);
    EXPECT_EQ(Find(listing, "My Folder")->m_type, EntryType::Folder);
    EXPECT_EQ(Find(listing, "My Folder")->m_lastWrite, At(2024, 1, 2, 10, 0));
    EXPECT_EQ(Find(listing, "a.txt")->m_lastWrite, At(1999, 12, 31, 12, 30));
    EXPECT_EQ(Find(listing, "b c.txt")->m_size, 1234u);
    EXPECT_EQ(Find(listing, "b c.txt")->m_lastWrite, At(2024, 2, 29, 22, 15));
}

// A hostile server must not be able to name anything outside the folder it lists.
TEST(RemoteListing, NamesThatCouldLeaveTheFolderAreRefusedInEveryFormat) {
    const std::string nul("type=file;size=1; a\0b\r\n", 22);
    CRemoteListing mlsd;
    ParseMlsd(
        "type=file;size=1; ..\r\ntype=file;size=1; ../../etc/passwd\r\n"
        "type=dir; a\\b\r\ntype=file;size=1; \r\ntype=file;size=1; ok..name\r\n" +
            nul,
        mlsd);
    ASSERT_EQ(mlsd.m_entries.size(), 1u);
    EXPECT_EQ(mlsd.m_entries[0].m_name, "ok..name");
    EXPECT_EQ(mlsd.m_refused.size(), 5u);

    CRemoteListing list;
    ParseList(
        "-rw-r--r-- 1 u g 1 Jan 1 2020 ..\r\n"
        "-rw-r--r-- 1 u g 1 Jan 1 2020 x/../../y\r\n"
        "01-02-24  10:00AM  1 ..\\..\\boot.ini\r\n",
        0, list);
    EXPECT_TRUE(list.m_entries.empty());
    EXPECT_EQ(list.m_refused.size(), 3u);
}

TEST(RemoteListing, UploadTemporariesAreLeftOut) {
    CRemoteListing listing;
    ParseMlsd("type=file;size=1; " + RemoteTempName("a.txt") + "\r\ntype=file;size=1; a.txt\r\n",
              listing);
    ASSERT_EQ(listing.m_entries.size(), 1u);
    EXPECT_EQ(listing.m_entries[0].m_name, "a.txt");
}

TEST(RemoteListing, FtpTimesRejectWhatIsNotATime) {
    FileTime time = 0;
    EXPECT_TRUE(ParseFtpTime("20240229235960", time));
    EXPECT_TRUE(ParseFtpTime("16010101000000.1234567", time));
    EXPECT_EQ(time, 1'234'567u);
    for (const char* bad : {"2024022923596", "20241301000000", "2024010100000x", "20240101000000.",
                            "20240101000000.12345678", "-2024010100000", ""}) {
        EXPECT_FALSE(ParseFtpTime(bad, time)) << bad;
    }
}

}  // namespace
}  // namespace tv
