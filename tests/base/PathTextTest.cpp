#include <gtest/gtest.h>

#include "base/PathText.h"

namespace {

// Every prefix comparison below a root relies on one form of it, and "/" must never become
// "" (which would name the working folder).
TEST(PathText, CleanFolderPathGivesOneFormAndKeepsTheRoot) {
    EXPECT_EQ(tv::CleanFolderPath("//x///src/"), "/x/src");
    EXPECT_EQ(tv::CleanFolderPath("///"), "/");
    EXPECT_EQ(tv::CleanFolderPath("rel//dir/"), "rel/dir");
}

}  // namespace
