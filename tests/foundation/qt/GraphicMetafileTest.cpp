#include <gtest/gtest.h>

#include "GraphicTestSupport.h"
#include "KestGraphic.h"

namespace kest {
namespace {

// An enhanced metafile: header whose frame is in hundredths of a
// millimetre, then the end record.
TBytes Emf(int32_t frameRight, int32_t frameBottom)
{
    TBytes b;
    AppendLe32(b, 1); // header record
    AppendLe32(b, 88); // its size
    for (int32_t v : {0, 0, 95, 47, 0, 0, frameRight, frameBottom})
        AppendLe32(b, uint32_t(v));
    AppendLe32(b, 0x464D4520);
    AppendLe32(b, 0x10000);
    AppendLe32(b, 88 + 20); // file size
    AppendLe32(b, 2); // records
    b.resize(88, 0);
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) // end record
        AppendLe32(b, v);
    return b;
}

// A WMF: header and end record, nine plus three words.
TBytes Wmf()
{
    TBytes b;
    for (uint32_t v : {1u, 9u, 0x300u})
        AppendLe16(b, v);
    AppendLe32(b, 12);
    AppendLe16(b, 0);
    AppendLe32(b, 3);
    AppendLe16(b, 0);
    AppendLe32(b, 3);
    AppendLe16(b, 0);
    return b;
}

TBytes Placeable(int16_t right, int16_t bottom, uint16_t unitsPerInch)
{
    TBytes b;
    AppendLe32(b, 0x9AC6CDD7);
    for (int v : {0, 0, 0, int(right), int(bottom), int(unitsPerInch), 0, 0})
        AppendLe16(b, uint16_t(v));
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2)
        checksum ^= uint16_t(b[i] | b[i + 1] << 8);
    AppendLe16(b, checksum);
    const TBytes wmf = Wmf();
    b.insert(b.end(), wmf.begin(), wmf.end());
    return b;
}

TEST(GraphicMetafile, KeepsTheBytesAndTakesTheDeclaredSize)
{
    struct TCase {
        const char* Name;
        TBytes Data;
        int Width, Height;
    };
    for (const TCase& c : {TCase {"EMF", Emf(2540, 1270), 96, 48},
             TCase {"placeable", Placeable(1440, 720, 1440), 96, 48}, TCase {"WMF", Wmf(), 0, 0}}) {
        TKestMetafile metafile;
        std::string reason;
        ASSERT_TRUE(metafile.LoadFromBytes(c.Data, &reason)) << c.Name << ": " << reason;
        EXPECT_FALSE(metafile.Empty()) << c.Name;
        EXPECT_TRUE(metafile.Transparent()) << c.Name;
        EXPECT_EQ(metafile.Width(), c.Width) << c.Name;
        EXPECT_EQ(metafile.Height(), c.Height) << c.Name;
        EXPECT_EQ(metafile.SaveToBytes(), c.Data) << c.Name;
        EXPECT_EQ(metafile.Clone()->SaveToBytes(), c.Data) << c.Name;
        const QImage image = metafile.ToImage();
        EXPECT_EQ(image.size(), QSize(c.Width, c.Height)) << c.Name;
        if (!image.isNull()) {
            EXPECT_EQ(qAlpha(image.pixel(c.Width / 2, c.Height / 2)), 0) << c.Name;
        }
    }
}

TEST(GraphicMetafile, TruncatedOrCorruptDataLeavesAnEmptyMetafile)
{
    const TBytes emf = Emf(2540, 1270);
    const TBytes placeable = Placeable(1440, 720, 1440);
    TKestMetafile metafile;
    auto refused = [&](std::span<const uint8_t> data, const char* what) {
        EXPECT_TRUE(metafile.LoadFromBytes(emf));
        std::string reason;
        EXPECT_FALSE(metafile.LoadFromBytes(data, &reason)) << what;
        EXPECT_TRUE(metafile.Empty()) << what;
        EXPECT_EQ(metafile.Width(), 0) << what;
        EXPECT_TRUE(metafile.ToImage().isNull()) << what;
        EXPECT_FALSE(reason.empty()) << what;
    };
    refused(std::span(emf).first(50), "EMF header cut");
    refused(std::span(emf).first(100), "EMF records cut");
    refused(std::span(placeable).first(30), "WMF header cut");
    refused(std::span(placeable).first(placeable.size() - 1), "WMF records cut");
    TBytes corrupt = placeable;
    corrupt[20] ^= 1;
    refused(corrupt, "checksum");
    refused(Placeable(1440, 720, 0), "no units per inch");
    refused(Emf(2540 * 200, 2540), "over the size limit");
    refused(TBytes(64, 0x41), "not a metafile");

    EXPECT_TRUE(metafile.LoadFromBytes(Emf(-100, 1270))); // a frame without area declares no size
    EXPECT_EQ(metafile.Width(), 0);
    EXPECT_TRUE(metafile.ToImage().isNull());
}

} // namespace
} // namespace kest
