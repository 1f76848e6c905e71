#include <gtest/gtest.h>

#include "GraphicTestSupport.h"
#include "KestGraphic.h"

namespace kest {
namespace {

TBytes Stream(std::string_view name, const TBytes& data, uint32_t declaredSize)
{
    TBytes out;
    out.push_back(uint8_t(name.size()));
    for (char ch : name)
        out.push_back(uint8_t(ch));
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(declaredSize >> shift));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TBytes IcoBytes()
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 200));
    return SavedByQt(image, "ICO");
}

TBytes BmpBytes()
{
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    TKestBitmap bitmap;
    EXPECT_TRUE(bitmap.SetImage(image));
    return bitmap.SaveToBytes();
}

TBytes WmfBytes()
{
    return {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
}

TEST(GraphicStream, EachClassRoundTripsUnderItsName)
{
    struct TCase {
        const char* Name;
        const TKestClass* Class;
        TBytes Data;
    };
    for (const TCase& c : {TCase {"TBitmap", TKestBitmap::StaticClass(), BmpBytes()},
             TCase {"TIcon", TKestIcon::StaticClass(), IcoBytes()},
             TCase {"TMetafile", TKestMetafile::StaticClass(), WmfBytes()},
             TCase {"TBitmap", TKestBitmap::StaticClass(), {}},
             TCase {"TJPEGImage", TKestJpegImage::StaticClass(), {}}}) {
        const TBytes stream = Stream(c.Name, c.Data, uint32_t(c.Data.size()));
        std::string reason;
        const auto graphic = LoadGraphicStream(stream, &reason);
        ASSERT_TRUE(graphic) << c.Name << ": " << reason;
        EXPECT_EQ(graphic->ClassType(), c.Class) << c.Name;
        EXPECT_STREQ(graphic->GraphicClassName(), c.Name);
        EXPECT_EQ(graphic->Empty(), c.Data.empty()) << c.Name;
        EXPECT_EQ(graphic->SaveToBytes(), c.Data) << c.Name;
        EXPECT_EQ(SaveGraphicStream(*graphic), stream) << c.Name;

        const auto created = CreateGraphic(c.Name);
        ASSERT_TRUE(created);
        EXPECT_EQ(created->ClassType(), c.Class);
    }
}

TEST(GraphicStream, MalformedStreamsAreRefusedWithAReason)
{
    const TBytes bmp = BmpBytes();
    struct TCase {
        const char* What;
        TBytes Stream;
        const char* InReason;
    };
    TBytes shortName = Stream("TBitmap", {}, 0);
    shortName[0] = 40; // name runs past the end
    for (const TCase& c : {
             TCase {"nothing", {}, "No graphic data"},
             TCase {"short header", shortName, "too short"},
             TCase {"unknown class", Stream("TPngImage", bmp, uint32_t(bmp.size())), "\"TPngImage\""},
             TCase {"other case", Stream("tbitmap", bmp, uint32_t(bmp.size())), "Unknown graphic class"},
             TCase {"size beyond the data", Stream("TBitmap", bmp, uint32_t(bmp.size() + 1)), "declares"},
             TCase {"size short of the data", Stream("TBitmap", bmp, uint32_t(bmp.size() - 1)), "declares"},
             TCase {"huge size", Stream("TBitmap", bmp, 0xFFFFFFFF), "declares"},
             TCase {"bad data", Stream("TJPEGImage", bmp, uint32_t(bmp.size())), "JPEG"},
             TCase {"bad bitmap", Stream("TBitmap", TBytes(60, 'B'), 60), "BMP"},
         }) {
        std::string reason;
        EXPECT_FALSE(LoadGraphicStream(c.Stream, &reason)) << c.What;
        EXPECT_NE(reason.find(c.InReason), std::string::npos) << c.What << ": " << reason;
    }
    EXPECT_FALSE(CreateGraphic("TGraphic"));
    EXPECT_FALSE(LoadGraphicStream(Stream("TIcon", {1, 2, 3}, 3))); // without asking for the reason
}

} // namespace
} // namespace kest
