// The door shape: its fixed size, turning, the opening and closing
// animation, the arrow its state calls for, hits on the closed door's pixels
// only, painting at several scales and the round trip through a document.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>

#include "DoorCtrls.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestStream.h"

namespace doravo {

using namespace kest;
namespace {

constexpr int32_t Cell = 31;

struct TDoorPanel {
    TKestPanel panel;
    TDoorPanel() { RegisterDoorClasses(); }
    TKestDoor* AddDoor(int32_t leftPx, int32_t topPx)
    {
        auto* door = TKestControl::Create<TKestDoor>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
        door->SetLeft(PixelToDoc(leftPx));
        door->SetTop(PixelToDoc(topPx));
        return door;
    }
};

std::string SaveText(TKestPanel& panel)
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, false);
        panel.SaveToFiler(*filer);
    }
    return stream.Text();
}

void LoadText(TKestPanel& panel, const std::string& text)
{
    TKestMemoryStream stream(text.data(), text.size());
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppLoad, false);
    panel.LoadFromFiler(*filer);
}

// Steps the animation by hand until it ends; returns the frames shown.
std::vector<int32_t> RunAnimation(TKestDoor& door)
{
    std::vector<int32_t> frames {door.Frame()};
    for (int guard = 0; door.Animating() && guard < 100; ++guard) {
        door.AnimationStep();
        if (door.Frame() != frames.back())
            frames.push_back(door.Frame());
    }
    return frames;
}

QRgb Rgb(QRgb pixel)
{
    return pixel & RGB_MASK;
}

QRgb KeyOf(const QImage& image)
{
    return Rgb(image.pixel(0, image.height() - 1));
}

// Whether every non-key pixel of the arrow cell shows in the picture at the
// centre, and the picture differs from the bare door there.
bool ShowsArrow(const QImage& picture, const QImage& arrow)
{
    const int offset = (Cell - arrow.width()) / 2;
    int drawn = 0;
    for (int y = 0; y < arrow.height(); ++y)
        for (int x = 0; x < arrow.width(); ++x)
            if (Rgb(arrow.pixel(x, y)) != KeyOf(arrow)) {
                if (Rgb(picture.pixel(offset + x, offset + y)) != Rgb(arrow.pixel(x, y)))
                    return false;
                ++drawn;
            }
    return drawn > 0;
}

TEST(DoorTest, TheBitmapsHaveTheirLayouts)
{
    const TDoorBitmaps& b = DoorBitmaps();
    ASSERT_FALSE(b.Images.isNull());
    EXPECT_EQ(b.Images.size(), QSize(372, 62));
    EXPECT_EQ(b.Arrows.size(), QSize(60, 75));
    EXPECT_EQ(b.Icon.size(), QSize(24, 24));
    // Every door cell keeps the key colour in its bottom-left corner and in
    // its opening, and the frames differ from one another.
    const QRgb key = KeyOf(b.Images);
    for (int row = 0; row < 2; ++row)
        for (int frame = 0; frame < 12; ++frame) {
            const QImage cell = b.Images.copy(frame * Cell, row * Cell, Cell, Cell);
            EXPECT_EQ(KeyOf(cell), key) << row << "/" << frame;
            EXPECT_EQ(Rgb(cell.pixel(0, 0)), key);
            if (frame > 0) {
                EXPECT_NE(cell, b.Images.copy((frame - 1) * Cell, row * Cell, Cell, Cell)) << frame;
            }
        }
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(KeyOf(b.Arrows.copy(column * 15, row * 15, 15, 15)), KeyOf(b.Arrows));
}

TEST(DoorTest, CreationFixesTheSizeToTheBitmapCell)
{
    TDoorPanel f;
    TKestDoor* door = f.AddDoor(10, 10);
    EXPECT_EQ(door->Width(), PixelToDoc(Cell));
    EXPECT_EQ(door->Height(), PixelToDoc(Cell));
    EXPECT_EQ(door->MaxFrame(), 11);
    EXPECT_EQ(door->Frame(), 0);
    EXPECT_TRUE(door->Visible());
    EXPECT_EQ(door->UserData().GetValueByName("Type"), "Door");
    EXPECT_EQ(door->Orientation(), doVertical);
    EXPECT_EQ(door->DoorState(), dsClosed);
    EXPECT_EQ(door->AccessDir(), adUnknown);
    EXPECT_EQ(door->DoorEvent(), deInactive);
    EXPECT_EQ(FindControlClass("tkestdoor"), TKestDoor::StaticClass());

    // Neither the accessors nor the property list change the size.
    door->SetWidth(PixelToDoc(50));
    door->Props().PropByName("Height")->SetDisplayValue("12.5");
    door->Props().PropByName("Width")->SetPropValue({}, TPropValue(int32_t {7000}));
    EXPECT_EQ(door->Width(), PixelToDoc(Cell));
    EXPECT_EQ(door->Height(), PixelToDoc(Cell));
    EXPECT_TRUE(door->Props().IsReadOnlyProp(door->WidthProp()));
    EXPECT_TRUE(door->Props().IsReadOnlyProp(door->HeightProp()));
    // The position stays free.
    door->SetLeft(PixelToDoc(40));
    EXPECT_EQ(door->Left(), PixelToDoc(40));

    // Enumeration writes keep the low 7 bits.
    door->SetDoorEvent(0x80 | deWarning);
    EXPECT_EQ(door->DoorEvent(), deWarning);
    door->SetPassA(7);
    door->SetPassB(8);
    EXPECT_EQ(door->PassA(), 7);
    EXPECT_EQ(door->PassB(), 8);
}

TEST(DoorTest, OddQuarterTurnsFlipTheOrientation)
{
    struct TCase {
        int32_t Rotate;
        bool Mirror;
        int32_t Expected;
    };
    const TCase cases[] = {
        {90, false, doHorizontal},
        {270, false, doHorizontal},
        {-90, false, doHorizontal},
        {-270, false, doHorizontal},
        {450, false, doHorizontal},
        {180, false, doVertical},
        {360, false, doVertical},
        {-180, false, doVertical},
        {0, true, doVertical},
        {90, true, doHorizontal},
        {45, false, doVertical},
        {135, false, doHorizontal},
    };
    for (const TCase& c : cases) {
        TDoorPanel f;
        TKestDoor* door = f.AddDoor(100, 100);
        door->Translate({{PixelToDoc(60), PixelToDoc(60)}, c.Rotate, c.Mirror});
        EXPECT_EQ(door->Orientation(), c.Expected) << c.Rotate << (c.Mirror ? " mirrored" : "");
        // The size stays the cell's.
        EXPECT_EQ(door->Width(), PixelToDoc(Cell));
        // Turning twice by a quarter brings it back.
        door->Translate({{0, 0}, c.Rotate, c.Mirror});
        EXPECT_EQ(door->Orientation(), doVertical) << c.Rotate;
    }
}

TEST(DoorTest, OpeningAndClosingTakeElevenStepsAndReverseHalfWay)
{
    TDoorPanel f;
    TKestDoor* door = f.AddDoor(0, 0);

    door->SetDoorState(dsOpened);
    // The change runs the first step at once.
    EXPECT_EQ(door->Frame(), 1);
    EXPECT_TRUE(door->Animating());
    std::vector<int32_t> frames = RunAnimation(*door);
    EXPECT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames.front(), 1);
    EXPECT_EQ(frames.back(), 11);
    EXPECT_FALSE(door->Animating());

    door->SetDoorState(dsClosed);
    EXPECT_EQ(door->Frame(), 10);
    frames = RunAnimation(*door);
    EXPECT_EQ(frames.back(), 0);
    EXPECT_EQ(frames.size(), 11u);

    // Half-way through an opening the door turns back from where it is.
    door->SetDoorState(dsOpened);
    for (int i = 0; i < 4; ++i)
        door->AnimationStep();
    ASSERT_EQ(door->Frame(), 5);
    door->SetDoorState(dsClosed);
    EXPECT_EQ(door->Frame(), 4);
    EXPECT_TRUE(door->Animating());
    frames = RunAnimation(*door);
    EXPECT_EQ(frames, (std::vector<int32_t> {4, 3, 2, 1, 0}));

    // Setting the same state again changes nothing.
    door->SetDoorState(dsClosed);
    EXPECT_FALSE(door->Animating());
    EXPECT_EQ(door->Frame(), 0);
}

TEST(DoorTest, TheTimerDrivesTheAnimation)
{
    TDoorPanel f;
    TKestDoor* door = f.AddDoor(0, 0);
    door->SetDoorState(dsOpened);
    QElapsedTimer clock;
    clock.start();
    while (door->Animating() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(door->Animating());
    EXPECT_EQ(door->Frame(), 11);
    // At 20 ms a step the eleven frames cannot take less than about 200 ms.
    EXPECT_GE(clock.elapsed(), 180);
}

TEST(DoorTest, TheArrowShowsWhatHappenedAndWhichWay)
{
    TDoorPanel f;
    TKestDoor* door = f.AddDoor(0, 0);
    const QImage closed = door->DoorPicture(doVertical, 0);
    ASSERT_EQ(closed.size(), QSize(Cell, Cell));

    // Closed and not blocked: the bare door.
    door->SetAccessDir(adForward);
    door->SetDoorEvent(deValid);
    EXPECT_EQ(door->ComposedPicture(), closed);

    // A blocked closed door shows the blocked row, in the direction last used.
    door->SetDoorEvent(deBroken);
    EXPECT_TRUE(ShowsArrow(door->ComposedPicture(), door->ArrowPicture(doVertical, deBroken, true)));
    door->SetAccessDir(adBackward);
    EXPECT_TRUE(ShowsArrow(door->ComposedPicture(), door->ArrowPicture(doVertical, deBroken, false)));
    // The cells differ by direction in the arrow rows.
    EXPECT_NE(door->ArrowPicture(doVertical, deValid, true), door->ArrowPicture(doVertical, deValid, false));
    EXPECT_NE(door->ArrowPicture(doHorizontal, deValid, true), door->ArrowPicture(doVertical, deValid, true));
    EXPECT_TRUE(door->ArrowPicture(doVertical, 5, true).isNull());

    // Opened with a direction: the arrow of the event; it stays while the
    // door closes and goes when it is shut.
    door->SetDoorEvent(deValid);
    door->SetAccessDir(adForward);
    door->SetDoorState(dsOpened);
    RunAnimation(*door);
    EXPECT_TRUE(ShowsArrow(door->ComposedPicture(), door->ArrowPicture(doVertical, deValid, true)));
    door->SetDoorState(dsClosed);
    EXPECT_TRUE(ShowsArrow(door->ComposedPicture(), door->ArrowPicture(doVertical, deValid, true)));
    RunAnimation(*door);
    EXPECT_EQ(door->ComposedPicture(), closed);

    // Opened with an unknown direction: no arrow.
    door->SetAccessDir(adUnknown);
    door->SetDoorState(dsOpened);
    RunAnimation(*door);
    EXPECT_EQ(door->ComposedPicture(), door->DoorPicture(doVertical, 11));

    // A horizontal door takes the horizontal row and columns.
    door->SetOrientation(doHorizontal);
    door->SetAccessDir(adBackward);
    door->SetDoorEvent(deWarning);
    EXPECT_TRUE(ShowsArrow(door->ComposedPicture(), door->ArrowPicture(doHorizontal, deWarning, false)));
    EXPECT_EQ(door->DoorPicture(doHorizontal, 3), DoorBitmaps().Images.copy(3 * Cell, Cell, Cell, Cell));
}

TEST(DoorTest, OnlyTheClosedDoorsOpaquePixelsAreHit)
{
    TDoorPanel f;
    TKestDoor* door = f.AddDoor(100, 50);
    const QImage closed = door->DoorPicture(doVertical, 0);
    const QImage open = door->DoorPicture(doVertical, 11);
    const QRgb key = KeyOf(closed);
    TKestControl* scheme = f.panel.ActiveScheme();

    for (int32_t scale : {100, 400}) {
        f.panel.SetScale(scale);
        const TKestRect screen = f.panel.TransformRect(door->DocRect());
        const int32_t zoom = scale / 100;
        // Every door pixel, sampled at the middle of its screen square.
        int hits = 0;
        for (int y = 0; y < Cell; ++y)
            for (int x = 0; x < Cell; ++x) {
                const int32_t sx = screen.Left + x * zoom + zoom / 2;
                const int32_t sy = screen.Top + y * zoom + zoom / 2;
                const bool opaque = Rgb(closed.pixel(x, y)) != key;
                EXPECT_EQ(door->IsPointInside(sx, sy), opaque) << scale << ": " << x << "," << y;
                hits += opaque;
            }
        EXPECT_GT(hits, 0);
        EXPECT_EQ(scheme->FindControlAtPoint(screen.Left, screen.Top), nullptr);
        EXPECT_FALSE(door->IsPointInside(screen.Right, screen.Top + 15 * zoom));
    }

    // An opened door is still hit where the closed one stands, and not on
    // its open leaves.
    f.panel.SetScale(100);
    door->SetDoorState(dsOpened);
    RunAnimation(*door);
    ASSERT_EQ(door->Frame(), 11);
    const TKestRect screen = f.panel.TransformRect(door->DocRect());
    int leafOnly = 0;
    for (int y = 0; y < Cell; ++y)
        for (int x = 0; x < Cell; ++x)
            if (Rgb(open.pixel(x, y)) != key && Rgb(closed.pixel(x, y)) == key) {
                EXPECT_FALSE(door->IsPointInside(screen.Left + x, screen.Top + y));
                ++leafOnly;
            }
    EXPECT_GT(leafOnly, 0);
    EXPECT_EQ(scheme->FindControlAtPoint(screen.Left + 15, screen.Top + 15), door);
}

TEST(DoorTest, PaintsItsPictureAtEveryScale)
{
    TDoorPanel f;
    TKestDoor* door = f.AddDoor(4, 4);
    door->SetDoorEvent(deBroken);
    door->SetAccessDir(adForward);
    const QImage picture = door->ComposedPicture();
    const QRgb key = KeyOf(picture);
    for (int32_t scale : {100, 200, 400}) {
        const int32_t zoom = scale / 100;
        TKestCanvas canvas;
        const int32_t side = (Cell + 8) * zoom;
        ASSERT_TRUE(canvas.SetSize(side, side));
        canvas.Painter().fillRect(0, 0, side, side, QColor(255, 255, 255));
        f.panel.PaintTo(canvas, {0, 0, side, side}, false, false, false, false, true, nullptr, scale, {0, 0});
        const QImage& image = *canvas.Image();
        for (int y = 0; y < Cell; ++y)
            for (int x = 0; x < Cell; ++x) {
                const QRgb source = Rgb(picture.pixel(x, y));
                const QRgb expected = source == key ? Rgb(qRgb(255, 255, 255)) : source;
                // Both corners of each enlarged pixel.
                for (int32_t d : {0, zoom - 1})
                    ASSERT_EQ(Rgb(image.pixel((4 + x) * zoom + d, (4 + y) * zoom + d)), expected)
                        << scale << ": " << x << "," << y;
            }
        if (const char* dir = std::getenv("DOOR_PREVIEW_DIR"))
            image.save(QStringLiteral("%1/door_%2.png").arg(QString::fromLocal8Bit(dir)).arg(scale));
    }
}

TEST(DoorTest, ToolInfoNamesTheToolAndDrawsTheIcon)
{
    QImage bitmap(24, 24, QImage::Format_ARGB32);
    bitmap.fill(Qt::white);
    std::string hint;
    EXPECT_TRUE(TKestDoor::ToolInfo(&bitmap, hint));
    EXPECT_FALSE(hint.empty());
    EXPECT_NE(bitmap, [] {
        QImage white(24, 24, QImage::Format_ARGB32);
        white.fill(Qt::white);
        return white;
    }());
    hint.clear();
    EXPECT_TRUE(TKestDoor::ToolInfo(nullptr, hint));
    EXPECT_EQ(hint, "Door");
    EXPECT_TRUE(TKestDoor::StaticClass()->ToolInfo(nullptr, hint));
}

TEST(DoorTest, SaveLoadSaveIsIdenticalAndALoadedDoorStartsClosedOnScreen)
{
    TDoorPanel source;
    TKestDoor* a = source.AddDoor(10, 20);
    a->SetPassA(7);
    a->SetPassB(8);
    a->SetOrientation(doHorizontal);
    a->SetAccessDir(adBackward);
    a->SetDoorEvent(deBroken);
    a->SetDoorState(dsOpened);
    TKestDoor* b = source.AddDoor(60, 20);
    b->SetName("Door2");
    const std::string text = SaveText(source.panel);
    EXPECT_NE(text.find("PassA = 7"), std::string::npos) << text;
    EXPECT_NE(text.find("DoorState = Opened"), std::string::npos) << text;
    EXPECT_NE(text.find("TKestDoor"), std::string::npos);

    TDoorPanel target;
    LoadText(target.panel, text);
    EXPECT_EQ(SaveText(target.panel), text);
    auto* loaded = dynamic_cast<TKestDoor*>(target.panel.ActiveScheme()->FindByName(a->Name()));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->PassA(), 7);
    EXPECT_EQ(loaded->PassB(), 8);
    EXPECT_EQ(loaded->Orientation(), doHorizontal);
    EXPECT_EQ(loaded->AccessDir(), adBackward);
    EXPECT_EQ(loaded->DoorEvent(), deBroken);
    EXPECT_EQ(loaded->DoorState(), dsOpened);
    EXPECT_EQ(loaded->Frame(), 0);
    EXPECT_FALSE(loaded->Animating());
    EXPECT_EQ(loaded->Width(), PixelToDoc(Cell));
    EXPECT_NE(target.panel.ActiveScheme()->FindByName("Door2"), nullptr);
}

} // namespace
} // namespace doravo
