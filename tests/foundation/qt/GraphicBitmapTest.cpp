#include <gtest/gtest.h>

#include "GraphicTestSupport.h"
#include "KestGraphic.h"

namespace kest {
namespace {

QImage Pattern(int w, int h, bool alpha)
{
    QImage image(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, qRgba(x * 40 % 256, y * 60 % 256, (x + y) * 25 % 256, alpha ? (x * 70 + 15) % 256 : 255));
    return image;
}

TBytes EncodedBy(const QImage& image)
{
    TKestBitmap bitmap;
    EXPECT_TRUE(bitmap.SetImage(image));
    return bitmap.SaveToBytes();
}

// A BMP file header and info header declaring the given size, 24 bits, no pixels.
TBytes BmpHeader(int32_t width, int32_t height)
{
    TBytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    WriteLe32(b, 2, 54);
    WriteLe32(b, 10, 54);
    WriteLe32(b, 14, 40);
    WriteLe32(b, 18, uint32_t(width));
    WriteLe32(b, 22, uint32_t(height));
    b[26] = 1;
    b[28] = 24;
    return b;
}

TEST(GraphicBitmap, RoundTripsOpaqueImagesAs24BitBmp)
{
    const QImage source = Pattern(7, 5, false); // odd width: rows are padded
    const TBytes bytes = EncodedBy(source);
    EXPECT_EQ(bytes[28], 24);
    EXPECT_EQ(ReadLe32(bytes, 14), 40u);
    EXPECT_EQ(bytes.size(), 54u + 5 * 24);

    TKestBitmap loaded;
    std::string reason;
    ASSERT_TRUE(loaded.LoadFromBytes(bytes, &reason)) << reason;
    EXPECT_EQ(loaded.Width(), 7);
    EXPECT_EQ(loaded.Height(), 5);
    EXPECT_FALSE(loaded.Empty());
    EXPECT_EQ(loaded.Image().convertToFormat(QImage::Format_RGB32), source);
    EXPECT_EQ(loaded.SaveToBytes(), bytes);
}

TEST(GraphicBitmap, RoundTripsAlphaAs32BitBmp)
{
    const QImage source = Pattern(6, 4, true);
    const TBytes bytes = EncodedBy(source);
    EXPECT_EQ(bytes[28], 32);

    TKestBitmap loaded;
    ASSERT_TRUE(loaded.LoadFromBytes(bytes));
    const QImage image = loaded.Image().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(image.pixel(x, y), source.pixel(x, y)) << x << "," << y;
}

TEST(GraphicBitmap, KeepsForeignBmpBytesAndReadsTopDownRows)
{
    // An 8-bit palette file as another program writes it is saved back as it came.
    QImage indexed = Pattern(9, 3, false).convertToFormat(QImage::Format_Indexed8);
    const TBytes paletteFile = SavedByQt(indexed, "BMP");
    ASSERT_EQ(paletteFile[28], 8);
    TKestBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromBytes(paletteFile));
    EXPECT_EQ(bitmap.SaveToBytes(), paletteFile);
    EXPECT_EQ(bitmap.Image().pixel(4, 2), indexed.pixel(4, 2));

    // The same pixels stored top-down (negative height) load the same way up.
    const QImage source = Pattern(4, 3, false);
    const TBytes bottomUp = EncodedBy(source);
    TBytes topDown = bottomUp;
    const size_t stride = 12;
    for (size_t row = 0; row < 3; ++row)
        std::copy_n(bottomUp.begin() + 54 + (2 - row) * stride, stride, topDown.begin() + 54 + row * stride);
    WriteLe32(topDown, 22, uint32_t(-3));
    ASSERT_TRUE(bitmap.LoadFromBytes(topDown));
    EXPECT_EQ(bitmap.Image(), source);
}

TEST(GraphicBitmap, TruncatedOrCorruptDataLeavesAnEmptyBitmap)
{
    const TBytes good = EncodedBy(Pattern(8, 8, false));
    TKestBitmap bitmap;
    int changes = 0;
    bitmap.OnChange = [&](TKestGraphic* sender) {
        EXPECT_EQ(sender, &bitmap);
        ++changes;
    };
    for (size_t cut : {size_t(1), size_t(13), size_t(20), size_t(53), size_t(54), good.size() - 1}) {
        ASSERT_TRUE(bitmap.LoadFromBytes(good));
        std::string reason;
        EXPECT_FALSE(bitmap.LoadFromBytes(std::span(good).first(cut), &reason)) << cut;
        EXPECT_TRUE(bitmap.Empty()) << cut;
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_TRUE(bitmap.SaveToBytes().empty());
        EXPECT_TRUE(bitmap.ToImage().isNull());
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_EQ(changes, 12); // every load, failed or not, is a change

    TBytes corrupt = good;
    corrupt[28] = 7; // bits per pixel
    std::string reason;
    EXPECT_FALSE(bitmap.LoadFromBytes(corrupt, &reason));
    EXPECT_NE(reason.find("7 bits"), std::string::npos) << reason;
    corrupt = good;
    WriteLe32(corrupt, 10, 5000); // pixel data offset beyond the end
    EXPECT_FALSE(bitmap.LoadFromBytes(corrupt));
    corrupt = good;
    WriteLe32(corrupt, 14, 1000); // header size
    EXPECT_FALSE(bitmap.LoadFromBytes(corrupt));
    EXPECT_FALSE(bitmap.LoadFromBytes(TBytes {'J', 'P', 'E', 'G'}));

    EXPECT_TRUE(bitmap.LoadFromBytes({})); // no data: an empty bitmap, not an error
    EXPECT_TRUE(bitmap.Empty());
}

TEST(GraphicBitmap, DeclaredSizesOverTheLimitsAreRefusedBeforeDecoding)
{
    TKestBitmap bitmap;
    std::string reason;
    EXPECT_FALSE(bitmap.LoadFromBytes(BmpHeader(20000, 20000), &reason));
    EXPECT_NE(reason.find("20000 x 20000"), std::string::npos) << reason;
    // Each side within the limit, the whole over it.
    EXPECT_FALSE(bitmap.LoadFromBytes(BmpHeader(16384, 16384), &reason));
    EXPECT_NE(reason.find("MB"), std::string::npos) << reason;
    EXPECT_FALSE(bitmap.LoadFromBytes(BmpHeader(100, INT32_MIN), &reason));
    EXPECT_FALSE(bitmap.LoadFromBytes(BmpHeader(0, 10), &reason));
    EXPECT_FALSE(bitmap.LoadFromBytes(BmpHeader(-5, 10), &reason));

    EXPECT_FALSE(bitmap.SetImage(QImage(20000, 1, QImage::Format_RGB32)));
    EXPECT_TRUE(bitmap.Empty());
}

TEST(GraphicBitmap, PixelsARunLengthBitmapSkipsTakeTheFirstPaletteColour)
{
    constexpr int side = 16;
    // 8 bits a pixel, run-length coded, palette red and green; the data
    // paints two green pixels and ends the bitmap at once.
    TBytes b = BmpHeader(side, side);
    b[28] = 8;
    WriteLe32(b, 30, 1);
    WriteLe32(b, 46, 2);
    for (uint8_t v : {0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00})
        b.push_back(v);
    WriteLe32(b, 10, uint32_t(b.size()));
    for (uint8_t v : {0x02, 0x01, 0x00, 0x01})
        b.push_back(v);
    WriteLe32(b, 2, uint32_t(b.size()));
    {
        // Leave freed memory of the decoded image's size holding green.
        QImage stale(side, side, QImage::Format_Indexed8);
        stale.fill(1);
    }
    // Bottom-up as the format wants it, and top-down as some writers store it.
    for (const int32_t height : {side, -side}) {
        WriteLe32(b, 22, uint32_t(height));
        TKestBitmap bitmap;
        std::string reason;
        ASSERT_TRUE(bitmap.LoadFromBytes(b, &reason)) << reason;
        const QImage& image = bitmap.Image();
        int green = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const QRgb pixel = image.pixel(x, y);
                ASSERT_TRUE(pixel == qRgb(255, 0, 0) || pixel == qRgb(0, 255, 0)) << x << "," << y << " " << height;
                green += pixel == qRgb(0, 255, 0);
            }
        EXPECT_EQ(green, 2) << height;
        EXPECT_EQ(image.pixel(0, height > 0 ? side - 1 : 0), qRgb(0, 255, 0)) << height;
    }
}

TEST(GraphicBitmap, TransparentColorDefaultsToTheBottomLeftPixel)
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    image.setPixel(0, 2, qRgb(10, 20, 30));
    image.setPixel(2, 1, qRgb(10, 20, 30));
    TKestBitmap bitmap;
    EXPECT_EQ(bitmap.TransparentColor(), 0u);
    bitmap.SetImage(image);
    EXPECT_EQ(bitmap.TransparentColor(), 0x1E140Au); // 0x00BBGGRR

    int changes = 0;
    bitmap.OnChange = [&](TKestGraphic*) { ++changes; };
    bitmap.SetTransparent(true);
    bitmap.SetTransparent(true);
    EXPECT_EQ(changes, 1);
    QImage drawn = bitmap.ToImage();
    EXPECT_EQ(qAlpha(drawn.pixel(0, 2)), 0);
    EXPECT_EQ(qAlpha(drawn.pixel(2, 1)), 0);
    EXPECT_EQ(drawn.pixel(1, 1), qRgb(0, 0, 255));
    const QRegion drawnRegion = bitmap.MaskRegion();
    EXPECT_EQ(drawnRegion.boundingRect(), QRect(0, 0, 4, 3));
    EXPECT_FALSE(drawnRegion.contains(QPoint(0, 2)));
    EXPECT_FALSE(drawnRegion.contains(QPoint(2, 1)));
    EXPECT_TRUE(drawnRegion.contains(QPoint(3, 1)));
    int area = 0;
    for (const QRect& r : drawnRegion)
        area += r.width() * r.height();
    EXPECT_EQ(area, 10);

    // A set colour sticks, whatever the pixels; only 24 bits are kept.
    bitmap.SetTransparentColor(0xFFFF0000); // blue
    EXPECT_EQ(bitmap.TransparentColor(), 0xFF0000u);
    EXPECT_EQ(changes, 2);
    bitmap.SetTransparentColor(0xFF0000);
    EXPECT_EQ(changes, 2);
    drawn = bitmap.ToImage();
    EXPECT_EQ(qAlpha(drawn.pixel(1, 1)), 0);
    EXPECT_EQ(drawn.pixel(0, 2), qRgb(10, 20, 30));
    bitmap.SetImage(Pattern(4, 3, false));
    EXPECT_EQ(bitmap.TransparentColor(), 0xFF0000u);

    bitmap.SetTransparent(false);
    EXPECT_EQ(bitmap.MaskRegion(), QRegion(0, 0, 4, 3));
    EXPECT_EQ(bitmap.ToImage(), bitmap.Image());
}

TEST(GraphicBitmap, MaskRegionOfAnAllTransparentBitmapIsEmpty)
{
    QImage image(5, 5, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    TKestBitmap bitmap;
    bitmap.SetImage(image);
    bitmap.SetTransparent(true);
    EXPECT_TRUE(bitmap.MaskRegion().isEmpty());

    // Bands: identical rows merge, differing ones split.
    image.fill(qRgb(200, 0, 0));
    for (int y = 0; y < 5; ++y)
        image.setPixel(2, y, qRgb(1, 2, 3));
    image.setPixel(0, 4, qRgb(1, 2, 3));
    bitmap.SetImage(image);
    bitmap.SetTransparentColor(0x030201);
    const QRegion region = bitmap.MaskRegion();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(region.contains(QPoint(x, y)), image.pixel(x, y) != qRgb(1, 2, 3)) << x << "," << y;
}

TEST(GraphicBitmap, CloneCopiesContentAndTransparencyButNotTheHandler)
{
    TKestBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromBytes(EncodedBy(Pattern(3, 3, false))));
    bitmap.SetTransparent(true);
    bitmap.SetTransparentColor(0x123456);
    bool called = false;
    bitmap.OnChange = [&](TKestGraphic*) { called = true; };
    const auto copy = bitmap.Clone();
    ASSERT_TRUE(copy->InheritsFrom(TKestBitmap::StaticClass()));
    EXPECT_STREQ(copy->GraphicClassName(), "TBitmap");
    EXPECT_EQ(copy->SaveToBytes(), bitmap.SaveToBytes());
    EXPECT_TRUE(copy->Transparent());
    EXPECT_EQ(copy->TransparentColor(), 0x123456u);
    EXPECT_FALSE(copy->OnChange);
    copy->SetTransparent(false);
    EXPECT_FALSE(called);
    EXPECT_TRUE(bitmap.Transparent());
}

} // namespace
} // namespace kest
