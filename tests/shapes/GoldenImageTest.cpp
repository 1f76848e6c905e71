// Every shape kind painted through the panel at 100 % and 250 % and compared
// with reference images in tests/data/golden. KEST_UPDATE_GOLDEN=1 writes the
// references instead. A failing comparison leaves the actual image and a
// difference image in the test's temporary folder.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <functional>
#include <string>

#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

constexpr int32_t kSceneWidth = 240;
constexpr int32_t kSceneHeight = 180;

struct TScene {
    std::string name;
    std::function<void(TShapeFixture&)> build;
    bool text = false; // fonts differ between machines: compared by coverage
};

TKestRect Cell(int column, int row)
{
    const int32_t x = 8000 + column * 58000;
    const int32_t y = 8000 + row * 43000;
    return {x, y, x + 50000, y + 35000};
}

void BuildPens(TShapeFixture& f)
{
    const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    for (int i = 0; i < 7; ++i) {
        auto* box = f.Add<TKestBox>(Cell(i % 4, i / 4));
        box->Brush()->SetColor(TColor(0xC0E0FF));
        box->Pen()->SetStyle(styles[i]);
        box->Pen()->SetColor(clNavy);
        box->Pen()->SetWidth(styles[i] == psInsideFrame ? 5000 : 1000);
    }
    auto* wide = f.Add<TKestBox>(Cell(3, 1));
    wide->Pen()->SetWidth(4000);
    wide->Pen()->SetColor(clMaroon);
    wide->SetRoundness(16000);
    auto* rounded = f.Add<TKestBox>(Cell(0, 2));
    rounded->SetRoundness(30000);
    rounded->Brush()->SetColor(clYellow);
    auto* dashedRound = f.Add<TKestBox>(Cell(1, 2));
    dashedRound->SetRoundness(12000);
    dashedRound->Pen()->SetStyle(psDash);
    dashedRound->Brush()->SetStyle(bsClear);
}

void BuildBrushes(TShapeFixture& f)
{
    const TBrushStyle hatches[] = {bsSolid, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    for (int i = 0; i < 7; ++i) {
        auto* box = f.Add<TKestBox>(Cell(i % 4, i / 4));
        box->Brush()->SetColor(i % 2 ? clGreen : clPurple);
        box->Brush()->SetStyle(hatches[i]);
    }
    QImage checker(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            checker.setPixel(x, y, (x / 4 + y / 4) % 2 ? 0xFF2040C0 : 0xFFF0D020);
    TKestBitmap bitmap;
    ASSERT_TRUE(bitmap.SetImage(checker));
    auto* pattern = f.Add<TKestBox>(Cell(3, 1));
    pattern->Brush()->SetBitmap(&bitmap);
    pattern->Brush()->SetBitmapDisplay(bdTile);
    pattern->Brush()->SetMethod(bmBitmap);
}

void BuildGradients(TShapeFixture& f)
{
    for (int i = 0; i < 8; ++i) {
        auto* box = f.Add<TKestBox>(Cell(i % 4, i / 4));
        box->Brush()->SetMethod(bmGradient);
        box->Brush()->SetGradStyle(TGradientStyle(i));
        box->Brush()->SetGradBeginColor(clRed);
        box->Brush()->SetGradEndColor(clBlue);
    }
    auto* ellipse = f.Add<TKestEllipse>(Cell(0, 2));
    ellipse->Brush()->SetMethod(bmGradient);
    ellipse->Brush()->SetGradStyle(gsElliptic);
    ellipse->Brush()->SetGradBeginColor(clWhite);
    ellipse->Brush()->SetGradEndColor(clGreen);
    // Half transparent over the gradients.
    auto* veil = f.Add<TKestBox>({30000, 20000, 200000, 120000});
    veil->Brush()->SetColor(clYellow);
    veil->SetTransparency(50);
}

void BuildRound(TShapeFixture& f)
{
    auto* ellipse = f.Add<TKestEllipse>(Cell(0, 0));
    ellipse->Brush()->SetColor(clAqua);
    ellipse->Brush()->SetStyle(bsCross);
    auto* arc = f.Add<TKestArc>(Cell(1, 0));
    arc->Brush()->SetStyle(bsClear);
    arc->Pen()->SetWidth(3000);
    arc->SetBeginAngle(20000);
    arc->SetEndAngle(200000);
    auto* pie = f.Add<TKestEllipse>(Cell(2, 0));
    pie->Brush()->SetColor(clRed);
    pie->SetBeginAngle(45000);
    pie->SetEndAngle(315000);
    auto* pentagon = f.Add<TKestRegularPolygon>(Cell(3, 0));
    pentagon->SetSides(5);
    pentagon->Brush()->SetColor(clLime);
    auto* hexagon = f.Add<TKestRegularPolygon>(Cell(0, 1));
    hexagon->SetSides(6);
    hexagon->SetAngle(30);
    hexagon->Pen()->SetStyle(psDot);
    QImage image(32, 24, QImage::Format_RGB32);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgb(x * 8, y * 10, 128));
    TKestBitmap bitmap;
    ASSERT_TRUE(bitmap.SetImage(image));
    auto* picture = f.Add<TKestPicture>(Cell(1, 1));
    picture->Picture()->SetGraphic(&bitmap);
    auto* faded = f.Add<TKestEllipse>({90000, 40000, 190000, 140000});
    faded->Brush()->SetColor(clBlue);
    faded->SetTransparency(60);
}

void BuildCurves(TShapeFixture& f)
{
    auto* open = f.Add<TKestCurve>({10000, 10000, 110000, 80000});
    open->SetPathPoints({{0, 60000}, {20000, 0}, {60000, 0}, {80000, 50000}, {100000, 70000}},
        {ptNode, ptControl, ptControl, ptNode, ptOpenEnd});
    open->Pen()->SetWidth(2000);
    open->BeginCap()->SetCapStyle(-1);
    open->EndCap()->SetCapStyle(-5);
    auto* closed = f.Add<TKestCurve>({130000, 10000, 230000, 90000});
    closed->SetPathPoints({{0, 40000}, {50000, 0}, {100000, 40000}, {80000, 90000}, {20000, 90000}},
        {ptNode, ptNode, ptClosedEnd, ptControl, ptControl});
    closed->Brush()->SetColor(clTeal);
    closed->Brush()->SetStyle(bsSolid);
    auto* boxA = f.Add<TKestBox>({20000, 110000, 60000, 150000});
    auto* boxB = f.Add<TKestBox>({150000, 120000, 200000, 170000});
    boxB->Brush()->SetColor(clSilver);
    auto* connector = TKestControl::Create<TKestConnector>(&f.panel, f.Scheme(), f.Layer());
    connector->SetPathPoints({{60000, 130000}, {150000, 145000}}, {ptNode, ptOpenEnd});
    connector->LinkA()->SetLinkedControl(boxA);
    connector->LinkB()->SetLinkedControl(boxB);
    connector->EndCap()->SetCapStyle(-1);
}

void BuildTexts(TShapeFixture& f)
{
    const auto text = [&](const TKestRect& r, const std::string& s) {
        auto* t = f.Add<TKestText>(r);
        t->SetText(s);
        t->Font()->SetName("DejaVu Sans");
        t->Font()->SetSize(12000);
        return t;
    };
    text({8000, 8000, 110000, 60000}, "Platform text\r\nsecond line");
    auto* precise = text({125000, 8000, 232000, 60000}, "Precise text\r\nsecond line");
    precise->SetPrecise(true);
    auto* rotated = text({8000, 70000, 110000, 170000}, "Rotated");
    rotated->SetAngle(30);
    auto* greyed = text({125000, 70000, 232000, 120000}, "Greyed text");
    greyed->SetGrayed(true);
    auto* framed = text({125000, 125000, 232000, 170000}, "Framed");
    framed->Pen()->SetStyle(psSolid);
    framed->Brush()->SetColor(clYellow);
}

std::string GoldenPath(const std::string& name)
{
    const char* data = std::getenv("KEST_TEST_DATA");
    return std::string(data ? data : "tests/data") + "/golden/" + name + ".png";
}

bool Ink(QRgb c)
{
    return qRed(c) + qGreen(c) + qBlue(c) < 3 * 255 - 96;
}

// Empty when the images agree; otherwise what differs.
std::string Compare(const QImage& actual, const QImage& expected, bool text, QImage& diff)
{
    if (actual.size() != expected.size())
        return "size differs";
    diff = QImage(actual.size(), QImage::Format_RGB32);
    diff.fill(Qt::white);
    const int tolerance = 24;
    int differing = 0, inkActual = 0, inkExpected = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            inkActual += Ink(a);
            inkExpected += Ink(e);
            if (std::abs(qRed(a) - qRed(e)) > tolerance || std::abs(qGreen(a) - qGreen(e)) > tolerance
                || std::abs(qBlue(a) - qBlue(e)) > tolerance) {
                ++differing;
                diff.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    const int pixels = actual.width() * actual.height();
    // Shapes allow a few stray pixels of rasterisation; texts are compared by
    // how much ink they leave, and allow their glyphs to move.
    const int allowed = text ? pixels / 12 : pixels / 5000 + 4;
    std::string problem;
    if (differing > allowed)
        problem = std::to_string(differing) + " pixels differ (allowed " + std::to_string(allowed) + ")";
    if (text && std::abs(inkActual - inkExpected) > inkExpected / 8 + 20)
        problem += " ink " + std::to_string(inkActual) + " against " + std::to_string(inkExpected);
    return problem;
}

const std::vector<TScene>& Scenes()
{
    static const std::vector<TScene> scenes {{"pens", BuildPens}, {"brushes", BuildBrushes},
        {"gradients", BuildGradients}, {"round", BuildRound}, {"curves", BuildCurves}, {"texts", BuildTexts, true}};
    return scenes;
}

TEST(GoldenImageTest, EveryShapeKindPaintsAsItsReference)
{
    const bool update = std::getenv("KEST_UPDATE_GOLDEN") && std::string(std::getenv("KEST_UPDATE_GOLDEN")) == "1";
    for (const TScene& scene : Scenes())
        for (const int32_t scale : {100, 250}) {
            TShapeFixture f;
            scene.build(f);
            const int32_t width = kSceneWidth * scale / 100;
            const int32_t height = kSceneHeight * scale / 100;
            TKestCanvas canvas;
            canvas.SetSize(width, height);
            canvas.SetBrush(TKestBrush(clWhite, bsSolid));
            canvas.FillRect({0, 0, width, height});
            // Not plain output: transparency is part of what is compared.
            f.panel.PaintTo(canvas, {0, 0, width, height}, false, false, false, false, true, nullptr, scale, {0, 0});
            const QImage actual = canvas.Image()->convertToFormat(QImage::Format_RGB32);
            const std::string name = scene.name + "_" + std::to_string(scale);
            const std::string path = GoldenPath(name);
            if (update) {
                EXPECT_TRUE(actual.save(QString::fromStdString(path))) << path;
                continue;
            }
            const QImage expected = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
            ASSERT_FALSE(expected.isNull()) << "no reference " << path;
            QImage diff;
            const std::string problem = Compare(actual, expected, scene.text, diff);
            if (!problem.empty()) {
                const std::string actualPath = ::testing::TempDir() + name + "_actual.png";
                const std::string diffPath = ::testing::TempDir() + name + "_diff.png";
                actual.save(QString::fromStdString(actualPath));
                diff.save(QString::fromStdString(diffPath));
                ADD_FAILURE() << name << ": " << problem << "; see " << actualPath << " and " << diffPath;
            }
        }
}

} // namespace
} // namespace kest::shapetest
