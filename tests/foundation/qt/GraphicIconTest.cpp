#include <gtest/gtest.h>

#include "GraphicTestSupport.h"
#include "KestGraphic.h"

namespace kest {
namespace {

QImage Filled(int size, QRgb color)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return image;
}

// The bitmap image inside an icon file Qt wrote for one picture.
TBytes DibOf(const QImage& image)
{
    const TBytes ico = SavedByQt(image, "ICO");
    return TBytes(ico.begin() + ReadLe32(ico, 18), ico.begin() + ReadLe32(ico, 18) + ReadLe32(ico, 14));
}

// An icon (type 1) or cursor (type 2) file holding the given images.
TBytes IconFile(const std::vector<TBytes>& images, uint16_t type = 1)
{
    TBytes out;
    AppendLe16(out, 0);
    AppendLe16(out, type);
    AppendLe16(out, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const TBytes& image : images) {
        out.insert(out.end(), {0, 0, 0, 0}); // size and colours: the image's own header tells
        AppendLe16(out, 1);
        AppendLe16(out, 32);
        AppendLe32(out, uint32_t(image.size()));
        AppendLe32(out, offset);
        offset += uint32_t(image.size());
    }
    for (const TBytes& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

TEST(GraphicIcon, LoadsAQtWrittenIconAndKeepsItsBytes)
{
    const TBytes bytes = SavedByQt(Filled(16, qRgba(200, 40, 20, 255)), "ICO");
    TKestIcon icon;
    EXPECT_TRUE(icon.Transparent());
    std::string reason;
    ASSERT_TRUE(icon.LoadFromBytes(bytes, &reason)) << reason;
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);
    EXPECT_EQ(icon.SaveToBytes(), bytes);
    const QImage image = icon.ToImage();
    EXPECT_EQ(image.pixel(5, 5), qRgba(200, 40, 20, 255));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);

    const auto copy = icon.Clone();
    EXPECT_STREQ(copy->GraphicClassName(), "TIcon");
    EXPECT_EQ(copy->SaveToBytes(), bytes);
}

TEST(GraphicIcon, DrawsTheLargestImageWhetherBitmapOrPng)
{
    const TBytes small = DibOf(Filled(16, qRgb(255, 0, 0)));
    const TBytes large = DibOf(Filled(32, qRgb(0, 0, 255)));
    const TBytes png = SavedByQt(Filled(48, qRgb(0, 255, 0)), "PNG");
    TKestIcon icon;
    std::string reason;
    ASSERT_TRUE(icon.LoadFromBytes(IconFile({small, large}), &reason)) << reason;
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.ToImage().pixel(8, 8), qRgb(0, 0, 255));

    const TBytes mixed = IconFile({small, png, large});
    ASSERT_TRUE(icon.LoadFromBytes(mixed, &reason)) << reason;
    EXPECT_EQ(icon.Width(), 48);
    EXPECT_EQ(icon.ToImage().pixel(8, 8), qRgb(0, 255, 0));
    EXPECT_EQ(icon.SaveToBytes(), mixed);

    ASSERT_TRUE(icon.LoadFromBytes(IconFile({small}, 2), &reason)) << reason; // a cursor file
    EXPECT_EQ(icon.Width(), 16);
}

TEST(GraphicIcon, TruncatedOrCorruptDataLeavesAnEmptyIcon)
{
    const TBytes good = IconFile({DibOf(Filled(16, qRgb(1, 2, 3))), DibOf(Filled(32, qRgb(4, 5, 6)))});
    TKestIcon icon;
    for (size_t cut : {size_t(3), size_t(6), size_t(21), size_t(38), size_t(60), good.size() - 200}) {
        ASSERT_TRUE(icon.LoadFromBytes(good));
        std::string reason;
        EXPECT_FALSE(icon.LoadFromBytes(std::span(good).first(cut), &reason)) << cut;
        EXPECT_TRUE(icon.Empty()) << cut;
        EXPECT_EQ(icon.Width(), 0);
        EXPECT_TRUE(icon.SaveToBytes().empty());
        EXPECT_FALSE(reason.empty());
    }
    TBytes corrupt = good;
    corrupt[4] = 0; // no images
    EXPECT_FALSE(icon.LoadFromBytes(corrupt));
    corrupt = good;
    corrupt[2] = 3; // neither icon nor cursor
    EXPECT_FALSE(icon.LoadFromBytes(corrupt));
    corrupt = good;
    corrupt[6 + 16 + 15] = 0x7F; // second image's offset far beyond the end
    EXPECT_FALSE(icon.LoadFromBytes(corrupt));
    std::string reason;
    EXPECT_FALSE(icon.LoadFromBytes(IconFile({TBytes(40, 0)}), &reason));
    EXPECT_FALSE(icon.LoadFromBytes(IconFile({TBytes {0x89, 'P', 'N', 'G'}}), &reason));
}

TEST(GraphicIcon, DeclaredSizesOverTheLimitsAreRefused)
{
    TBytes dib = DibOf(Filled(16, qRgb(1, 2, 3)));
    auto declare = [&](uint32_t width, uint32_t height) {
        for (int i = 0; i < 4; ++i) {
            dib[4 + i] = uint8_t(width >> (8 * i));
            dib[8 + i] = uint8_t(height >> (8 * i));
        }
    };
    TKestIcon icon;
    std::string reason;
    declare(20000, 40000); // the height counts the mask rows too
    EXPECT_FALSE(icon.LoadFromBytes(IconFile({dib}), &reason));
    EXPECT_NE(reason.find("20000 x 20000"), std::string::npos) << reason;
    declare(64, 128); // within the limits, but the rows are not there
    EXPECT_FALSE(icon.LoadFromBytes(IconFile({dib}), &reason));
    EXPECT_NE(reason.find("truncated"), std::string::npos) << reason;

    TBytes png = SavedByQt(Filled(8, qRgb(1, 2, 3)), "PNG");
    png[16] = 0x7F; // width in the PNG header, big-endian
    EXPECT_FALSE(icon.LoadFromBytes(IconFile({png}), &reason));
    EXPECT_TRUE(icon.Empty());
}

} // namespace
} // namespace kest
