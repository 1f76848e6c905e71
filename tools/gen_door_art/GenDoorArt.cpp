// Draws the door's pixel art: DOORIMAGES.bmp (two rows of twelve 31-pixel
// frames, closed to open; row 0 a door in a vertical wall, row 1 in a
// horizontal one), DOORARROWS.bmp (15-pixel cells, 4 directions by 5 events)
// and DOORICON.png (24 x 24, with alpha, for the tool palette).
//
// Every pixel is decided by a geometric test at its centre, so the art stays
// crisp when a plan is zoomed and no edge blends into the key colour: the
// bitmaps are drawn transparent with their bottom-left pixel as key.
//
// usage: gen_door_art OUTPUT_FOLDER
#include <QColor>
#include <QDir>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int Cell = 31;
constexpr int Frames = 12;
constexpr int ArrowCell = 15;
constexpr int IconSize = 24;
const QRgb Key = qRgb(255, 0, 255);

const QRgb WallFill = qRgb(96, 96, 104);
const QRgb WallEdge = qRgb(24, 24, 32);
const QRgb LeafFill = qRgb(214, 150, 72);
const QRgb LeafEdge = qRgb(92, 48, 16);
const QRgb Sill = qRgb(200, 200, 200);

// Where a point lies relative to an oriented bar: along its axis from the
// start (0 … length) and across it.
struct TBar {
    double X, Y; // start, pixel coordinates
    double Dx, Dy; // unit direction
    double Length;

    double Along(double px, double py) const { return (px - X) * Dx + (py - Y) * Dy; }
    double Across(double px, double py) const { return std::fabs((px - X) * -Dy + (py - Y) * Dx); }
    bool Contains(double px, double py, double grow, double halfWidth) const
    {
        const double t = Along(px, py);
        return t >= -grow && t <= Length + grow && Across(px, py) <= halfWidth + grow;
    }
};

// A door in a vertical wall at the given opening angle (0 = closed, 90 =
// open towards +x); the horizontal door is its transpose.
QRgb DoorPixel(int x, int y, double degrees)
{
    const double px = x + 0.5;
    const double py = y + 0.5;
    const double a = degrees * M_PI / 180.0;
    const double s = std::sin(a);
    const double c = std::cos(a);
    // Double leaves hinged at the two jambs, meeting in the middle.
    const TBar top {15.5, 5.5, s, c, 9.4};
    const TBar bottom {15.5, 25.5, s, -c, 9.4};
    const bool wall = x >= 13 && x <= 17 && (y <= 4 || y >= 26);
    if (wall)
        return (x == 13 || x == 17 || y == 4 || y == 26 || y == 0 || y == 30) ? WallEdge : WallFill;
    for (const TBar& leaf : {top, bottom})
        if (leaf.Contains(px, py, 0.0, 1.5))
            return LeafFill;
    for (const TBar& leaf : {top, bottom})
        if (leaf.Contains(px, py, 0.8, 1.5))
            return LeafEdge;
    // Once the leaves are off it, the doorway shows a light sill.
    if (x == 15 && y >= 5 && y <= 25)
        return degrees > 0 ? Sill : Key;
    return Key;
}

QImage DoorImages()
{
    QImage image(Cell * Frames, Cell * 2, QImage::Format_RGB32);
    image.fill(Key);
    for (int frame = 0; frame < Frames; ++frame) {
        const double degrees = 90.0 * frame / (Frames - 1);
        for (int y = 0; y < Cell; ++y)
            for (int x = 0; x < Cell; ++x) {
                const QRgb pixel = DoorPixel(x, y, degrees);
                image.setPixel(frame * Cell + x, y, pixel);
                image.setPixel(frame * Cell + y, Cell + x, pixel);
            }
    }
    return image;
}

// Colours of one event row: fill and outline.
struct TEventColors {
    QRgb Fill, Edge;
};
const TEventColors EventColors[5] = {
    {qRgb(150, 170, 200), qRgb(40, 50, 80)}, // Inactive: the operator, a cool grey-blue
    {qRgb(40, 200, 60), qRgb(0, 70, 0)}, // Valid
    {qRgb(235, 40, 30), qRgb(90, 0, 0)}, // Error
    {qRgb(255, 190, 0), qRgb(110, 60, 0)}, // Warning
    {qRgb(220, 0, 0), qRgb(60, 0, 0)}, // Broken: a no-entry sign
};

// A right-pointing arrow in a 15-pixel cell (pixel centres).
bool InArrow(double px, double py)
{
    const double dy = std::fabs(py - 7.5);
    if (px >= 1.5 && px <= 8.5 && dy <= 1.6)
        return true;
    return px >= 7.5 && px <= 13.5 && dy <= (13.5 - px) * 0.95 + 0.1;
}

bool InNoEntry(double px, double py)
{
    const double dx = px - 7.5;
    const double dy = py - 7.5;
    return dx * dx + dy * dy <= 6.3 * 6.3;
}

// Pixel of the shape `inside`, with a one-pixel outline around it.
QRgb Outlined(const std::function<bool(double, double)>& inside, int x, int y, const TEventColors& colors)
{
    const double px = x + 0.5;
    const double py = y + 0.5;
    if (inside(px, py))
        return colors.Fill;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (inside(px + dx, py + dy))
                return colors.Edge;
    return Key;
}

// Columns: 0 left (vertical wall, backward), 1 up (horizontal, backward),
// 2 down (horizontal, forward), 3 right (vertical, forward).
QImage DoorArrows()
{
    QImage image(ArrowCell * 4, ArrowCell * 5, QImage::Format_RGB32);
    image.fill(Key);
    for (int event = 0; event < 5; ++event)
        for (int column = 0; column < 4; ++column)
            for (int y = 0; y < ArrowCell; ++y)
                for (int x = 0; x < ArrowCell; ++x) {
                    const int m = ArrowCell - 1;
                    // Map the cell pixel into the right-pointing arrow's frame.
                    int ax = x, ay = y;
                    if (column == 0)
                        ax = m - x;
                    else if (column == 1)
                        ax = m - y, ay = x;
                    else if (column == 2)
                        ax = y, ay = x;
                    QRgb pixel;
                    if (event == 4) {
                        // A white bar across the way through: along the wall.
                        const bool across = column == 0 || column == 3;
                        pixel = Outlined(InNoEntry, x, y, EventColors[event]);
                        const int along = across ? y : x;
                        const int side = across ? x : y;
                        if (pixel == EventColors[event].Fill && along >= 3 && along <= 11 && side >= 6 && side <= 8)
                            pixel = qRgb(255, 255, 255);
                    } else {
                        pixel = Outlined(InArrow, ax, ay, EventColors[event]);
                    }
                    image.setPixel(column * ArrowCell + x, event * ArrowCell + y, pixel);
                }
    return image;
}

// The tool icon: a door half open in a vertical wall, with its swing.
QImage DoorIcon()
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double a = 55.0 * M_PI / 180.0;
    const TBar leaf {6.5, 4.5, std::sin(a), std::cos(a), 14.0};
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double r = std::hypot(px - 6.5, py - 4.5);
            QRgb pixel = 0;
            if (x >= 4 && x <= 8 && (y <= 3 || y >= 20))
                pixel = (x == 4 || x == 8 || y == 3 || y == 20) ? 0xFF000000 | WallEdge : 0xFF000000 | WallFill;
            else if (leaf.Contains(px, py, 0.0, 1.5))
                pixel = 0xFF000000 | LeafFill;
            else if (leaf.Contains(px, py, 0.8, 1.5))
                pixel = 0xFF000000 | LeafEdge;
            else if (std::fabs(r - 14.5) < 0.5 && px > 6.5 && py > 4.5 && std::atan2(px - 6.5, py - 4.5) < a)
                pixel = qRgba(60, 60, 60, 200);
            image.setPixel(x, y, pixel);
        }
    return image;
}

bool Save(const QImage& image, const QDir& dir, const char* name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_door_art OUTPUT_FOLDER\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    // 24-bit bitmaps: the key colour is the whole of their transparency.
    const bool ok = Save(DoorImages().convertToFormat(QImage::Format_RGB888), dir, "DOORIMAGES.bmp")
        && Save(DoorArrows().convertToFormat(QImage::Format_RGB888), dir, "DOORARROWS.bmp")
        && Save(DoorIcon(), dir, "DOORICON.png");
    return ok ? 0 : 1;
}
