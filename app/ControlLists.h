// The lists of the control panel: models whose rows stand for records of the
// site model and draw them at paint time, the delegate that paints a row
// with its icon, a bold right-aligned first column and the text after it,
// and the view that shows such rows at a fixed height.
#pragma once

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <vector>

#include "dMain.h"

namespace doravo {

enum TSiteListKind { slPersons, slPasses, slZones, slEvents };

constexpr int ControlRowHeight = 16;
constexpr int PersonListNameLength = 63;

// The small font of the station's tool windows (Tahoma where installed,
// else a face with Arial's metrics), 11 pixels high.
QFont ControlFont(bool bold);

// A date-time (days since 1899-12-30) as the time of day in the long time
// format, and as date and time (short date, long time); empty text for 0 in
// DateTimeText.
QString TimeOfDayText(double dateTime);
QString DateTimeText(double dateTime);

// Row i is record i of the kind's list, or with SetRecords the i-th record
// given. Nothing of the records is copied: a row reads its record whenever
// it is drawn, so only the count and a subset's membership need refreshing.
class TSiteListModel : public QAbstractListModel {
public:
    enum TRole { RecordRole = Qt::UserRole, FirstColumnRole, SecondColumnRole };

    TSiteListModel(TdmMain& site, TSiteListKind kind, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    TSiteListKind Kind() const { return kind_; }
    // Brings the rows to count by appending or removing rows at the end;
    // existing rows stay as they are. Rows are records 0 … count − 1.
    void SetRowCount(int count);
    // Rows for the given record indices, in that order.
    void SetRecords(std::vector<int> records);
    // The record index of a row; −1 for a row that is no record (any more).
    int Record(int row) const;

private:
    int RecordCount() const;

    TdmMain& site_;
    TSiteListKind kind_;
    bool subset_ = false;
    int count_ = 0;
    std::vector<int> records_;
};

// Paints a 16-pixel row: the model's icon at (2, 1), the first column bold
// and right-aligned to firstColumnRight, the second 4 pixels after it.
class TSiteRowDelegate : public QStyledItemDelegate {
public:
    TSiteRowDelegate(int firstColumnRight, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int firstColumnRight_;
};

// One column of rows ControlRowHeight pixels high, scrolled by pixels.
// Every operation is a little arithmetic on the row number, so a journal of
// tens of thousands of rows costs no more to grow, scroll or select in than
// a short list; generic list views lay every row out again on each insert.
class TSiteListView : public QAbstractItemView {
public:
    explicit TSiteListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int RowCount() const;
    // The row at the viewport's y, clamped to the rows; −1 without rows.
    int RowAt(int y) const;
    // Rows from first on were added, removed or replaced.
    void RowsChanged(int first);
};

} // namespace doravo
