#include "ControlLists.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

#include "ControlIcons.h"

namespace doravo {

namespace {

// Date-times beyond this many days from the origin are no dates the station
// makes; they show as empty text rather than overflow the conversion.
constexpr double MaxDateTimeDays = 2958465.0; // 9999-12-31

bool ToQDateTime(double dateTime, QDateTime& result)
{
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > MaxDateTimeDays)
        return false;
    static const QDateTime origin(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    result = origin.addMSecs(qint64(std::llround(dateTime * MSecsPerDay)));
    return true;
}

// The locale's long time format without its time-zone field: the values are
// local times already and carry no zone.
QString LongTimeFormat()
{
    const QString format = QLocale().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.trimmed();
}

QString Cut(const std::string& text, int length)
{
    return QString::fromStdString(text.size() > size_t(length) ? text.substr(0, size_t(length)) : text);
}

} // namespace

QFont ControlFont(bool bold)
{
    // Font substitution would turn a missing Tahoma into a much wider face.
    static const QString family = QFontDatabase::hasFamily("Tahoma") ? "Tahoma" : "Arial";
    QFont font(family);
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

QString TimeOfDayText(double dateTime)
{
    QDateTime value;
    if (!ToQDateTime(dateTime, value))
        return {};
    static const QString format = LongTimeFormat();
    return QLocale().toString(value.time(), format);
}

QString DateTimeText(double dateTime)
{
    QDateTime value;
    if (dateTime == 0 || !ToQDateTime(dateTime, value))
        return {};
    return QLocale().toString(value.date(), QLocale::ShortFormat) + " " + TimeOfDayText(dateTime);
}

TSiteListModel::TSiteListModel(TdmMain& site, TSiteListKind kind, QObject* parent)
    : QAbstractListModel(parent)
    , site_(site)
    , kind_(kind)
{
}

int TSiteListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return subset_ ? int(records_.size()) : count_;
}

int TSiteListModel::RecordCount() const
{
    switch (kind_) {
    case slPersons:
        return int(site_.Persons().size());
    case slPasses:
        return int(site_.Passes().size());
    case slZones:
        return int(site_.Zones().size());
    case slEvents:
        return int(site_.Events().size());
    }
    return 0;
}

int TSiteListModel::Record(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    const int record = subset_ ? records_[size_t(row)] : row;
    return record < RecordCount() ? record : -1;
}

QVariant TSiteListModel::data(const QModelIndex& index, int role) const
{
    const int record = index.isValid() ? Record(index.row()) : -1;
    if (record < 0)
        return {};
    const auto at = size_t(record);
    switch (role) {
    case RecordRole:
        return record;
    case Qt::DecorationRole:
        switch (kind_) {
        case slPersons:
            return ControlImage(ciPerson);
        case slPasses:
            return ControlImage(site_.Passes()[at].Id % 2 != 0 ? ciPassOdd : ciPassEven);
        case slZones:
            return ControlImage(ciZone);
        case slEvents:
            return ControlImage(ciEvent);
        }
        break;
    case FirstColumnRole:
        switch (kind_) {
        case slPersons:
            return QString::number(site_.Persons()[at].Id);
        case slPasses:
            return QString::number(site_.Passes()[at].Id);
        case slZones:
            return QString::number(site_.Zones()[at].Id);
        case slEvents:
            return TimeOfDayText(site_.Events()[at].Time);
        }
        break;
    case SecondColumnRole:
    case Qt::DisplayRole:
        switch (kind_) {
        case slPersons: {
            const TPersonRec& person = site_.Persons()[at];
            return Cut(person.FirstName + " " + person.LastName, PersonListNameLength);
        }
        case slPasses:
            return QString::fromStdString(site_.Passes()[at].Name);
        case slZones:
            return QString::fromStdString(site_.Zones()[at].Name);
        case slEvents:
            return QString::fromStdString(site_.Events()[at].Text);
        }
        break;
    default:
        break;
    }
    return {};
}

void TSiteListModel::SetRowCount(int count)
{
    count = std::max(count, 0);
    if (subset_) {
        beginResetModel();
        subset_ = false;
        records_.clear();
        count_ = count;
        endResetModel();
        return;
    }
    if (count > count_) {
        beginInsertRows({}, count_, count - 1);
        count_ = count;
        endInsertRows();
    } else if (count < count_) {
        beginRemoveRows({}, count, count_ - 1);
        count_ = count;
        endRemoveRows();
    }
}

void TSiteListModel::SetRecords(std::vector<int> records)
{
    if (subset_ && records == records_)
        return;
    beginResetModel();
    subset_ = true;
    records_ = std::move(records);
    endResetModel();
}

TSiteRowDelegate::TSiteRowDelegate(int firstColumnRight, QObject* parent)
    : QStyledItemDelegate(parent)
    , firstColumnRight_(firstColumnRight)
{
}

void TSiteRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect row = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->fillRect(row, option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));

    const QPixmap icon = index.data(Qt::DecorationRole).value<QPixmap>();
    painter->drawPixmap(row.left() + 2, row.top() + 1, icon);

    const int textTop = row.top() + 1;
    const int textHeight = row.height() - 1;
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->drawText(QRect(row.left(), textTop, firstColumnRight_, textHeight), Qt::AlignRight | Qt::AlignVCenter,
        index.data(TSiteListModel::FirstColumnRole).toString());
    painter->setFont(option.font);
    const QRect second(
        row.left() + firstColumnRight_ + 4, textTop, row.right() - row.left() - firstColumnRight_ - 4, textHeight);
    const QString text = option.fontMetrics.elidedText(
        index.data(TSiteListModel::SecondColumnRole).toString(), Qt::ElideRight, second.width());
    painter->drawText(second, Qt::AlignLeft | Qt::AlignVCenter, text);

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}

QSize TSiteRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {firstColumnRight_, ControlRowHeight};
}

TSiteListView::TSiteListView(QWidget* parent)
    : QAbstractItemView(parent)
{
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TSiteListView::setModel(QAbstractItemModel* model)
{
    QAbstractItemView::setModel(model);
    if (!model)
        return;
    auto fromRow = [this](const QModelIndex&, int first, int) { RowsChanged(first); };
    connect(model, &QAbstractItemModel::rowsInserted, this, fromRow);
    connect(model, &QAbstractItemModel::rowsRemoved, this, fromRow);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { RowsChanged(0); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { RowsChanged(0); });
    RowsChanged(0);
}

int TSiteListView::RowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int TSiteListView::RowAt(int y) const
{
    const int count = RowCount();
    if (count == 0)
        return -1;
    const int64_t row = (int64_t(y) + verticalOffset()) / ControlRowHeight;
    return int(std::clamp<int64_t>(row, 0, count - 1));
}

void TSiteListView::RowsChanged(int first)
{
    updateGeometries();
    // Rows above the change keep their places and pictures.
    const int top = std::max(0, first * ControlRowHeight - verticalOffset());
    if (top < viewport()->height())
        viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
}

QRect TSiteListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model())
        return {};
    return {0, index.row() * ControlRowHeight - verticalOffset(), viewport()->width(), ControlRowHeight};
}

void TSiteListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != model())
        return;
    const int top = index.row() * ControlRowHeight;
    const int height = viewport()->height();
    const int value = verticalOffset();
    int target = value;
    switch (hint) {
    case PositionAtTop:
        target = top;
        break;
    case PositionAtBottom:
        target = top + ControlRowHeight - height;
        break;
    case PositionAtCenter:
        target = top - (height - ControlRowHeight) / 2;
        break;
    case EnsureVisible:
        if (top < value)
            target = top;
        else if (top + ControlRowHeight > value + height)
            target = top + ControlRowHeight - height;
        break;
    }
    verticalScrollBar()->setValue(target);
}

QModelIndex TSiteListView::indexAt(const QPoint& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const int64_t row = (int64_t(point.y()) + verticalOffset()) / ControlRowHeight;
    if (row >= RowCount())
        return {};
    return model()->index(int(row), 0, rootIndex());
}

QModelIndex TSiteListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int count = RowCount();
    if (count == 0)
        return {};
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    const int page = std::max(1, viewport()->height() / ControlRowHeight);
    int target = row;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        target = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        target = row + 1;
        break;
    case MovePageUp:
        target = row - page;
        break;
    case MovePageDown:
        target = row + page;
        break;
    case MoveHome:
        target = 0;
        break;
    case MoveEnd:
        target = count - 1;
        break;
    default:
        break;
    }
    return model()->index(std::clamp(target, 0, count - 1), 0, rootIndex());
}

int TSiteListView::horizontalOffset() const
{
    return 0;
}

int TSiteListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool TSiteListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void TSiteListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags)
{
    const QRect area = rect.normalized();
    const int first = RowAt(area.top()), last = RowAt(area.bottom());
    if (first < 0)
        return;
    selectionModel()->select(
        QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())), flags);
}

QRegion TSiteListView::visualRegionForSelection(const QItemSelection& selection) const
{
    const int offset = verticalOffset();
    const int firstShown = offset / ControlRowHeight;
    const int lastShown = (offset + viewport()->height()) / ControlRowHeight;
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), firstShown), bottom = std::min(range.bottom(), lastShown);
        if (top <= bottom)
            region += QRect(
                0, top * ControlRowHeight - offset, viewport()->width(), (bottom - top + 1) * ControlRowHeight);
    }
    return region;
}

void TSiteListView::updateGeometries()
{
    const int64_t content = int64_t(RowCount()) * ControlRowHeight;
    const int height = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(ControlRowHeight);
    bar->setPageStep(height);
    bar->setRange(0, int(std::clamp<int64_t>(content - height, 0, INT_MAX)));
    QAbstractItemView::updateGeometries();
}

void TSiteListView::scrollContentsBy(int, int)
{
    // A journal growing by many events between two paints scrolls once per
    // event; moving the pixels each time would cost more than one repaint.
    viewport()->update();
}

void TSiteListView::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void TSiteListView::paintEvent(QPaintEvent* event)
{
    const int count = RowCount();
    if (count == 0)
        return;
    const int offset = verticalOffset();
    const int first = std::max(0, (offset + event->rect().top()) / ControlRowHeight);
    const int last = std::min(count - 1, (offset + event->rect().bottom()) / ControlRowHeight);
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State base = option.state & ~(QStyle::State_Selected | QStyle::State_HasFocus);
    const QModelIndex current = currentIndex();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = visualRect(index);
        option.state = base;
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            option.state |= QStyle::State_HasFocus;
        itemDelegate()->paint(&painter, option, index);
    }
}

} // namespace doravo
