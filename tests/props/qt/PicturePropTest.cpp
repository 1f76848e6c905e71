// Pictures: every graphic class kept byte for byte, frames and their
// drawing, the fast buffer, links, masks and hostile data.
#include <gtest/gtest.h>

#include "GraphicPropsTestSupport.h"
#include "KestGraphicProps.h"
#include "KestPropsList.h"
#include "foundation/qt/CanvasTestSupport.h"

namespace kest {
namespace {

using test::ColorAt;
using test::GridColor;
using test::GridImage;
using test::LoadList;
using test::MakeCanvas;
using test::SaveList;

constexpr TColor kBackground = RGBColor(1, 99, 7);

struct TPictureList {
    TPropList list;
    TPictureProp* picture = list.Add<TPictureProp>("Picture");
    int changes = 0;
    TPictureList()
    {
        list.OnPropChanged = [this](TPropList*, TCustomProp*) { ++changes; };
    }
};

TBytes BitmapStream(int w, int h)
{
    return test::GraphicStream("TBitmap", test::BmpFile(w, h));
}

TBytes JpegFile()
{
    return test::Encoded(GridImage(8, 8), "JPG");
}

TEST(PictureProp, EveryGraphicClassRoundTripsByteForByte)
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(qRgba(10, 200, 30, 128));
    struct TCase {
        const char* Class;
        TBytes File;
    };
    for (const TCase& c : {TCase {"TBitmap", test::BmpFile(5, 3)}, TCase {"TJPEGImage", JpegFile()},
             TCase {"TIcon", test::Encoded(icon, "ICO")}, TCase {"TMetafile", test::WmfFile()}}) {
        ASSERT_FALSE(c.File.empty()) << c.Class;
        const TBytes stream = test::GraphicStream(c.Class, c.File);
        TPictureList p;
        p.picture->SetGraphicData(stream);
        ASSERT_NE(p.picture->Graphic(), nullptr) << c.Class;
        EXPECT_STREQ(p.picture->Graphic()->GraphicClassName(), c.Class);
        EXPECT_EQ(p.picture->IsBitmap(), std::string(c.Class) == "TBitmap");
        for (bool binary : {false, true}) {
            TPictureList copy;
            LoadList(copy.list, SaveList(p.list, false, binary));
            ASSERT_NE(copy.picture->Graphic(), nullptr) << c.Class << binary;
            EXPECT_EQ(copy.picture->GraphicData(), stream) << c.Class << binary;
            EXPECT_EQ(copy.picture->Graphic()->SaveToBytes(), c.File) << c.Class << binary;
            EXPECT_EQ(copy.picture->Width(), p.picture->Width()) << c.Class;
        }
    }
}

TEST(PictureProp, FramesCutTheImageIntoEqualCells)
{
    TPictureList p;
    p.picture->SetGraphicData(BitmapStream(100, 40));
    p.picture->SetColumns(4);
    p.picture->SetRows(2);
    p.picture->SetColumns(0);
    p.picture->SetRows(-1);
    EXPECT_EQ(p.picture->FrameCount(), 8);
    EXPECT_EQ(p.picture->FrameRect(5), (TKestRect {25, 20, 50, 40}));
    EXPECT_EQ(p.picture->FrameRect(0), (TKestRect {0, 0, 25, 20}));
    EXPECT_EQ(p.picture->FrameRect(8), (TKestRect {0, 0, 100, 40}));
    EXPECT_EQ(p.picture->FrameRect(-1), (TKestRect {0, 0, 100, 40}));
    EXPECT_EQ(p.picture->FrameSize(), (TKestSize {25, 20}));

    p.picture->Graphic()->SetTransparentColor(uint32_t(GridColor(26, 21)));
    p.picture->Graphic()->SetTransparent(true);
    const auto frame = p.picture->GetFrameBitmap(*p.picture->Graphic(), 5);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Width(), 25);
    EXPECT_EQ(frame->Height(), 20);
    EXPECT_EQ(QRgbToColor(frame->Image().pixel(0, 0)), GridColor(25, 20));
    EXPECT_TRUE(frame->Transparent());
    EXPECT_EQ(TColor(frame->TransparentColor()), GridColor(26, 21));
    EXPECT_EQ(p.picture->GetFrameBitmap(TKestJpegImage(), 5), nullptr);
}

TEST(PictureProp, OnlyBitmapsAndFastBuffersHaveFrames)
{
    TPictureList p;
    p.picture->SetGraphicData(test::GraphicStream("TJPEGImage", JpegFile()));
    p.picture->SetColumns(4);
    EXPECT_EQ(p.picture->Columns(), 1);
    p.picture->SetFastBuffer(true);
    p.picture->SetColumns(4);
    p.picture->SetRows(2);
    EXPECT_EQ(p.picture->FrameCount(), 8);

    // FastBuffer is stored after the frames and still brings them back.
    const std::string saved = SaveList(p.list);
    for (bool binary : {false, true}) {
        TPictureList copy;
        LoadList(copy.list, SaveList(p.list, false, binary));
        EXPECT_EQ(copy.picture->Columns(), 4) << binary;
        EXPECT_EQ(SaveList(copy.list), saved) << binary;
    }
    p.picture->SetFastBuffer(false);
    EXPECT_EQ(p.picture->FrameCount(), 1);

    // A new graphic without frames starts with one.
    p.picture->SetGraphicData(BitmapStream(8, 8));
    p.picture->SetColumns(2);
    p.picture->SetGraphicData(test::GraphicStream("TMetafile", test::WmfFile()));
    p.picture->SetGraphicData(BitmapStream(8, 8));
    EXPECT_EQ(p.picture->Columns(), 1);
}

TEST(PictureProp, DrawsAFrameStretchedAndClippedToTheRectangle)
{
    TPictureList p;
    p.picture->SetGraphicData(BitmapStream(4, 2));
    p.picture->SetColumns(2);
    TKestCanvas canvas;
    MakeCanvas(canvas, 20, 20, kBackground);
    const TKestRegion outer(TKestRect {0, 0, 19, 19});
    canvas.SelectClipRgn(outer);
    p.picture->Draw(canvas, {10, 10, 14, 14}, nullptr, false, 1);
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {10, 10, 14, 14}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 11, 11), GridColor(2, 0));
    EXPECT_EQ(ColorAt(*canvas.Image(), 13, 13), GridColor(3, 1));
    ASSERT_TRUE(canvas.ClipRegion());
    EXPECT_EQ(*canvas.ClipRegion(), outer);

    canvas.SelectClipRgn(std::nullopt);
    MakeCanvas(canvas, 20, 20, kBackground);
    p.picture->Draw(canvas, {0, 0, 8, 4}, nullptr, false, -1);
    EXPECT_EQ(ColorAt(*canvas.Image(), 7, 3), GridColor(3, 1));
    EXPECT_FALSE(canvas.ClipRegion());

    // A frame of another graphic cannot be cut.
    p.picture->SetFastBuffer(true);
    p.picture->SetGraphicData(test::GraphicStream("TJPEGImage", JpegFile()));
    p.picture->SetColumns(2);
    MakeCanvas(canvas, 20, 20, kBackground);
    p.picture->Draw(canvas, {0, 0, 8, 8}, nullptr, false, 0);
    EXPECT_EQ(test::CountColor(*canvas.Image(), kBackground), 400);
}

TEST(PictureProp, MaskedBitmapsLeaveTheirTransparentPixels)
{
    QImage image = GridImage(2, 2);
    image.setPixel(1, 1, qRgb(255, 0, 255));
    TPictureList p;
    p.picture->SetGraphicData(test::GraphicStream("TBitmap", test::MakeBitmap(image)->SaveToBytes()));
    p.picture->SetMasked(true);
    p.picture->SetMaskColor(RGBColor(255, 0, 255));
    ASSERT_TRUE(p.picture->Graphic()->Transparent());
    for (bool useMaskRegion : {false, true}) {
        TKestCanvas canvas;
        MakeCanvas(canvas, 6, 6, kBackground);
        p.picture->Draw(canvas, {1, 1, 5, 5}, nullptr, useMaskRegion, -1);
        EXPECT_EQ(ColorAt(*canvas.Image(), 4, 4), kBackground) << useMaskRegion;
        EXPECT_EQ(ColorAt(*canvas.Image(), 1, 1), GridColor(0, 0)) << useMaskRegion;
        EXPECT_EQ(ColorAt(*canvas.Image(), 4, 1), GridColor(1, 0)) << useMaskRegion;
        EXPECT_FALSE(canvas.ClipRegion());
    }
    // Black stays the transparent colour of a masked bitmap whose
    // bottom-left pixel would otherwise take its place.
    p.picture->SetMaskColor(clBlack);
    TPictureList copy;
    LoadList(copy.list, SaveList(p.list));
    EXPECT_EQ(copy.picture->MaskColor(), clBlack);
    EXPECT_EQ(copy.picture->Graphic()->TransparentColor(), 0u);
    // Without a graphic the mask is kept for the next one.
    p.picture->SetGraphicData({});
    EXPECT_TRUE(p.picture->Masked());
    p.picture->SetMaskColor(clRed);
    EXPECT_EQ(p.picture->MaskColor(), clRed);
}

TEST(PictureProp, TheFastBufferHoldsTheRenderedPictureForAlphaTargets)
{
    TPictureList p;
    p.picture->SetGraphicData(BitmapStream(4, 2));
    EXPECT_EQ(p.picture->Buffer(), nullptr);
    int renders = 0;
    bool paintingSeen = false;
    p.picture->OnPaintBuffer
        = [&](TPictureProp* sender, TAlphaBuffer&, bool& defaultDraw, TKestGraphic&, TKestCanvas& canvas) {
              ++renders;
              paintingSeen = sender->Painting();
              // Changes raised while rendering are not the picture's.
              sender->Graphic()->SetTransparentColor(uint32_t(renders));
              if (renders > 1) {
                  defaultDraw = false;
                  canvas.SetBrush(TKestBrush(clRed, bsSolid));
                  canvas.FillRect({0, 0, 1, 1});
              }
          };
    p.changes = 0;
    p.picture->SetFastBuffer(true);
    EXPECT_EQ(p.changes, 1);
    EXPECT_EQ(renders, 1);
    EXPECT_TRUE(paintingSeen);
    ASSERT_NE(p.picture->Buffer(), nullptr);
    EXPECT_TRUE(p.picture->Buffer()->Loaded());
    EXPECT_EQ(p.picture->Buffer()->BufferWidth(), 4);

    TKestCanvas canvas;
    MakeCanvas(canvas, 10, 10, kBackground);
    TAlphaBuffer target;
    ASSERT_TRUE(target.BeginPaint(&canvas, {0, 0, 10, 10}));
    p.picture->Draw(target.Canvas(), {2, 2, 10, 6}, &target, false, -1);
    target.EndPaint(0);
    EXPECT_EQ(ColorAt(*canvas.Image(), 2, 2), GridColor(0, 0));
    EXPECT_EQ(ColorAt(*canvas.Image(), 9, 5), GridColor(3, 1));
    EXPECT_EQ(ColorAt(*canvas.Image(), 1, 1), kBackground);

    // A changed graphic renders again; the handler may draw instead.
    static_cast<TKestBitmap*>(p.picture->Graphic())->SetImage(GridImage(3, 3));
    EXPECT_EQ(renders, 2);
    EXPECT_EQ(p.picture->Width(), 3);
    EXPECT_EQ(QRgbToColor(p.picture->Buffer()->Pixels().pixel(0, 0)), clRed);
    EXPECT_EQ(qAlpha(p.picture->Buffer()->Pixels().pixel(1, 1)), 0);
    p.picture->SetFastBuffer(false);
    EXPECT_EQ(p.picture->Buffer(), nullptr);
}

TEST(PictureProp, LinkedPicturesLoadByExtensionAndKeepTheirMask)
{
    const TBytes bmp = test::BmpFile(6, 2);
    test::TAppFile bitmapFile("pictureprop-link.bmp", bmp);
    test::TAppFile jpegFile("pictureprop-link.JPG", JpegFile());
    test::TAppFile unknownFile("pictureprop-link.xyz", bmp);
    TPictureList p;
    p.picture->SetGraphicData(BitmapStream(2, 2));
    p.picture->SetMasked(true);
    p.picture->SetMaskColor(GridColor(1, 0));
    p.changes = 0;
    p.picture->SetLinkName("pictureprop-link.bmp");
    EXPECT_EQ(p.changes, 1);
    ASSERT_TRUE(p.picture->IsBitmap());
    EXPECT_EQ(p.picture->Graphic()->SaveToBytes(), bmp);
    EXPECT_TRUE(p.picture->Masked());
    EXPECT_EQ(p.picture->MaskColor(), GridColor(1, 0));
    // While linked the graphic is neither saved nor loaded.
    EXPECT_TRUE(p.picture->GraphicData().empty());
    p.picture->SetGraphicData(BitmapStream(9, 9));
    EXPECT_EQ(p.picture->Width(), 6);

    p.picture->SetLinkName("pictureprop-link.JPG");
    EXPECT_STREQ(p.picture->Graphic()->GraphicClassName(), "TJPEGImage");
    p.picture->SetLinkName("pictureprop-link.xyz");
    EXPECT_EQ(p.picture->Graphic(), nullptr);
    p.picture->SetLinkName("pictureprop-missing.bmp");
    EXPECT_EQ(p.picture->Graphic(), nullptr);
    EXPECT_TRUE(p.picture->Empty());

    SetPictureLinkResolver([](TPictureProp*, const std::string& name, std::unique_ptr<TKestGraphic>& graphic) {
        graphic = CreateGraphic("TMetafile");
        graphic->LoadFromBytes(test::WmfFile());
        EXPECT_EQ(name, "anything");
    });
    p.picture->SetLinkName("anything");
    SetPictureLinkResolver(nullptr);
    ASSERT_NE(p.picture->Graphic(), nullptr);
    EXPECT_STREQ(p.picture->Graphic()->GraphicClassName(), "TMetafile");
    p.picture->SetLinkName("");
    EXPECT_EQ(p.picture->Graphic(), nullptr);
}

TEST(PictureProp, HostileGraphicDataLeavesAnEmptyPicture)
{
    TBytes truncated = BitmapStream(10, 10);
    truncated.resize(truncated.size() - 7);
    TBytes huge = BitmapStream(1, 1);
    const size_t header = 1 + 7 + 4;
    for (size_t offset : {header + 18, header + 22}) {
        huge[offset] = 0x00;
        huge[offset + 1] = 0x00;
        huge[offset + 2] = 0x00;
        huge[offset + 3] = 0x40; // 2^30 pixels a side
    }
    TBytes unknown = BitmapStream(2, 2);
    unknown[1] = 'X';
    for (const TBytes& data : {truncated, huge, unknown, TBytes {7, 'T'}}) {
        TPictureList p;
        p.picture->SetGraphicData(BitmapStream(3, 3));
        p.picture->SetGraphicData(data);
        EXPECT_EQ(p.picture->Graphic(), nullptr);
        EXPECT_TRUE(p.picture->Empty());
        EXPECT_EQ(p.picture->Width(), 0);
    }
}

} // namespace
} // namespace kest
