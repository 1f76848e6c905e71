// Pictures: sizing to the image, empty pictures in and out of the editing
// mode, painting the image and saving it.
#include <gtest/gtest.h>

#include <memory>

#include "KestGraphic.h"
#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

std::unique_ptr<TKestBitmap> FilledBitmap(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    auto bitmap = std::make_unique<TKestBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

TEST(PictureTest, AutoSizeTakesTheImageSizeAndLocksIt)
{
    TShapeFixture f;
    auto* pic = f.Add<TKestPicture>({10000, 10000, 20000, 20000});
    const auto bitmap = FilledBitmap(32, 16, Qt::red);
    pic->Picture()->SetGraphic(bitmap.get());
    EXPECT_EQ(pic->Width(), 10000); // not without AutoSize

    pic->SetAutoSize(true);
    EXPECT_EQ(pic->Width(), 32000);
    EXPECT_EQ(pic->Height(), 16000);
    pic->SetWidth(5000);
    EXPECT_EQ(pic->Width(), 32000);

    const auto larger = FilledBitmap(40, 30, Qt::blue);
    pic->Picture()->SetGraphic(larger.get());
    EXPECT_EQ(pic->Width(), 40000);
    EXPECT_EQ(pic->Height(), 30000);

    pic->SetAutoSize(false);
    pic->SetWidth(5000);
    EXPECT_EQ(pic->Width(), 5000);
    EXPECT_FALSE(pic->WidthProp()->HasStyle(psReadOnly));
}

TEST(PictureTest, EmptyPictureIsHitAndShownOnlyWhileEditing)
{
    TShapeFixture f;
    auto* pic = f.Add<TKestPicture>({10000, 10000, 60000, 40000});
    EXPECT_FALSE(pic->IsPointInside(30, 20));
    EXPECT_TRUE(Near(TPainted(f.panel).At(10, 20), clWhite));
    f.panel.SetEditMode(true);
    EXPECT_TRUE(pic->IsPointInside(30, 20));
    EXPECT_FALSE(pic->IsPointInside(60, 20));
    // Painting for output leaves the placeholder out.
    EXPECT_TRUE(Near(TPainted(f.panel).At(10, 20), clWhite));
    f.panel.SetEditMode(false);

    const auto bitmap = FilledBitmap(4, 4, Qt::green);
    pic->Picture()->SetGraphic(bitmap.get());
    EXPECT_TRUE(pic->IsPointInside(30, 20));
}

TEST(PictureTest, PaintsTheImageStretchedAndLoadsItBack)
{
    TShapeFixture f;
    auto* pic = f.Add<TKestPicture>({10000, 10000, 60000, 40000});
    pic->SetName("Pic");
    const auto bitmap = FilledBitmap(8, 8, QColor(0, 0, 255));
    pic->Picture()->SetGraphic(bitmap.get());
    pic->SetFrameIndex(2);
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(35, 25), clBlue));
        EXPECT_TRUE(Near(p.At(59, 39), clBlue));
        EXPECT_TRUE(Near(p.At(60, 25), clWhite));
    }
    const std::string text = doctest::SaveText(f.panel);
    EXPECT_EQ(Resaved(text), text);
    TShapeFixture other;
    doctest::LoadText(other.panel, text);
    auto* loaded = dynamic_cast<TKestPicture*>(other.panel.FindControlByName("Pic"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->FrameIndex(), 2);
    EXPECT_EQ(loaded->Picture()->Width(), 8);
    EXPECT_EQ(loaded->ConnectionPoint(4), (TKestPoint {49000, 29000}));
}

} // namespace
} // namespace kest::shapetest
