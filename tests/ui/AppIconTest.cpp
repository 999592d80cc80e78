#include <gtest/gtest.h>

#include <QPixmap>

#include "ui/AppIcon.h"

namespace {

// The icon comes from resources linked in from a static library, which a linker may drop.
TEST(AppIcon, IsThereInItsSizes) {
    const QIcon icon = tv::AppIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixmap(48, 48).width(), 48);
    EXPECT_EQ(icon.availableSizes().size(), 2);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
}

}  // namespace
