// Person card windows: placement above the door, the content for persons,
// the operator and unknown passes, the colours of passage and alarm, reuse
// per door keeping a dragged position, closing, and the cards the door
// operations show through them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include "ControlTestSupport.h"
#include "fPersCard.h"

namespace doravo {
namespace {

using namespace doravo::testing;

// Records the in-plan card calls handed on by the card windows.
struct TInPlanLog : TDoorCards {
    std::vector<std::string> calls;
    void ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor*, bool alarm) override
    {
        calls.push_back("show " + std::to_string(passId) + " " + std::to_string(actor) + (alarm ? " alarm" : ""));
    }
    void RemoveInPlanCard(TKestDoor*) override { calls.push_back("remove"); }
    void ShowCardWindow(int32_t, int32_t, TKestDoor*, bool) override { calls.push_back("window"); }
    void HideCardWindow(TKestDoor*) override { calls.push_back("hide"); }
};

class PersonCardTest : public ::testing::Test {
protected:
    PersonCardTest()
        : cards(*station.site, [this](const TKestDoor* door) { return doorRects.at(door); })
    {
        doorRects[station.hallDoor] = QRect(200, 300, 23, 40);
        doorRects[station.officeDoor] = QRect(400, 150, 131, 20);
    }
    static QColor Pixel(QWidget* window, int x, int y) { return window->grab().toImage().pixelColor(x, y); }
    static QColor Bgr(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }
    static void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)),
            type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    TStation station;
    std::map<const TKestDoor*, QRect> doorRects;
    TCardWindows cards;
};

TEST_F(PersonCardTest, CardSitsCentredAboveTheDoorAndShowsThePerson)
{
    cards.ShowCardWindow(7, AnnId, station.hallDoor, false);
    ASSERT_EQ(cards.Windows().size(), 1u);
    TfmPersonCard* card = cards.Windows()[0];
    EXPECT_TRUE(card->isVisible());
    EXPECT_TRUE(card->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(card->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(card->size(), QSize(CardWidth, CardHeight));
    // (124 − 23) / 2 = 50 (truncated); the bottom 5 pixels above the door.
    EXPECT_EQ(card->pos(), QPoint(150, 240));
    EXPECT_EQ(card->Door(), station.hallDoor);
    EXPECT_EQ(card->lbCaption->text(), "Pass 7");
    EXPECT_EQ(card->lbPersonId->text(), "11");
    EXPECT_EQ(card->lbFirstName->text(), "Ann");
    EXPECT_EQ(card->lbLastName->text(), "Lee");

    // A door wider than the card: (124 − 131) / 2 truncates toward zero to −3.
    cards.ShowCardWindow(9, TomId, station.officeDoor, false);
    ASSERT_EQ(cards.Windows().size(), 2u);
    EXPECT_EQ(cards.Windows()[1]->pos(), QPoint(403, 90));
    EXPECT_EQ(cards.FindCardWindow(station.officeDoor), cards.Windows()[1]);
}

TEST_F(PersonCardTest, OperatorUnknownPassAndAlarmColours)
{
    cards.ShowCardWindow(7, 0, station.hallDoor, false);
    TfmPersonCard* card = cards.Windows()[0];
    EXPECT_EQ(card->lbPersonId->text(), "0");
    EXPECT_EQ(card->lbFirstName->text(), "[unknown]");
    EXPECT_EQ(card->lbLastName->text(), "[unknown]");

    // Background rows alternate the two tile colours; the title bar has its own.
    const TCardColors& normal = CardColors(false);
    EXPECT_EQ(Pixel(card, 110, 44), Bgr(normal.Even));
    EXPECT_EQ(Pixel(card, 110, 45), Bgr(normal.Odd));
    EXPECT_EQ(Pixel(card, 105, 9), Bgr(normal.Title));

    // The same door again, refused: the window turns red in place.
    cards.ShowCardWindow(99, -1, station.hallDoor, true);
    ASSERT_EQ(cards.Windows().size(), 1u);
    EXPECT_EQ(cards.Windows()[0], card);
    EXPECT_TRUE(card->Alarm());
    EXPECT_EQ(card->lbCaption->text(), "[unknown pass]");
    EXPECT_EQ(card->lbPersonId->text(), "-1");
    const TCardColors& alarm = CardColors(true);
    EXPECT_EQ(Pixel(card, 110, 44), Bgr(alarm.Even));
    EXPECT_EQ(Pixel(card, 110, 45), Bgr(alarm.Odd));
    EXPECT_EQ(Pixel(card, 105, 9), Bgr(alarm.Title));
    EXPECT_NE(Bgr(alarm.Title), Bgr(normal.Title));
}

TEST_F(PersonCardTest, DraggedCardKeepsItsPlaceForTheNextPassage)
{
    cards.ShowCardWindow(7, AnnId, station.hallDoor, false);
    TfmPersonCard* card = cards.Windows()[0];
    const QPoint start = card->pos();
    // Grab the card by its first-name label and pull it 30 right, 70 down.
    const QPoint grip(40, 25);
    SendMouse(card->lbFirstName, QEvent::MouseButtonPress, grip - card->lbFirstName->pos(), Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(30, 70)), QPointF(start + grip + QPoint(30, 70)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(card, &move);
    SendMouse(card, QEvent::MouseButtonRelease, grip + QPoint(30, 70), Qt::NoButton);
    EXPECT_EQ(card->pos(), start + QPoint(30, 70));
    // Released: further moves leave it alone.
    QMouseEvent stray(QEvent::MouseMove, QPointF(0, 0), QPointF(0, 0), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(card, &stray);
    EXPECT_EQ(card->pos(), start + QPoint(30, 70));

    cards.ShowCardWindow(8, TomId, station.hallDoor, false);
    ASSERT_EQ(cards.Windows().size(), 1u);
    EXPECT_EQ(cards.Windows()[0], card);
    EXPECT_EQ(card->pos(), start + QPoint(30, 70));
    EXPECT_EQ(card->lbFirstName->text(), "Tom");
    EXPECT_EQ(card->PassId(), 8);
}

TEST_F(PersonCardTest, ClosingTakesCardsOutOfTheListAndFreesThem)
{
    cards.ShowCardWindow(7, AnnId, station.hallDoor, false);
    cards.ShowCardWindow(9, TomId, station.officeDoor, false);
    QPointer<TfmPersonCard> hall = cards.Windows()[0], office = cards.Windows()[1];

    QTest::mouseClick(hall->sbClose, Qt::LeftButton);
    ASSERT_EQ(cards.Windows().size(), 1u);
    EXPECT_EQ(cards.FindCardWindow(station.hallDoor), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(hall.isNull());

    // A fresh card for the door is placed above it again.
    cards.ShowCardWindow(7, AnnId, station.hallDoor, false);
    EXPECT_EQ(cards.Windows().back()->pos(), QPoint(150, 240));
    cards.HideCardWindow(station.officeDoor);
    cards.HideCardWindow(station.officeDoor); // none left: nothing happens
    EXPECT_EQ(cards.Windows().size(), 1u);
    cards.ShowCardWindow(9, TomId, station.officeDoor, false);
    QPointer<TfmPersonCard> last = cards.Windows().back();
    cards.HideAllCardWindows();
    EXPECT_TRUE(cards.Windows().empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(office.isNull());
    EXPECT_TRUE(last.isNull());

    // Cards still open when the list goes are freed with it.
    QPointer<TfmPersonCard> survivor;
    {
        TCardWindows scoped(*station.site, [](const TKestDoor*) { return QRect(0, 0, 10, 10); });
        scoped.ShowCardWindow(7, AnnId, station.hallDoor, false);
        survivor = scoped.Windows()[0];
    }
    EXPECT_TRUE(survivor.isNull());
}

TEST_F(PersonCardTest, DoorOperationsShowAndHideCardWindows)
{
    TInPlanLog inPlan;
    cards.SetInPlanCards(&inPlan);
    station.doors->SetCards(&cards);
    AppOptions.ShowPersonsCards = true;
    AppOptions.ShowCardsInKest = false;

    ASSERT_TRUE(station.doors->DoorPass(7, AnnId, true));
    ASSERT_EQ(cards.Windows().size(), 1u);
    EXPECT_EQ(cards.Windows()[0]->lbFirstName->text(), "Ann");
    EXPECT_FALSE(cards.Windows()[0]->Alarm());
    station.doors->DoorPass(7, -1, false);
    EXPECT_TRUE(cards.Windows().empty());

    // A refusal shows a red card even with person cards off.
    AppOptions.ShowPersonsCards = false;
    station.doors->DoorBlock(9, true);
    EXPECT_FALSE(station.doors->DoorPass(9, TomId, true));
    ASSERT_EQ(cards.Windows().size(), 1u);
    EXPECT_TRUE(cards.Windows()[0]->Alarm());
    EXPECT_EQ(cards.Windows()[0]->lbCaption->text(), "Pass 9");
    EXPECT_TRUE(inPlan.calls.empty());

    // In-plan cards are handed on.
    AppOptions.ShowPersonsCards = true;
    AppOptions.ShowCardsInKest = true;
    station.doors->DoorPass(8, 0, true);
    station.doors->DoorPass(8, 0, false);
    EXPECT_EQ(inPlan.calls, (std::vector<std::string> {"show 8 0", "remove"}));
    station.doors->SetCards(nullptr);
}

TEST_F(PersonCardTest, PanelDoorRectFollowsScaleOriginAndWindowPlace)
{
    kest::TKestPanel& panel = station.panel;
    panel.resize(400, 300);
    panel.move(100, 50);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    TKestDoor* door = station.hallDoor;
    // The door keeps its own size; it is placed at (10, 20) pixels at 100 %.
    door->SetDocRect({10000, 20000, 30000, 60000});
    const kest::TKestRect doc = door->DocRect();
    ASSERT_EQ(doc.Left, 10000);
    panel.SetScale(200);
    const QPoint viewport = panel.viewport()->mapToGlobal(QPoint(0, 0));
    const QRect rect = TCardWindows::PanelDoorRect(panel, door);
    EXPECT_EQ(rect.topLeft() - viewport, QPoint(20 - panel.OriginX(), 40 - panel.OriginY()));
    EXPECT_EQ(rect.size(), QSize((doc.Right - doc.Left) / 500, (doc.Bottom - doc.Top) / 500));
}

} // namespace
} // namespace doravo
