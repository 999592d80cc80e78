#include "scan/Filter.h"

#include <gtest/gtest.h>

#include "support/TestEnv.h"

namespace {

using tv::CElement;

constexpr uint64_t kMb = 1048576;

bool Admit(const CElement& task, const std::string& path, bool folder, uint64_t size = 1) {
    return tv::FilterCheck(size, 0, task, path, "/data/src/", folder, false, tv::Side::Source);
}

tv::TaskTime Local(int year, int month, int day, int hour, int minute = 0, int second = 0) {
    return tv::UnixFromLocalCalendar({year, month, day, hour, minute, second});
}

TEST(Filter, VolumeInformationIsDroppedOnlyDirectlyBelowAMountPoint) {
    CElement task;
    tvtest::CTempDir dir;
    const auto check = [&](const std::string& root, const std::string& name, bool ftp) {
        return tv::FilterCheck(0, 0, task, root + "/" + name, root, true, ftp, tv::Side::Source);
    };
    EXPECT_FALSE(check("", "System Volume Information", false));
    EXPECT_TRUE(check(dir.Path().string(), "System Volume Information", false));
    EXPECT_TRUE(check("", "system volume information", false));
    EXPECT_TRUE(check("", "System Volume Information", true));
}

TEST(Filter, ExcludedItemsAndMasks) {
    CElement task;
    task.m_dwOptions2 |= tv::opt2::kExcludeItems | tv::opt2::kExcludeMasks;
    task.m_ExcludedItems = {"\\Temp\\Old\\", "/\xC3\xA4rger"};
    task.m_strExcludeMasks = "*.TMP, *.BAK;~*";
    EXPECT_FALSE(Admit(task, "/data/src/TEMP/old/", true));
    EXPECT_FALSE(Admit(task, "/DATA/Src/temp/old", true));
    EXPECT_FALSE(Admit(task, "/data/src/\xC3\x84RGER", false));
    EXPECT_TRUE(Admit(task, "/data/src/Temp", true));
    EXPECT_TRUE(Admit(task, "/data/other/Temp/Old", true));
    EXPECT_FALSE(Admit(task, "/data/src/report.BAK", false));
    EXPECT_FALSE(Admit(task, "/data/src/cache.tmp", true));
    EXPECT_TRUE(Admit(task, "/data/src/x.bak/keep", false));
}

TEST(Filter, IncludeMasksRestrictFilesOnly) {
    CElement task;
    task.m_dwOptions2 |= tv::opt2::kIncludeMasks;
    task.m_strIncludeMasks = "*.DOC";
    EXPECT_TRUE(Admit(task, "/data/src/a.doc", false));
    EXPECT_FALSE(Admit(task, "/data/src/A.DOCX", false));
    EXPECT_TRUE(Admit(task, "/data/src/folder", true));
}

TEST(Filter, SizeLimitCountsInSixtyFourBits) {
    CElement task;
    task.m_dwOptions2 |= tv::opt2::kMaxSize;
    EXPECT_TRUE(Admit(task, "/data/src/a", false, 10 * kMb));
    EXPECT_FALSE(Admit(task, "/data/src/a", false, 10 * kMb + 1));
    EXPECT_TRUE(Admit(task, "/data/src/a", true, 20 * kMb));
    // 4096 MB is 0 in 32 bits, which would refuse every non-empty file.
    task.m_nMaxSizeMb = 4096;
    EXPECT_TRUE(Admit(task, "/data/src/a", false, 1000));
    EXPECT_FALSE(Admit(task, "/data/src/a", false, 5120 * kMb));
}

TEST(Filter, AgeLimitCountsBackFromNow) {
    CElement task;
    task.m_dwOptions |= tv::opt1::kTimeLimit;
    task.m_nAgeUnit = tv::AGE_MONTHS;
    // Is a file written at `written` admitted when `count` units count back from `now`?
    const auto admit = [&](int count, tv::TaskTime written, tv::TaskTime now) {
        task.m_nAgeValue = count;
        return tv::CFilter(task, "/", false, now)
            .Admit("/f", false, 1, tv::FileTimeFromUnix(written));
    };
    const tv::TaskTime march = Local(2024, 3, 15, 12);
    EXPECT_TRUE(admit(2, Local(2024, 1, 15, 12), march));
    EXPECT_FALSE(admit(2, Local(2024, 1, 15, 11, 59, 59), march));
    EXPECT_TRUE(admit(14, Local(2023, 1, 15, 12), march));
    EXPECT_FALSE(admit(27, Local(2021, 12, 15, 11), march));
    EXPECT_TRUE(admit(27, Local(2021, 12, 15, 12), march));
    // A day the earlier month lacks becomes its last day.
    EXPECT_TRUE(admit(1, Local(2024, 2, 29, 12), Local(2024, 3, 31, 12)));
    EXPECT_FALSE(admit(1, Local(2024, 2, 29, 11), Local(2024, 3, 31, 12)));

    task.m_dwOptions2 |= tv::opt2::kExcludePeriod;
    EXPECT_FALSE(admit(2, Local(2024, 1, 15, 12), march));
    task.m_nAgeUnit = tv::AGE_WEEKS;
    EXPECT_TRUE(admit(2, march - 14 * 86400 - 1, march));

    task.m_dwOptions2 |= tv::opt2::kPeriodDuring;
    task.m_timePeriodFrom = 1000;
    task.m_timePeriodTo = 2000;
    EXPECT_FALSE(admit(0, 2000, march));
    EXPECT_TRUE(admit(0, 2001, march));
}

}  // namespace
