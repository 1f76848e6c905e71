#include "fSplash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "KestCanvas.h"

static void InitAppResources()
{
    Q_INIT_RESOURCE(doravo_app);
}

namespace doravo {

using namespace kest;

namespace {

constexpr TColor FramePenColor = TColor(0xE0E0E0);
constexpr TColor BarColor = TColor(0xFFB062);

} // namespace

TfmSplash::TfmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    InitAppResources();
    SetPicture(QImage(QStringLiteral(":/app/SPLASH")));
    setFixedSize(ClientWidth, ClientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfmSplash::ShowNow()
{
    show();
    raise();
    repaint();
}

void TfmSplash::SetProgress(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == progress_)
        return;
    progress_ = value;
    if (isVisible())
        repaint();
}

void TfmSplash::SetPicture(const QImage& picture)
{
    // A missing picture leaves the window black around the bar rather than
    // failing the start.
    imgSplash_ = picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

QImage TfmSplash::Render() const
{
    QImage image(ClientWidth, ClientHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    TKestCanvas canvas;
    if (!canvas.Attach(&image))
        return image;
    if (!imgSplash_.isNull())
        canvas.Draw(1, 1, imgSplash_);
    // The mask pen keeps the picture showing through the bar's frame; the
    // platform's raster mode applies to the bar's fill as well.
    TKestPen pen(FramePenColor);
    pen.Mode = pmMask;
    canvas.SetPen(pen);
    canvas.SetBrush(TKestBrush(clWhite, bsClear));
    const TKestRect frame {
        ProgressRect.left(), ProgressRect.top(), ProgressRect.right() + 1, ProgressRect.bottom() + 1};
    canvas.Rectangle(frame);
    canvas.SetBrush(TKestBrush(BarColor, bsSolid));
    canvas.Rectangle(
        {frame.Left, frame.Top, frame.Left + MulDiv(frame.Right - frame.Left, progress_, 100), frame.Bottom});
    canvas.Detach();
    return image;
}

void TfmSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Render());
}

} // namespace doravo
