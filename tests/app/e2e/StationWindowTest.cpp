// The station as the operator uses it, offscreen: the main window over the
// bundled plan and settings, the control panel opened from its button, a
// door opened there, and what the journal, the panel's journal page and the
// plan show for it until the automatic close.
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "ControlLists.h"
#include "MainWindowSupport.h"
#include "fControl.h"

namespace doravo::testing {
namespace {

class StationWindowTest : public MainWindowFixture {
protected:
    TfmControl* ControlPanel() const
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* panel = dynamic_cast<TfmControl*>(widget); panel && panel->isVisible())
                return panel;
        return nullptr;
    }
    // A door of the shown page whose pass the site knows.
    TKestDoor* DoorOnShownPage()
    {
        for (TKestDoor* door : window->Doors())
            if (door->ParentScheme() == Panel().ActiveScheme() && site->FindPass(door->PassA()) >= 0)
                return door;
        return nullptr;
    }
    QImage Plan() { return window->Panel->grab().toImage(); }
    static void ClickRow(TSiteListView* list, int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    static QString LastRow(const TfmControl& panel)
    {
        const QAbstractItemModel* events = panel.lbEvents->model();
        return events->index(events->rowCount() - 1, 0).data().toString();
    }
};

TEST_F(StationWindowTest, OperatorOpensADoorFromTheControlPanelAndTheTimeoutClosesIt)
{
    // Only the operator moves anything; the lamps stand still for the pictures.
    site->tmMovements().SetEnabled(false);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->tmLamps->stop();
    TKestDoor* door = DoorOnShownPage();
    ASSERT_NE(door, nullptr);
    const int32_t pass = door->PassA();
    const std::string id = std::to_string(pass);
    ASSERT_EQ(door->DoorState(), dsClosed);

    QTest::mouseClick(window->sbtControl, Qt::LeftButton);
    TfmControl* panel = ControlPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    panel->pcPages->setCurrentIndex(cpPasses);
    ClickRow(panel->lbPasses, site->FindPass(pass));
    ASSERT_TRUE(panel->btnOpen->isEnabled());
    window->tmSelected->stop();
    QTest::qWait(50);
    const QImage closed = Plan();

    const size_t before = site->Events().size();
    QTest::mouseClick(panel->btnOpen, Qt::LeftButton);
    ASSERT_EQ(site->Events().size(), before + 1);
    EXPECT_EQ(site->Events().back().Text, "Door " + id + " opened by operator");
    EXPECT_EQ(site->Events().back().PassId, pass);
    EXPECT_EQ(site->Events().back().PersonId, 0);
    EXPECT_EQ(door->DoorState(), dsOpened);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !door->Animating(); }, 3000));
    QTest::qWait(50);
    EXPECT_NE(Plan(), closed) << "the opened door does not show on the plan";

    panel->pcPages->setCurrentIndex(cpEvents);
    EXPECT_EQ(LastRow(*panel), QString::fromStdString("Door " + id + " opened by operator"));

    // Three to four seconds later the automatic close takes it back.
    clock.Advance(2000);
    EXPECT_EQ(door->DoorState(), dsOpened);
    clock.Advance(2000);
    EXPECT_EQ(door->DoorState(), dsClosed);
    EXPECT_EQ(site->Events().back().Text, "Door " + id + " closed by timeout");
    EXPECT_EQ(site->Events().back().PersonId, -1);
    QTest::qWait(0);
    EXPECT_EQ(LastRow(*panel), QString::fromStdString("Door " + id + " closed by timeout"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !door->Animating(); }, 3000));
    QTest::qWait(50);
    EXPECT_EQ(Plan(), closed) << "the closed door does not look as before";
    panel->close();
}

} // namespace
} // namespace doravo::testing
