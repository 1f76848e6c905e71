#include "KestCursors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <array>
#include <optional>

// Resources of a static library are registered only when asked for by name,
// and the macro must be used outside any namespace.
static void InitCursorResources()
{
    Q_INIT_RESOURCE(kest_cursors);
}

namespace kest {

namespace {

constexpr std::array<const char*, KestCursorCount> CursorNames = {"SHAPE_CUR", "SHAPE_ADD_CUR", "SHAPE_DEL_CUR",
    "SHAPE_CLOSE_CUR", "SHAPE_MOVE_CUR", "SHAPE_MOVE_CURVE_CUR", "CREATE_CTRL_CUR", "CREATE_RECT_CUR",
    "CREATE_ELLIPSE_CUR", "CREATE_TEXT_CUR", "CREATE_PIC_CUR", "CREATE_POLY_CUR", "ZOOM_IN_CUR", "ZOOM_OUT_CUR",
    "PAN_CUR", "PANNING_CUR", "CONT_POLY_CUR", "SHAPE_MOVE_LINE_CUR"};

struct TCursorTable {
    bool Loaded = false;
    std::array<std::optional<QCursor>, KestCursorCount> Cursors;
};

TCursorTable& Table()
{
    static TCursorTable table;
    return table;
}

// Cursors hold pixmaps, which must go before the application does.
void ClearCursors()
{
    for (auto& cursor : Table().Cursors)
        cursor.reset();
}

std::optional<QCursor> ReadCursor(const char* name)
{
    const QImage image(QStringLiteral(":/cursors/%1.png").arg(QLatin1String(name)));
    if (image.isNull())
        return std::nullopt;
    bool okX = false, okY = false;
    int x = image.text(QStringLiteral("HotspotX")).toInt(&okX);
    int y = image.text(QStringLiteral("HotspotY")).toInt(&okY);
    x = okX ? std::clamp(x, 0, image.width() - 1) : image.width() / 2;
    y = okY ? std::clamp(y, 0, image.height() - 1) : image.height() / 2;
    return QCursor(QPixmap::fromImage(image), x, y);
}

} // namespace

const char* KestCursorName(int index)
{
    return index >= 1 && index <= KestCursorCount ? CursorNames[size_t(index - 1)] : nullptr;
}

bool LoadCursors()
{
    TCursorTable& table = Table();
    if (!table.Loaded) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return false;
        InitCursorResources();
        table.Loaded = true;
        qAddPostRoutine(ClearCursors);
        for (int i = 0; i < KestCursorCount; ++i)
            table.Cursors[size_t(i)] = ReadCursor(CursorNames[size_t(i)]);
    }
    return std::all_of(table.Cursors.begin(), table.Cursors.end(), [](const auto& c) { return c.has_value(); });
}

QCursor KestCursor(int index)
{
    if (index < 1 || index > KestCursorCount || !Table().Cursors[size_t(index - 1)])
        return QCursor(Qt::ArrowCursor);
    return *Table().Cursors[size_t(index - 1)];
}

} // namespace kest
