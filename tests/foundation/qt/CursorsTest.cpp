#include <QPixmap>
#include <gtest/gtest.h>
#include <set>

#include "KestCursors.h"

namespace kest {
namespace {

TEST(Cursors, TableHoldsEighteenDistinctCursorsWithHotspotsInside)
{
    ASSERT_TRUE(LoadCursors());
    EXPECT_TRUE(LoadCursors()); // a second call changes nothing
    std::set<QByteArray> images;
    for (int i = 1; i <= KestCursorCount; ++i) {
        const QCursor cursor = KestCursor(i);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << KestCursorName(i);
        const QPixmap pixmap = cursor.pixmap();
        ASSERT_FALSE(pixmap.isNull()) << KestCursorName(i);
        EXPECT_EQ(pixmap.size(), QSize(32, 32)) << KestCursorName(i);
        EXPECT_TRUE(pixmap.rect().contains(cursor.hotSpot())) << KestCursorName(i);
        const QImage image = pixmap.toImage();
        images.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(images.size(), size_t(KestCursorCount));
}

TEST(Cursors, IndexesFollowTheResourceNames)
{
    EXPECT_STREQ(KestCursorName(1), "SHAPE_CUR");
    EXPECT_STREQ(KestCursorName(7), "CREATE_CTRL_CUR");
    EXPECT_STREQ(KestCursorName(12), "CREATE_POLY_CUR");
    EXPECT_STREQ(KestCursorName(13), "ZOOM_IN_CUR");
    EXPECT_STREQ(KestCursorName(15), "PAN_CUR");
    EXPECT_STREQ(KestCursorName(16), "PANNING_CUR");
    EXPECT_STREQ(KestCursorName(18), "SHAPE_MOVE_LINE_CUR");
    EXPECT_EQ(KestCursorName(0), nullptr);
    EXPECT_EQ(KestCursorName(19), nullptr);

    LoadCursors();
    for (int index : {0, -1, 19, 1000})
        EXPECT_EQ(KestCursor(index).shape(), Qt::ArrowCursor) << index;
    // The pointer-type cursors point with their tip, the zoom ones with the lens.
    EXPECT_EQ(KestCursor(1).hotSpot(), QPoint(1, 1));
    EXPECT_EQ(KestCursor(13).hotSpot(), QPoint(12, 12));
}

} // namespace
} // namespace kest
