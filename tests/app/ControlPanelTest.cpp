// The control panel over a small station: the door buttons and the events
// they write, pass and person details, zone totals over sub-zones, the
// journal's rows following the journal by count only (50 000 events and a
// trim), double-click navigation through the host, and the one-window rule.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "ControlIcons.h"
#include "ControlTestSupport.h"

namespace doravo {
namespace {

using namespace doravo::testing;

class ControlPanelTest : public ::testing::Test {
protected:
    TfmControl& Open()
    {
        TfmControl* window = ShowControlPanel(*station.site, *station.host);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return *window;
    }
    static void Select(TSiteListView* list, int row)
    {
        list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    static void DoubleClick(TSiteListView* list, int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    size_t EventCount() const { return station.site->Events().size(); }

    TStation station;
};

TEST_F(ControlPanelTest, DoorButtonsWriteTheOperatorsEventsForTheSelectedPass)
{
    TfmControl& panel = Open();
    panel.SetCurrentPage(cpPasses);

    // Nothing selected: no texts, the buttons are off and a click does nothing.
    EXPECT_TRUE(panel.lbPassName->text().isEmpty());
    for (QPushButton* button : {panel.btnOpen, panel.btnBlock, panel.btnUnblock, panel.btnClose})
        EXPECT_FALSE(button->isEnabled());
    QTest::mouseClick(panel.btnOpen, Qt::LeftButton);
    EXPECT_EQ(EventCount(), 0u);

    Select(panel.lbPasses, station.site->FindPass(8));
    EXPECT_EQ(panel.lbPassName->text(), "Pass 8");
    EXPECT_EQ(panel.lbPassZoneFrom->text(), "Hall");
    EXPECT_EQ(panel.lbPassZoneTo->text(), ""); // outside
    ASSERT_TRUE(panel.btnOpen->isEnabled());

    const std::vector<std::pair<QPushButton*, std::string>> steps = {
        {panel.btnOpen, "Door 8 opened by operator"},
        {panel.btnClose, "Door 8 closed by operator"},
        {panel.btnBlock, "Door 8 blocked by operator"},
        {panel.btnOpen, "Attempt to open blocked door 8 by operator"},
        {panel.btnUnblock, "Door 8 unblocked by operator"},
    };
    for (const auto& [button, text] : steps) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(station.LastEvent().Text, text);
        EXPECT_EQ(station.LastEvent().PassId, 8);
        EXPECT_EQ(station.LastEvent().PersonId, 0);
    }
    EXPECT_EQ(EventCount(), steps.size());
    EXPECT_FALSE(station.hallDoor->Blocked());
    EXPECT_EQ(station.hallDoor->DoorState(), dsClosed);

    // A pass without a door on the plan writes nothing.
    Select(panel.lbPasses, station.site->FindPass(11));
    EXPECT_EQ(panel.lbPassZoneTo->text(), "Store");
    for (QPushButton* button : {panel.btnOpen, panel.btnBlock, panel.btnUnblock, panel.btnClose})
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(EventCount(), steps.size());

    // Clearing the selection clears the details and turns the buttons off.
    panel.ShowPassRow(-1);
    EXPECT_TRUE(panel.lbPassName->text().isEmpty());
    EXPECT_FALSE(panel.btnClose->isEnabled());
}

TEST_F(ControlPanelTest, ZoneDetailsCountEveryZoneEnclosedByTheSelectedOne)
{
    auto& zones = station.site->Zones();
    zones[0].Count = 1; // Hall
    zones[1].Count = 2; // Office, in the hall
    zones[2].Count = 3; // Store, in the hall
    zones[3].Count = 0; // Corner, in the office
    station.Person(AnnId).ZoneId = OfficeId;
    station.Person(TomId).ZoneId = HallId;
    station.Person(EveId).ZoneId = OfficeId;

    TfmControl& panel = Open();
    EXPECT_EQ(panel.CurrentPage(), cpZones);
    EXPECT_TRUE(panel.lbZoneCount->text().isEmpty());
    EXPECT_EQ(panel.PersInZoneModel().rowCount(), 0);

    Select(panel.lbZones, 0);
    EXPECT_EQ(panel.lbZoneCount->text(), "1");
    EXPECT_EQ(panel.lbZoneTotal->text(), "6");
    ASSERT_EQ(panel.PersInZoneModel().rowCount(), 1);
    EXPECT_EQ(panel.PersInZoneModel().index(0, 0).data(Qt::DisplayRole).toString(), "Tom Berg");

    // A count two levels down reaches the hall; siblings do not reach each other.
    zones[3].Count = 4;
    panel.RefreshZones();
    EXPECT_EQ(panel.lbZoneTotal->text(), "10");
    Select(panel.lbZones, 1);
    EXPECT_EQ(panel.lbZoneCount->text(), "2");
    EXPECT_EQ(panel.lbZoneTotal->text(), "6");
    // Persons in the zone, in person order.
    ASSERT_EQ(panel.PersInZoneModel().rowCount(), 2);
    EXPECT_EQ(panel.PersInZoneModel().Record(0), station.site->FindPerson(AnnId));
    EXPECT_EQ(panel.PersInZoneModel().Record(1), station.site->FindPerson(EveId));
    EXPECT_EQ(panel.PersInZoneModel().index(1, 0).data(TSiteListModel::FirstColumnRole).toString(), "13");

    // Membership follows the persons on refresh.
    station.Person(AnnId).ZoneId = StoreId;
    panel.RefreshCurrentPage();
    ASSERT_EQ(panel.PersInZoneModel().rowCount(), 1);
    EXPECT_EQ(panel.PersInZoneModel().Record(0), station.site->FindPerson(EveId));

    panel.ShowZoneRow(-1);
    EXPECT_TRUE(panel.lbZoneTotal->text().isEmpty());
    EXPECT_EQ(panel.PersInZoneModel().rowCount(), 0);
}

TEST_F(ControlPanelTest, PersonDetailsShowZoneAndTimesOrOutside)
{
    TPersonRec& ann = station.Person(AnnId);
    ann.ZoneId = 0;
    ann.TimeEnter = 0;
    ann.TimeLeave = NoonDay + 61.0 / SecsPerDay;
    TPersonRec& tom = station.Person(TomId);
    tom.ZoneId = CornerId;
    tom.TimeEnter = NoonDay;
    tom.TimeLeave = 0;

    TfmControl& panel = Open();
    panel.SetCurrentPage(cpPersonnel);
    Select(panel.lbPersonnel, station.site->FindPerson(AnnId));
    EXPECT_EQ(panel.lbLocation->text(), "[outside]");
    EXPECT_EQ(panel.lbTimeEnter->text(), "");
    const QString date = QLocale::c().toString(QDate(2025, 12, 9), QLocale::ShortFormat);
    EXPECT_EQ(panel.lbTimeLeave->text(), date + " 12:01:01");

    Select(panel.lbPersonnel, station.site->FindPerson(TomId));
    EXPECT_EQ(panel.lbLocation->text(), "Corner");
    EXPECT_EQ(panel.lbTimeEnter->text(), date + " 12:00:00");
    EXPECT_EQ(panel.lbTimeLeave->text(), "");

    panel.lbPersonnel->selectionModel()->clear();
    EXPECT_EQ(panel.lbLocation->text(), "");
}

TEST_F(ControlPanelTest, RowsDrawTheirRecordsWithTheListsIcons)
{
    TfmControl& panel = Open();
    TSiteListModel& passes = panel.PassesModel();
    ASSERT_EQ(passes.rowCount(), int(station.site->Passes().size()));
    // Pass ids 7, 8, 9 alternate the two pass icons.
    const QPixmap odd = ControlImage(ciPassOdd), even = ControlImage(ciPassEven);
    EXPECT_NE(odd.toImage(), even.toImage());
    for (int row = 0; row < 3; ++row) {
        const int32_t id = station.site->Passes()[size_t(row)].Id;
        const QPixmap icon = passes.index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
        EXPECT_EQ(icon.toImage(), (id % 2 ? odd : even).toImage()) << id;
        EXPECT_EQ(passes.index(row, 0).data(TSiteListModel::FirstColumnRole).toString(), QString::number(id));
    }
    EXPECT_EQ(panel.PersonnelModel().index(2, 0).data(Qt::DisplayRole).toString(), "Eve Ng");
    EXPECT_EQ(panel.ZonesModel().index(3, 0).data(Qt::DisplayRole).toString(), "Corner");
    for (int image = 0; image < ciCount; ++image) {
        const QImage picture = ControlImage(image).toImage();
        ASSERT_EQ(picture.size(), QSize(ControlImageSize, ControlImageSize));
        EXPECT_GT(picture.pixelColor(8, 8).alpha() + picture.pixelColor(8, 11).alpha(), 0) << image;
    }
    EXPECT_TRUE(ControlImage(ciCount).isNull());

    // The painted row: the bold id ends at 50 pixels, the icon sits at (2, 1).
    panel.SetCurrentPage(cpZones);
    QImage shot = panel.lbZones->viewport()->grab().toImage();
    const QRect row = panel.lbZones->visualRect(panel.ZonesModel().index(0, 0));
    EXPECT_EQ(row.height(), ControlRowHeight);
    const QImage zoneIcon = ControlImage(ciZone).toImage();
    shot = shot.convertToFormat(QImage::Format_ARGB32);
    int darkBeyond = 0, darkBefore = 0;
    for (int y = row.top() + 1; y < row.bottom(); ++y) {
        for (int x = row.left() + 20; x < row.left() + 50; ++x)
            darkBefore += qGray(shot.pixel(x, y)) < 128;
        for (int x = row.left() + 50; x < row.left() + 54; ++x)
            darkBeyond += qGray(shot.pixel(x, y)) < 128;
    }
    EXPECT_GT(darkBefore, 0);
    EXPECT_EQ(darkBeyond, 0);
    EXPECT_EQ(shot.pixelColor(row.left() + 2 + 8, row.top() + 1 + 8).rgb(), zoneIcon.pixelColor(8, 8).rgb());
}

TEST_F(ControlPanelTest, EventRowsFollowTheJournalByCountOnly)
{
    for (size_t i = 0; i < MaxEvents; ++i)
        station.site->AddEvent("Event " + std::to_string(i), int32_t(i % 5), 0);
    TfmControl& panel = Open();
    panel.SetCurrentPage(cpEvents);
    TSiteListModel& events = panel.EventsModel();
    ASSERT_EQ(events.rowCount(), int(MaxEvents));
    EXPECT_EQ(panel.lbEvents->currentIndex().row(), int(MaxEvents) - 1);

    QSignalSpy resets(&events, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&events, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&events, &QAbstractItemModel::rowsRemoved);
    QSignalSpy layouts(&events, &QAbstractItemModel::layoutChanged);
    const QPersistentModelIndex early(events.index(10, 0));
    const QPersistentModelIndex late(events.index(int(MaxEvents) - 1, 0));

    // The journal is full: the next event trims 1000 and the rows follow.
    station.site->AddEvent("After the trim", 7, 0);
    panel.RefreshEvents();
    const int afterTrim = int(MaxEvents - TrimmedEvents + 1);
    ASSERT_EQ(events.rowCount(), afterTrim);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), afterTrim);
    EXPECT_EQ(removed[0][2].toInt(), int(MaxEvents) - 1);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_TRUE(early.isValid());
    EXPECT_EQ(early.row(), 10);
    EXPECT_FALSE(late.isValid());
    EXPECT_EQ(events.index(0, 0).data().toString(), "System online (old events deleted)");
    EXPECT_EQ(events.index(afterTrim - 1, 0).data().toString(), "After the trim");
    EXPECT_EQ(panel.lbEvents->currentIndex().row(), afterTrim - 1);

    // Appends add rows at the end, one signal per refresh.
    for (int i = 0; i < 3; ++i)
        station.site->AddEvent("More", 9, AnnId);
    panel.RefreshCurrentPage();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), afterTrim);
    EXPECT_EQ(inserted[0][2].toInt(), afterTrim + 2);
    EXPECT_EQ(early.row(), 10);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 0);
    EXPECT_EQ(panel.lbEvents->currentIndex().row(), afterTrim + 2);
    // The selected last row is scrolled into view, and is what lies there.
    const QRect last = panel.lbEvents->visualRect(events.index(afterTrim + 2, 0));
    EXPECT_TRUE(panel.lbEvents->viewport()->rect().contains(last)) << last.y();
    EXPECT_EQ(panel.lbEvents->indexAt(last.center()).row(), afterTrim + 2);

    // Without auto-scroll the selection stays where it is.
    panel.cbAutoScroll->setChecked(false);
    Select(panel.lbEvents, 5);
    station.site->AddEvent("Quiet", 0, 0);
    panel.RefreshEvents();
    EXPECT_EQ(events.rowCount(), afterTrim + 4);
    EXPECT_EQ(panel.lbEvents->currentIndex().row(), 5);
}

TEST_F(ControlPanelTest, DoubleClicksShowTheRowsObjectOnThePlan)
{
    station.Person(AnnId).ZoneId = StoreId;
    station.Person(TomId).ZoneId = 0;
    station.site->AddEvent("System online", 0, 0);
    station.site->AddEvent("Door 9 opened by operator", 9, 0);
    TRecordingHost& host = *station.host;
    TfmControl& panel = Open();

    panel.SetCurrentPage(cpPersonnel);
    DoubleClick(panel.lbPersonnel, station.site->FindPerson(AnnId));
    ASSERT_EQ(host.selected.size(), 1u);
    EXPECT_EQ(host.selected.back(), host.zoneShapes[StoreId]);
    // The host showed the zone on the zones page; the personnel page stays.
    EXPECT_EQ(panel.CurrentPage(), cpPersonnel);
    DoubleClick(panel.lbPersonnel, station.site->FindPerson(TomId));
    ASSERT_EQ(host.selected.size(), 2u);
    EXPECT_EQ(host.selected.back(), nullptr); // outside: nothing framed

    panel.SetCurrentPage(cpZones);
    DoubleClick(panel.lbZones, station.site->FindZoneIndex(CornerId));
    EXPECT_EQ(host.selected.back(), host.zoneShapes[CornerId]);

    panel.SetCurrentPage(cpPasses);
    DoubleClick(panel.lbPasses, station.site->FindPass(10));
    EXPECT_EQ(host.selected.back(), station.officeDoor);

    panel.SetCurrentPage(cpEvents);
    const size_t before = host.selected.size();
    DoubleClick(panel.lbEvents, 0); // pass 0: nothing to show
    EXPECT_EQ(host.selected.size(), before);
    DoubleClick(panel.lbEvents, 1);
    ASSERT_EQ(host.selected.size(), before + 1);
    EXPECT_EQ(host.selected.back(), station.officeDoor);
    EXPECT_EQ(panel.CurrentPage(), cpEvents);

    // Persons in a zone lead nowhere.
    panel.SetCurrentPage(cpZones);
    Select(panel.lbZones, station.site->FindZoneIndex(StoreId));
    ASSERT_EQ(panel.PersInZoneModel().rowCount(), 1);
    DoubleClick(panel.lbPersInZone, 0);
    EXPECT_EQ(host.selected.size(), before + 1);
}

TEST_F(ControlPanelTest, OneWindowAtATimeFreshAfterClosing)
{
    EXPECT_EQ(fmControl, nullptr);
    QPointer<TfmControl> first = &Open();
    EXPECT_EQ(fmControl, first.data());
    EXPECT_EQ(first->windowTitle(), "Control");
    EXPECT_TRUE(first->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(first->size(), QSize(ControlWidth, ControlHeight));
    EXPECT_EQ(first->pcPages->tabText(cpEvents), "Events");
    EXPECT_EQ(&Open(), first.data());

    first->SetCurrentPage(cpEvents);
    first->close();
    EXPECT_EQ(fmControl, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    TfmControl& second = Open();
    EXPECT_EQ(second.CurrentPage(), cpZones);

    // The main window's selection of a door shows its pass row.
    second.ShowPassRow(station.site->FindPass(9));
    EXPECT_EQ(second.CurrentPage(), cpPasses);
    EXPECT_EQ(second.lbPassName->text(), "Pass 9");
    EXPECT_EQ(second.lbPassZoneTo->text(), "Office");
}

} // namespace
} // namespace doravo
