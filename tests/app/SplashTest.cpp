// The splash window's painting: its picture at (1, 1) on black and the
// progress bar AND-ed into it, checked pixel by pixel.
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>
#include <random>

#include "fSplash.h"

namespace doravo {
namespace {

constexpr QRgb FrameMask = 0xE0E0E0;
constexpr QRgb BarMask = 0x62B0FF; // the bar's colour as red, green, blue

QImage Noise(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFF));
    return image;
}

// What the window must show at (x, y) for the given progress, worked out
// from the picture alone.
QRgb Expected(const QImage& picture, int progress, int x, int y)
{
    if (x < 1 || y < 1 || x > picture.width() || y > picture.height())
        return 0xFF000000u;
    QRgb pixel = picture.pixel(x - 1, y - 1) & 0xFFFFFF;
    const int left = 40, top = 170, right = 251, bottom = 177;
    const int barRight = left + (211 * progress + 50) / 100;
    const auto onOutline = [&](int r) {
        return x >= left && x < r && y >= top && y < bottom && (x == left || x == r - 1 || y == top || y == bottom - 1);
    };
    // Each figure is filled, then outlined; a fill leaves the right and
    // bottom outline pixels out, and every layer ANDs into what is there.
    if (onOutline(right))
        pixel &= FrameMask;
    if (barRight > left) {
        if (x >= left && x < barRight - 1 && y >= top && y < bottom - 1)
            pixel &= BarMask;
        if (onOutline(barRight))
            pixel &= FrameMask;
    }
    return 0xFF000000u | pixel;
}

void ExpectPainted(const TfmSplash& splash, const QImage& picture, int progress)
{
    const QImage shown = splash.Render().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(TfmSplash::ClientWidth, TfmSplash::ClientHeight));
    int wrong = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != Expected(picture, progress, x, y) && ++wrong <= 5)
                ADD_FAILURE() << "progress " << progress << " pixel " << x << "," << y << " is " << std::hex
                              << shown.pixel(x, y) << " not " << Expected(picture, progress, x, y);
    EXPECT_EQ(wrong, 0) << "progress " << progress;
}

TEST(SplashTest, TheBarGrowsOverThePictureWithItsMaskedColours)
{
    TfmSplash splash;
    const QImage picture = Noise(TfmSplash::PictureWidth, TfmSplash::PictureHeight, 7);
    splash.SetPicture(picture);
    for (int progress : {0, 1, 50, 99, 100}) {
        splash.SetProgress(progress);
        ASSERT_EQ(splash.Progress(), progress);
        ExpectPainted(splash, picture, progress);
    }
}

TEST(SplashTest, ProgressStaysWithinZeroToHundred)
{
    TfmSplash splash;
    const QImage picture = Noise(TfmSplash::PictureWidth, TfmSplash::PictureHeight, 11);
    splash.SetPicture(picture);
    splash.SetProgress(250);
    EXPECT_EQ(splash.Progress(), 100);
    ExpectPainted(splash, picture, 100);
    splash.SetProgress(-4);
    EXPECT_EQ(splash.Progress(), 0);
    ExpectPainted(splash, picture, 0);
}

// The station's own picture keeps a white track under the bar, so the bar
// shows its colour and its frame light grey, whatever the AND does.
TEST(SplashTest, TheStationPictureShowsTheBarInItsOwnColours)
{
    TfmSplash splash;
    ASSERT_EQ(splash.imgSplash().size(), QSize(TfmSplash::PictureWidth, TfmSplash::PictureHeight));
    EXPECT_EQ(splash.size(), QSize(TfmSplash::ClientWidth, TfmSplash::ClientHeight));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    splash.SetProgress(50);
    const QImage shown = splash.Render();
    EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(292, 222) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(60, 173) & 0xFFFFFF, BarMask);
    EXPECT_EQ(shown.pixel(144, 173) & 0xFFFFFF, BarMask);
    EXPECT_EQ(shown.pixel(200, 173) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown.pixel(200, 170) & 0xFFFFFF, FrameMask);
    EXPECT_EQ(shown.pixel(250, 173) & 0xFFFFFF, FrameMask);
    // Elsewhere it is a picture, not a blank.
    EXPECT_NE(shown.pixel(30, 60), shown.pixel(150, 110));
}

} // namespace
} // namespace doravo
