#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>

#include "KestGraphic.h"

namespace kest {
namespace {

enum class TJpegKind { Rgb, Progressive, Gray, AdobeCmyk, PlainCmyk };

// Encodes with libjpeg itself. For the CMYK kinds each pixel's four channels
// are taken as stored: red, green, blue and alpha carry C, M, Y and K.
TBytes EncodeJpeg(const QImage& source, TJpegKind kind)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    const bool cmyk = kind == TJpegKind::AdobeCmyk || kind == TJpegKind::PlainCmyk;
    cinfo.input_components = kind == TJpegKind::Gray ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = kind == TJpegKind::Gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (kind == TJpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == TJpegKind::PlainCmyk)
        cinfo.write_Adobe_marker = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(image.width()) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(int(cinfo.next_scanline)));
        JSAMPLE* p = row.data();
        for (int x = 0; x < image.width(); ++x) {
            if (kind == TJpegKind::Gray) {
                *p++ = JSAMPLE(qGray(line[x]));
                continue;
            }
            *p++ = JSAMPLE(qRed(line[x]));
            *p++ = JSAMPLE(qGreen(line[x]));
            *p++ = JSAMPLE(qBlue(line[x]));
            if (cmyk)
                *p++ = JSAMPLE(qAlpha(line[x]));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    TBytes bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

// Four 8 x 8 blocks of distinct colours, so the codec's losses stay small.
QImage Quadrants()
{
    QImage image(16, 16, QImage::Format_RGB32);
    const QRgb colors[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(20, 40, 210), qRgb(240, 240, 240)};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, colors[(y / 8) * 2 + x / 8]);
    return image;
}

void ExpectNear(QRgb actual, QRgb expected, int tolerance, const char* where)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), tolerance) << where;
    EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance) << where;
    EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance) << where;
}

// Offset of the frame header (SOF0 or SOF2) in an encoded file.
size_t FrameHeader(const TBytes& jpeg)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2))
            return i;
    ADD_FAILURE() << "no frame header";
    return 0;
}

TEST(GraphicJpeg, DecodesBaselineAndProgressiveAndKeepsTheBytes)
{
    const QImage source = Quadrants();
    for (TJpegKind kind : {TJpegKind::Rgb, TJpegKind::Progressive}) {
        const TBytes bytes = EncodeJpeg(source, kind);
        TKestJpegImage jpeg;
        std::string reason;
        ASSERT_TRUE(jpeg.LoadFromBytes(bytes, &reason)) << reason;
        EXPECT_EQ(jpeg.Width(), 16);
        EXPECT_EQ(jpeg.Height(), 16);
        EXPECT_FALSE(jpeg.Transparent());
        EXPECT_EQ(jpeg.SaveToBytes(), bytes);
        const QImage image = jpeg.ToImage();
        for (QPoint p : {QPoint(3, 3), QPoint(12, 4), QPoint(4, 12), QPoint(12, 12)})
            ExpectNear(image.pixel(p), source.pixel(p), 12, "quadrant");
    }
}

TEST(GraphicJpeg, DecodesGrayscaleAndBothCmykConventions)
{
    QImage gray(8, 8, QImage::Format_RGB32);
    gray.fill(qRgb(90, 90, 90));
    TKestJpegImage jpeg;
    ASSERT_TRUE(jpeg.LoadFromBytes(EncodeJpeg(gray, TJpegKind::Gray)));
    ExpectNear(jpeg.ToImage().pixel(4, 4), qRgb(90, 90, 90), 3, "gray");

    // Adobe's files store the channels inverted: 255 means no ink.
    QImage cmyk(8, 8, QImage::Format_ARGB32);
    cmyk.fill(qRgba(255, 128, 64, 200));
    std::string reason;
    ASSERT_TRUE(jpeg.LoadFromBytes(EncodeJpeg(cmyk, TJpegKind::AdobeCmyk), &reason)) << reason;
    ExpectNear(jpeg.ToImage().pixel(4, 4), qRgb(200, 100, 50), 6, "Adobe CMYK");

    cmyk.fill(qRgba(0, 128, 191, 55));
    ASSERT_TRUE(jpeg.LoadFromBytes(EncodeJpeg(cmyk, TJpegKind::PlainCmyk), &reason)) << reason;
    ExpectNear(jpeg.ToImage().pixel(4, 4), qRgb(200, 100, 50), 6, "plain CMYK");
}

TEST(GraphicJpeg, TruncatedOrCorruptDataLeavesAnEmptyImage)
{
    const TBytes good = EncodeJpeg(Quadrants(), TJpegKind::Rgb);
    TKestJpegImage jpeg;
    for (size_t cut : {size_t(1), size_t(2), size_t(20), FrameHeader(good) + 5, good.size() * 2 / 3}) {
        ASSERT_TRUE(jpeg.LoadFromBytes(good));
        std::string reason;
        EXPECT_FALSE(jpeg.LoadFromBytes(std::span(good).first(cut), &reason)) << cut;
        EXPECT_TRUE(jpeg.Empty()) << cut;
        EXPECT_EQ(jpeg.Width(), 0);
        EXPECT_TRUE(jpeg.SaveToBytes().empty());
        EXPECT_TRUE(jpeg.ToImage().isNull());
        EXPECT_NE(reason.find("JPEG"), std::string::npos) << reason;
    }
    std::string reason;
    EXPECT_FALSE(jpeg.LoadFromBytes(TBytes {'B', 'M', 0, 0}, &reason));
    EXPECT_FALSE(jpeg.LoadFromBytes(TBytes {0xFF, 0xD8, 0xFF, 0xD9}, &reason));
    TBytes noComponents = good;
    noComponents[FrameHeader(good) + 9] = 0;
    EXPECT_FALSE(jpeg.LoadFromBytes(noComponents, &reason));

    // Only the end marker missing: every pixel is there, so the image loads,
    // and is saved back as it came.
    const std::span<const uint8_t> noEnd = std::span(good).first(good.size() - 2);
    ASSERT_TRUE(jpeg.LoadFromBytes(noEnd, &reason)) << reason;
    EXPECT_EQ(jpeg.SaveToBytes(), TBytes(noEnd.begin(), noEnd.end()));
}

TEST(GraphicJpeg, DeclaredSizesOverTheLimitsAreRefusedBeforeDecoding)
{
    TBytes bytes = EncodeJpeg(Quadrants(), TJpegKind::Rgb);
    const size_t sof = FrameHeader(bytes);
    auto declare = [&](int width, int height) {
        bytes[sof + 5] = uint8_t(height >> 8);
        bytes[sof + 6] = uint8_t(height);
        bytes[sof + 7] = uint8_t(width >> 8);
        bytes[sof + 8] = uint8_t(width);
    };
    TKestJpegImage jpeg;
    std::string reason;
    declare(20000, 20000);
    EXPECT_FALSE(jpeg.LoadFromBytes(bytes, &reason));
    EXPECT_NE(reason.find("20000 x 20000"), std::string::npos) << reason;
    declare(16000, 16000);
    EXPECT_FALSE(jpeg.LoadFromBytes(bytes, &reason));
    EXPECT_NE(reason.find("MB"), std::string::npos) << reason;
    declare(20000, 16);
    EXPECT_FALSE(jpeg.LoadFromBytes(bytes, &reason));
    EXPECT_TRUE(jpeg.Empty());
}

TEST(GraphicJpeg, StreamedFormRoundTripsByteForByte)
{
    const TBytes bytes = EncodeJpeg(Quadrants(), TJpegKind::Progressive);
    TKestJpegImage jpeg;
    ASSERT_TRUE(jpeg.LoadFromBytes(bytes));
    const TBytes stream = SaveGraphicStream(jpeg);
    ASSERT_EQ(stream.size(), 1 + 10 + 4 + bytes.size());
    EXPECT_EQ(stream[0], 10);
    EXPECT_EQ(std::string(stream.begin() + 1, stream.begin() + 11), "TJPEGImage");
    EXPECT_EQ(size_t(stream[11] | stream[12] << 8 | stream[13] << 16 | stream[14] << 24), bytes.size());

    std::string reason;
    const auto loaded = LoadGraphicStream(stream, &reason);
    ASSERT_TRUE(loaded) << reason;
    EXPECT_TRUE(loaded->InheritsFrom(TKestJpegImage::StaticClass()));
    EXPECT_EQ(loaded->SaveToBytes(), bytes);
    EXPECT_EQ(SaveGraphicStream(*loaded), stream);
    EXPECT_EQ(loaded->Clone()->ToImage(), jpeg.ToImage());
}

} // namespace
} // namespace kest
