// In-plan person cards: copies of the plan's template filled for persons,
// the operator and refusals, remembered positions, and the card windows the
// main window hands the door operations.
#include "KestError.h"
#include "MainWindowSupport.h"

namespace doravo::testing {
namespace {

using kest::TKestControl;

class CardsTest : public MainWindowFixture {
protected:
    CardsTest()
    {
        AppOptions.ShowPersonsCards = true;
        AppOptions.ShowCardsInKest = true;
        AppOptions.Emulation = true;
        window->ApplyOptions();
        site->tmMovements().SetEnabled(false); // nobody walks on their own
        const TPassRec& pass = site->Passes()[0];
        passId = pass.Id;
        door = window->PlanDoors().FindDoorByPass(passId);
    }

    static std::string TextOf(TKestControl* card, const char* name)
    {
        auto* text = dynamic_cast<kest::TKestText*>(card->FindByName(name));
        return text ? text->Text() : "<missing " + std::string(name) + ">";
    }
    static kest::TColor TitleColor(TKestControl* card)
    {
        return dynamic_cast<kest::TBrushProp*>(card->FindByName("Title")->Props().PropByName("Brush"))->Color();
    }
    static QImage BackgroundOf(TKestControl* card)
    {
        auto* picture = dynamic_cast<kest::TKestPicture*>(card->FindByName("Background"));
        return picture && picture->Picture()->Graphic() ? picture->Picture()->Graphic()->ToImage() : QImage();
    }

    int32_t passId = 0;
    TKestDoor* door = nullptr;
};

TEST_F(CardsTest, APassagePlacesAFilledCardAboveTheDoor)
{
    ASSERT_NE(door, nullptr);
    const TPersonRec& person = site->Persons()[0];
    window->PlanDoors().DoorPass(passId, person.Id, true);
    TKestCard* card = window->InPlanCards().Find(door);
    ASSERT_NE(card, nullptr);
    TKestControl* control = card->Control();
    ASSERT_NE(control, nullptr);
    EXPECT_NE(control, Panel().FindControlByName("Card")); // a copy, not the template
    EXPECT_EQ(control->Name(), CopyName);
    EXPECT_EQ(control->ParentScheme(), door->ParentScheme());
    EXPECT_EQ(control->Layer()->Name(), "Cards");
    EXPECT_EQ(control->UserData().GetValueByName("Type"), "Card");
    EXPECT_EQ(TextOf(control, "Caption"), site->Passes()[0].Name);
    EXPECT_EQ(TextOf(control, "FirstName"), person.FirstName);
    EXPECT_EQ(TextOf(control, "LastName"), person.LastName);
    EXPECT_EQ(TextOf(control, "Id"), std::to_string(person.Id));
    EXPECT_EQ(TitleColor(control), 0x65B860u);
    const QImage tile = BackgroundOf(control);
    ASSERT_EQ(tile.size(), QSize(1, 2));
    EXPECT_EQ(tile.pixelColor(0, 0), kest::ColorToQColor(0x92D4A7));
    EXPECT_EQ(tile.pixelColor(0, 1), kest::ColorToQColor(0x65B860));
    // Centred over the door, its bottom 3 px above it, and remembered.
    EXPECT_EQ(control->Left(), door->Left() + (door->Width() - control->Width()) / 2);
    EXPECT_EQ(control->Top() + control->Height(), door->Top() - kest::PixelToDoc(InPlanCardGap));
    EXPECT_EQ(door->UserData().GetValueByName("CardLeft"), std::to_string(control->Left()));
    EXPECT_EQ(door->UserData().GetValueByName("CardTop"), std::to_string(control->Top()));

    // The next passage updates the same card; the close removes it with its copy.
    window->PlanDoors().DoorPass(passId, 0, true);
    ASSERT_EQ(window->InPlanCards().Cards().size(), 1u);
    EXPECT_EQ(window->InPlanCards().Find(door)->Control(), control);
    EXPECT_EQ(TextOf(control, "LastName"), "OPERATOR");
    EXPECT_EQ(TextOf(control, "FirstName"), "");
    EXPECT_EQ(TextOf(control, "Id"), "");
    window->PlanDoors().DoorPass(passId, 0, false);
    EXPECT_EQ(window->InPlanCards().Find(door), nullptr);
    int copies = 0;
    Panel().Schemes()->ForEach([&](TKestControl* c) {
        copies += c->UserData().GetValueByName("Type") == "Card";
        return true;
    });
    EXPECT_EQ(copies, 1); // the template alone
}

TEST_F(CardsTest, AnUnknownPersonAndPassShowPlaceholders)
{
    window->ShowInPlanCard(987654, 424242, door, false);
    TKestControl* control = window->InPlanCards().Find(door)->Control();
    EXPECT_EQ(TextOf(control, "Caption"), "[unknown pass]");
    EXPECT_EQ(TextOf(control, "FirstName"), "<unknown>");
    EXPECT_EQ(TextOf(control, "LastName"), "<unknown>");
    EXPECT_EQ(TextOf(control, "Id"), "424242");
    EXPECT_THROW(TKestCard(window->InPlanCards(), passId, 1, nullptr, false), kest::EKestError);
    try {
        TKestCard card(window->InPlanCards(), passId, 1, nullptr, false);
    } catch (const kest::EKestError& e) {
        EXPECT_STREQ(e.what(), "Error card create");
    }
    EXPECT_EQ(window->InPlanCards().Cards().size(), 1u);
}

TEST_F(CardsTest, ARefusalShowsARedCardEvenWithCardsOff)
{
    AppOptions.ShowPersonsCards = false;
    window->ApplyOptions();
    site->tmMovements().SetEnabled(false);
    window->PlanDoors().DoorBlock(passId, true);
    EXPECT_FALSE(window->PlanDoors().DoorPass(passId, site->Persons()[1].Id, true));
    TKestCard* card = window->InPlanCards().Find(door);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->Alarm());
    EXPECT_EQ(TitleColor(card->Control()), 0x9090EBu);
    const QImage tile = BackgroundOf(card->Control());
    EXPECT_EQ(tile.pixelColor(0, 0), kest::ColorToQColor(0xB2B2F1));
    EXPECT_EQ(tile.pixelColor(0, 1), kest::ColorToQColor(0x9090EB));
    auto* frame = dynamic_cast<kest::TPenProp*>(card->Control()->FindByName("Frame")->Props().PropByName("Pen"));
    EXPECT_EQ(frame->Color(), 0x3232B3u);
}

TEST_F(CardsTest, ADraggedCardReappearsWhereItWasPut)
{
    window->PlanDoors().DoorPass(passId, site->Persons()[0].Id, true);
    TKestControl* control = window->InPlanCards().Find(door)->Control();
    // A click on the card hands it to the panel to drag; moving it stores the place.
    window->PanelMouseDown(Qt::LeftButton, control, control->Controls(0));
    EXPECT_EQ(Panel().ToolMode(), kest::TKestPanel::tmMoving);
    EXPECT_TRUE(Panel().IsSelected(control));
    const int32_t left = control->Left() + 37000, top = control->Top() - 21000;
    control->SetLeft(left);
    control->SetTop(top);
    Panel().SetToolMode(kest::TKestPanel::tmNormal);
    // Moves outside the drag are not remembered.
    control->SetLeft(left + 5000);

    window->PlanDoors().DoorPass(passId, 0, false);
    ASSERT_EQ(window->InPlanCards().Find(door), nullptr);
    window->PlanDoors().DoorPass(passId, site->Persons()[2].Id, true);
    TKestControl* again = window->InPlanCards().Find(door)->Control();
    EXPECT_EQ(again->Left(), left);
    EXPECT_EQ(again->Top(), top);
}

TEST_F(CardsTest, CardWindowsWhenCardsAreWindows)
{
    AppOptions.ShowCardsInKest = false;
    window->ApplyOptions();
    site->tmMovements().SetEnabled(false);
    Panel().SetActiveScheme(door->ParentScheme());
    window->PlanDoors().DoorPass(passId, 0, true);
    EXPECT_TRUE(window->InPlanCards().Cards().empty());
    TfmPersonCard* card = window->CardWindows().FindCardWindow(door);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->PersonId(), 0);
    // Options and page changes take card windows away.
    window->tbMain->setCurrentIndex(window->TabIndex() == 1 ? 0 : 1);
    EXPECT_EQ(window->CardWindows().FindCardWindow(door), nullptr);
}

TEST_F(CardsTest, ClosingTheWindowRemovesEveryCard)
{
    window->PlanDoors().DoorPass(passId, 0, true);
    ASSERT_EQ(window->InPlanCards().Cards().size(), 1u);
    window->close();
    EXPECT_TRUE(window->InPlanCards().Cards().empty());
    EXPECT_FALSE(site->tmMovements().Enabled());
}

} // namespace
} // namespace doravo::testing
