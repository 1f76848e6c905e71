// Draws the station's own pictures: SPLASH.png (291 x 221, the start-up
// window's picture) and LOGO.png (64 x 64, the About box's logo).
//
// The splash window draws its progress bar over the picture by AND-ing
// colours into it, so the picture keeps a white track under the bar: there
// the bar shows its own colours exactly.
//
// usage: gen_app_art OUTPUT_FOLDER
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int SplashWidth = 291;
constexpr int SplashHeight = 221;
// The window's progress rectangle (40, 170) - (251, 177) less the picture's
// offset (1, 1).
const QRect ProgressTrack(39, 169, 211, 7);

const QColor Night(14, 26, 48);
const QColor Dusk(28, 58, 96);
const QColor PlanLine(96, 168, 230);
const QColor DoorOpen(110, 214, 130);
const QColor DoorShut(236, 92, 80);

QFont Font(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// A door on the plan: a gap in the wall at (x, y) of the given width with
// its leaf swung open by 90 degrees (an arc and a line), horizontal walls.
void DrawDoor(QPainter& p, QPointF at, double width, bool open)
{
    p.setPen(QPen(Night, 3));
    p.drawLine(at, at + QPointF(width, 0));
    const QColor color = open ? DoorOpen : DoorShut;
    p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (open) {
        p.drawLine(at, at + QPointF(0, -width));
        QPen dashed(color, 1, Qt::DashLine);
        p.setPen(dashed);
        p.drawArc(QRectF(at.x() - width, at.y() - width, 2 * width, 2 * width), 0, 90 * 16);
    } else {
        p.drawLine(at, at + QPointF(width, 0));
    }
}

void DrawPlan(QPainter& p)
{
    // Outer walls and rooms of a small building, drawn as an architect's
    // sketch in the background.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(PlanLine, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QRectF building(150, 22, 124, 108);
    p.drawRect(building);
    p.setPen(QPen(PlanLine, 1.2));
    p.drawLine(QPointF(150, 70), QPointF(274, 70));
    p.drawLine(QPointF(204, 22), QPointF(204, 70));
    p.drawLine(QPointF(236, 70), QPointF(236, 130));
    // Zones tinted as the station shows them.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 168, 230, 40));
    p.drawRect(QRectF(151, 23, 52, 46));
    p.setBrush(QColor(110, 214, 130, 36));
    p.drawRect(QRectF(237, 71, 36, 58));
    DrawDoor(p, QPointF(170, 70), 14, true);
    DrawDoor(p, QPointF(246, 70), 14, false);
    DrawDoor(p, QPointF(176, 130), 16, true);
    // Persons walking between the zones.
    const QPointF persons[] = {{178, 44}, {222, 100}, {256, 104}, {190, 94}};
    for (const QPointF& at : persons) {
        QRadialGradient glow(at, 5);
        glow.setColorAt(0, QColor(255, 230, 140));
        glow.setColorAt(1, QColor(255, 190, 60, 0));
        p.setBrush(glow);
        p.drawEllipse(at, 5, 5);
        p.setBrush(QColor(255, 214, 96));
        p.drawEllipse(at, 2.2, 2.2);
    }
}

QImage DrawSplash()
{
    QImage image(SplashWidth, SplashHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, SplashWidth, SplashHeight);
    sky.setColorAt(0, Dusk);
    sky.setColorAt(1, Night);
    p.fillRect(image.rect(), sky);

    // A faint grid, as on the plan's drawing sheet.
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    for (int x = 8; x < SplashWidth; x += 12)
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, 150));
    for (int y = 6; y < 150; y += 12)
        p.drawLine(QPointF(0, y + 0.5), QPointF(SplashWidth, y + 0.5));
    QLinearGradient fade(0, 120, 0, 156);
    fade.setColorAt(0, QColor(14, 26, 48, 0));
    fade.setColorAt(1, Night);
    p.fillRect(QRectF(0, 120, SplashWidth, 101), fade);

    DrawPlan(p);

    p.setPen(Qt::white);
    p.setFont(Font(36, true));
    p.drawText(QRectF(16, 30, 140, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("doravo"));
    p.setPen(QColor(182, 208, 236));
    p.setFont(Font(13, false));
    p.drawText(QRectF(18, 78, 130, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
        QStringLiteral("Access control\nmonitoring station"));
    p.setPen(QColor(138, 160, 190));
    p.setFont(Font(11, false));
    p.drawText(QRectF(0, 144, SplashWidth, 16), Qt::AlignHCenter | Qt::AlignVCenter,
        QStringLiteral("Loading the site plan\u2026"));

    // The white track the progress bar is AND-ed into, with a soft rim so
    // the bar sits in a groove rather than on a hard white box.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(ProgressTrack).adjusted(-4, -4, 4, 4), 6, 6);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(ProgressTrack.adjusted(-1, -1, 1, 1), Qt::white);

    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(110, 130, 160));
    p.setFont(Font(9, false));
    p.drawText(
        QRectF(0, 196, SplashWidth - 10, 16), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Kest vector plans"));
    return image;
}

QImage DrawLogo()
{
    constexpr int Side = 64;
    QImage image(Side, Side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A rounded tile with a door standing ajar and a green "open" lamp.
    QLinearGradient tile(0, 0, 0, Side);
    tile.setColorAt(0, QColor(52, 110, 186));
    tile.setColorAt(1, QColor(20, 48, 96));
    p.setPen(QPen(QColor(12, 30, 64), 1.5));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2.5, 2.5, Side - 5, Side - 5), 12, 12);

    const QRectF frame(18, 12, 26, 42);
    p.setPen(QPen(QColor(230, 238, 248), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(10, 22, 44));
    p.drawRect(frame);
    // The leaf, seen in perspective as it swings towards the viewer.
    QPainterPath leaf;
    leaf.moveTo(frame.left(), frame.top());
    leaf.lineTo(frame.left() + 17, frame.top() + 5);
    leaf.lineTo(frame.left() + 17, frame.bottom() + 4);
    leaf.lineTo(frame.left(), frame.bottom());
    leaf.closeSubpath();
    QLinearGradient wood(frame.left(), 0, frame.left() + 17, 0);
    wood.setColorAt(0, QColor(236, 176, 96));
    wood.setColorAt(1, QColor(196, 126, 56));
    p.setPen(QPen(QColor(96, 52, 18), 1.2));
    p.setBrush(wood);
    p.drawPath(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 52, 18));
    p.drawEllipse(QPointF(frame.left() + 13.5, frame.center().y() + 3), 1.6, 1.6);

    QRadialGradient lamp(QPointF(50, 14), 7);
    lamp.setColorAt(0, QColor(200, 255, 200));
    lamp.setColorAt(0.5, QColor(60, 200, 90));
    lamp.setColorAt(1, QColor(60, 200, 90, 0));
    p.setBrush(lamp);
    p.drawEllipse(QPointF(50, 14), 7, 7);
    return image;
}

bool Save(const QImage& image, const QDir& folder, const char* name)
{
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_app_art OUTPUT_FOLDER\n");
        return 2;
    }
    // Fonts need a GUI application; offscreen needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const bool ok = Save(DrawSplash(), folder, "SPLASH.png") && Save(DrawLogo(), folder, "LOGO.png");
    return ok ? 0 : 1;
}
