#include "DoorCtrls.h"

#include <QPainter>

#include "KestCanvas.h"
#include "KestColor.h"

static void InitDoorResources()
{
    Q_INIT_RESOURCE(doravo_doors);
}

namespace doravo {

using namespace kest;

namespace {

constexpr int AnimationInterval = 20; // ms
constexpr int ArrowColumns = 4;
constexpr int EventCount = 5;
constexpr int32_t MissingBitmapSide = 20; // pixels

QImage LoadBitmap(const char* path)
{
    QImage image(QString::fromLatin1(path));
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

// The bottom-left pixel, which the platform's bitmaps take as their
// transparent colour.
QRgb KeyOf(const QImage& image)
{
    return image.pixel(0, image.height() - 1) & RGB_MASK;
}

} // namespace

const TDoorBitmaps& DoorBitmaps()
{
    static const TDoorBitmaps bitmaps = [] {
        InitDoorResources();
        TDoorBitmaps b;
        b.Images = LoadBitmap(":/doors/DOORIMAGES");
        b.Arrows = LoadBitmap(":/doors/DOORARROWS");
        b.Icon = QImage(QStringLiteral(":/doors/DOORICON"));
        return b;
    }();
    return bitmaps;
}

KEST_CONTROL_CLASS_IMPL(TKestDoor, TKestControl)

TKestDoor::~TKestDoor() = default;

bool TKestDoor::ToolInfo(QImage* bitmap, std::string& hint)
{
    hint = "Door";
    const QImage& icon = DoorBitmaps().Icon;
    if (bitmap && !bitmap->isNull() && !icon.isNull()) {
        QPainter painter(bitmap);
        painter.drawImage(0, 0, icon);
    }
    return true;
}

void TKestDoor::CreateProperties()
{
    TKestControl::CreateProperties();
    passAProp_ = Props().Add<TIntProp>("PassA");
    passBProp_ = Props().Add<TIntProp>("PassB");
    static const auto kOrientationNames = std::make_shared<const TStrings>(TStrings {"Vertical", "Horizontal"});
    orientationProp_ = Props().Add<TEnumProp>("Orientation", kOrientationNames);
    static const auto kDoorStateNames = std::make_shared<const TStrings>(TStrings {"Closed", "Opened"});
    doorStateProp_ = Props().Add<TEnumProp>("DoorState", kDoorStateNames);
    static const auto kAccessDirNames = std::make_shared<const TStrings>(TStrings {"Unknown", "Forward", "Backward"});
    accessDirProp_ = Props().Add<TEnumProp>("AccessDir", kAccessDirNames);
    static const auto kDoorEventNames
        = std::make_shared<const TStrings>(TStrings {"Inactive", "Valid", "Error", "Warning", "Broken"});
    doorEventProp_ = Props().Add<TEnumProp>("DoorEvent", kDoorEventNames);
}

void TKestDoor::ControlCreate()
{
    UserData().SetValueByName("Type", "Door");
    const QImage& images = DoorBitmaps().Images;
    if (!images.isNull()) {
        SetWidth(PixelToDoc(images.height() / 2));
        SetHeight(Width());
        maxFrame_ = images.width() / DocToPixel(Width()) - 1;
    } else {
        SetWidth(PixelToDoc(MissingBitmapSide));
        SetHeight(Width());
        maxFrame_ = 0;
    }
    WidthProp()->SetStyle(WidthProp()->Style() | psReadOnly);
    HeightProp()->SetStyle(HeightProp()->Style() | psReadOnly);
    frame_ = 0;
    TKestControl::ControlCreate();
    SetVisible(true);
}

void TKestDoor::ControlDestroy()
{
    animating_ = false;
    timer_.reset();
    TKestControl::ControlDestroy();
}

void TKestDoor::ControlTranslate(const TTranslateInfo& info)
{
    TKestControl::ControlTranslate(info);
    // C++ division and remainder truncate toward zero, so -90 is one quarter turn.
    if (((info.Rotate % 360) / 90) % 2 != 0)
        SetOrientation(Orientation() == doVertical ? doHorizontal : doVertical);
}

void TKestDoor::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestControl::PropChanged(sender, prop);
    // A loaded door starts closed on screen whatever its state says.
    if (prop == doorStateProp_ && !HasState(csLoading) && !(Owner() && Owner()->Loading()))
        StartAnimation();
}

void TKestDoor::StartAnimation()
{
    if (!timer_) {
        timer_ = std::make_unique<QTimer>();
        timer_->setInterval(AnimationInterval);
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { AnimationStep(); });
    }
    animating_ = true;
    AnimationStep();
}

void TKestDoor::AnimationStep()
{
    if (timer_)
        timer_->stop();
    if (DoorState() == dsClosed && frame_ >= 1) {
        --frame_;
    } else if (DoorState() == dsOpened && frame_ < maxFrame_) {
        ++frame_;
    } else {
        animating_ = false;
        Invalidate();
        return;
    }
    Invalidate();
    if (animating_ && timer_)
        timer_->start();
}

QImage TKestDoor::DoorPicture(int32_t orientation, int32_t frame) const
{
    const QImage& images = DoorBitmaps().Images;
    const int32_t w = DocToPixel(Width());
    const int32_t h = DocToPixel(Height());
    if (images.isNull() || w <= 0 || h <= 0 || frame < 0 || frame > maxFrame_)
        return {};
    return images.copy(frame * w, orientation == doHorizontal ? h : 0, w, h);
}

QImage TKestDoor::ArrowPicture(int32_t orientation, int32_t event, bool forward) const
{
    const QImage& arrows = DoorBitmaps().Arrows;
    const int32_t c = arrows.width() / ArrowColumns;
    if (arrows.isNull() || c <= 0 || event < 0 || event >= EventCount)
        return {};
    const int column = orientation == doHorizontal ? (forward ? 2 : 1) : (forward ? 3 : 0);
    return arrows.copy(column * c, event * c, c, c);
}

QImage TKestDoor::ComposedPicture() const
{
    QImage picture = DoorPicture(Orientation(), frame_);
    if (picture.isNull())
        return picture;
    const bool showArrow
        = ((DoorState() == dsOpened || animating_) && AccessDir() != adUnknown) || DoorEvent() == deBroken;
    if (!showArrow)
        return picture;
    const QImage arrow = ArrowPicture(Orientation(), DoorEvent(), AccessDir() == adForward);
    if (arrow.isNull())
        return picture;
    const QRgb key = KeyOf(arrow);
    const int x0 = (picture.width() - arrow.width()) / 2;
    const int y0 = (picture.height() - arrow.height()) / 2;
    for (int y = 0; y < arrow.height(); ++y)
        for (int x = 0; x < arrow.width(); ++x) {
            const QRgb pixel = arrow.pixel(x, y);
            if ((pixel & RGB_MASK) != key && picture.valid(x0 + x, y0 + y))
                picture.setPixel(x0 + x, y0 + y, pixel);
        }
    return picture;
}

void TKestDoor::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    const QImage picture = ComposedPicture();
    if (picture.isNull())
        return;
    canvas.TransparentBlt(paintRect, picture, {0, 0, picture.width(), picture.height()}, QRgbToColor(KeyOf(picture)));
}

bool TKestDoor::IsPointInside(int32_t x, int32_t y)
{
    if (!TKestControl::IsPointInside(x, y))
        return false;
    const QImage picture = DoorPicture(Orientation(), 0);
    // Without the bitmap nothing is drawn, and the rectangle is all there is to hit.
    if (picture.isNull())
        return true;
    const TKestPoint client = OwnerToClient({x, y});
    const int px = DocToPixel(client.X);
    const int py = DocToPixel(client.Y);
    return picture.valid(px, py) && (picture.pixel(px, py) & RGB_MASK) != KeyOf(picture);
}

void RegisterDoorClasses()
{
    RegisterControlClass(TKestDoor::StaticClass());
}

} // namespace doravo
