// The main window over the bundled plan: what start-up finds, pages and
// tabs, zoom limits, the hover highlight and captions, clicks, the selection
// frame and the lamps.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "MainWindowSupport.h"
#include "PlanMarks.h"
#include "fControl.h"

namespace doravo::testing {
namespace {

using kest::TKestControl;

using MainWindowTest = MainWindowFixture;

kest::TBrushProp* BrushOf(TKestControl* c)
{
    return dynamic_cast<kest::TBrushProp*>(c->Props().PropByName("Brush"));
}

// Brush, pen and font colours of a subtree, in walk order.
std::vector<kest::TColor> Colors(TKestControl* root)
{
    std::vector<kest::TColor> colors;
    root->ForEach([&](TKestControl* c) {
        if (auto* b = BrushOf(c))
            colors.push_back(b->Color());
        if (auto* p = dynamic_cast<kest::TPenProp*>(c->Props().PropByName("Pen")))
            colors.push_back(p->Color());
        if (auto* f = dynamic_cast<kest::TFontProp*>(c->Props().PropByName("Font")))
            colors.push_back(f->Color());
        return true;
    });
    return colors;
}

TEST_F(MainWindowTest, StartUpFindsTheNamedObjectsOfThePlan)
{
    EXPECT_EQ(int(window->Doors().size()), ObjectsInFile("Door"));
    EXPECT_EQ(int(window->Lamps().size()), ObjectsInFile("Lamp"));
    EXPECT_EQ(int(window->ZoneCaptions().size()), ObjectsInFile("ZoneName"));
    ASSERT_GT(window->Doors().size(), 0u);
    ASSERT_GT(window->Lamps().size(), 0u);

    int zoneShapes = 0;
    Panel().Schemes()->ForEach([&](TKestControl* c) {
        zoneShapes += c->UserData().IndexOfName("ZoneID") >= 0 && c->UserData().IndexOfName("Level") >= 0;
        return true;
    });
    EXPECT_EQ(int(window->ZoneShapes().size()), zoneShapes);
    for (TKestDoor* door : window->Doors())
        EXPECT_EQ(door->DoorState(), dsClosed);
    for (size_t i = 1; i < window->Lamps().size(); ++i)
        EXPECT_LE(window->Lamps()[i - 1]->Tag(), window->Lamps()[i]->Tag());
    for (TKestControl* caption : window->ZoneCaptions()) {
        const int32_t id = std::stoi(caption->UserData().GetValueByName("ZoneID"));
        EXPECT_EQ(caption->Tag(), id);
        const TZoneRec* zone = site->FindZone(id);
        ASSERT_NE(zone, nullptr) << id;
        EXPECT_EQ(static_cast<kest::TKestText*>(caption)->Text(), zone->Name);
        EXPECT_TRUE(caption->Visible()); // the bundled settings show all captions
    }
    ASSERT_NE(window->Credits(), nullptr);
    EXPECT_EQ(window->Credits()->Name(), "Copyright");
    EXPECT_EQ(window->Credits()->Hint(), kest::TStrings {"About"});
    ASSERT_NE(window->ZoneNamesLayer(), nullptr);
    EXPECT_FALSE(window->ZoneNamesLayer()->Selectable());
    EXPECT_FALSE(Panel().FindControlByName("Building", Panel().Layers())->Selectable());
    EXPECT_EQ(site->Events().back().Text, "System online");
    EXPECT_TRUE(window->PlanDoors().tmTimeOuts().Enabled());
    EXPECT_TRUE(site->tmMovements().Enabled());
    EXPECT_TRUE(window->tmLamps->isActive());
    EXPECT_EQ(window->TabIndex(), 0);
    EXPECT_EQ(Panel().ActiveScheme()->Name(), "MainPlan");
    EXPECT_EQ(window->PlanDoors().FindDoorByPass(site->Passes()[0].Id)->PassA() == site->Passes()[0].Id
            || window->PlanDoors().FindDoorByPass(site->Passes()[0].Id)->PassB() == site->Passes()[0].Id,
        true);
}

TEST_F(MainWindowTest, PagesSelectTheirTabAndMarkTheFloorButton)
{
    kest::TKestCustomScheme* floor1 = Scheme("AdmFloor1");
    ASSERT_NE(floor1, nullptr);
    TKestControl* button1 = Panel().FindControlByName("BtnFloor1", floor1);
    ASSERT_NE(button1, nullptr);
    const std::vector<kest::TColor> normal = Colors(button1);

    Panel().SetActiveScheme(floor1); // as following a link does
    EXPECT_EQ(window->TabIndex(), 2);
    EXPECT_EQ(window->tbMain->currentIndex(), 2);
    EXPECT_EQ(window->FloorButton(), button1);
    std::vector<kest::TColor> marked;
    for (kest::TColor c : normal)
        marked.push_back(HighlightColor(hkFloor, c, true));
    EXPECT_EQ(Colors(button1), marked);
    EXPECT_NE(marked, normal);

    window->tbMain->setCurrentIndex(4);
    EXPECT_EQ(Panel().ActiveScheme()->Name(), "TechGrandFloor");
    EXPECT_EQ(Colors(button1), normal);
    EXPECT_EQ(window->FloorButton()->Name(), "BtnGrand");
    EXPECT_EQ(window->FloorButton()->ParentScheme()->Name(), "TechGrandFloor");

    window->tbMain->setCurrentIndex(0);
    EXPECT_EQ(Panel().ActiveScheme()->Name(), "MainPlan");
    EXPECT_EQ(window->FloorButton(), nullptr);

    kest::TKestCustomScheme* templates = Scheme("Templates");
    ASSERT_NE(templates, nullptr);
    Panel().SetActiveScheme(templates);
    EXPECT_EQ(window->TabIndex(), -1);
}

TEST_F(MainWindowTest, ZoomButtonsStopAt400And50Percent)
{
    Panel().SetScale(100);
    window->sbtZoomIn->click();
    EXPECT_EQ(Panel().Scale(), 200);
    EXPECT_TRUE(window->sbtZoomIn->isEnabled());
    window->sbtZoomIn->click();
    EXPECT_EQ(Panel().Scale(), 400);
    EXPECT_FALSE(window->sbtZoomIn->isEnabled());
    EXPECT_TRUE(window->sbtZoomOut->isEnabled());
    window->ZoomOut();
    window->ZoomOut();
    window->ZoomOut();
    EXPECT_EQ(Panel().Scale(), 50);
    EXPECT_FALSE(window->sbtZoomOut->isEnabled());
    EXPECT_TRUE(window->sbtZoomIn->isEnabled());
}

TEST_F(MainWindowTest, HoverOverAZoneSwapsItsGreenAndShowsOnlyItsCaption)
{
    AppOptions.ShowZoneCaptions = 1;
    window->ApplyOptions();
    for (TKestControl* caption : window->ZoneCaptions())
        ASSERT_FALSE(caption->Visible());
    TKestControl* zone = nullptr;
    for (TKestControl* shape : window->ZoneShapes())
        if (shape->ParentScheme() == Panel().ActiveScheme() && BrushOf(shape)) {
            zone = shape;
            break;
        }
    ASSERT_NE(zone, nullptr);
    BrushOf(zone)->SetColor(0x80FF80);
    const int32_t id = std::stoi(zone->UserData().GetValueByName("ZoneID"));

    window->HoverOver(zone);
    EXPECT_EQ(window->HoverKind(), hkZone);
    EXPECT_EQ(BrushOf(zone)->Color(), 0x80FFFFu);
    int shown = 0;
    for (TKestControl* caption : window->ZoneCaptions()) {
        EXPECT_EQ(caption->Visible(), caption->Tag() == id);
        shown += caption->Visible();
    }
    EXPECT_GE(shown, 1);
    const TZoneRec* record = site->FindZone(id);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(
        window->sbMain->currentMessage(), QString("Zone %1: %2").arg(id).arg(QString::fromStdString(record->Name)));

    window->HoverOver(nullptr);
    EXPECT_EQ(BrushOf(zone)->Color(), 0x80FF80u);
    for (TKestControl* caption : window->ZoneCaptions())
        EXPECT_FALSE(caption->Visible());
    EXPECT_TRUE(window->sbMain->currentMessage().isEmpty());
}

TEST_F(MainWindowTest, HoverOverTheCreditsUnderlinesAndAClickOpensAbout)
{
    TKestControl* credits = window->Credits();
    auto* font = dynamic_cast<kest::TFontProp*>(credits->Props().PropByName("Font"));
    ASSERT_NE(font, nullptr);
    const kest::TFontStyles style = font->Style();
    window->HoverOver(credits);
    EXPECT_EQ(window->HoverKind(), hkCredits);
    EXPECT_TRUE(font->Style() & kest::fsUnderline);
    window->PanelMouseDown(Qt::LeftButton, credits, credits);
    EXPECT_EQ(aboutShown, 1);
    EXPECT_EQ(window->HoverObject(), nullptr);
    EXPECT_EQ(font->Style(), style);
}

TEST_F(MainWindowTest, TheMouseOverThePanelHighlightsAndClicksThroughThePanel)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    TKestControl* credits = window->Credits();
    const kest::TKestRect r = Panel().TransformRect(credits->DocRect());
    const QPoint at((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    QTest::mouseMove(Panel().viewport(), at);
    EXPECT_EQ(Panel().MouseControl(), credits);
    EXPECT_EQ(window->HoverObject(), credits);
    EXPECT_EQ(window->HoverKind(), hkCredits);
    QTest::mouseClick(Panel().viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(aboutShown, 1);
    // Away from every candidate the highlight goes.
    QTest::mouseMove(Panel().viewport(), QPoint(2, Panel().viewport()->height() - 2));
    EXPECT_NE(window->HoverObject(), credits);
}

TEST_F(MainWindowTest, ClicksSelectZonesAndDoorsWithACrawlingFrame)
{
    TKestDoor* door = nullptr;
    for (TKestDoor* d : window->Doors())
        if (d->ParentScheme() != Panel().ActiveScheme())
            door = d;
    ASSERT_NE(door, nullptr);
    window->Select(door);
    EXPECT_EQ(window->SelectedObject(), door);
    EXPECT_EQ(Panel().ActiveScheme(), door->ParentScheme());
    EXPECT_TRUE(window->tmSelected->isActive());
    const QRegion frame = window->SelectionFrame();
    EXPECT_FALSE(frame.isEmpty());
    const kest::TKestRect r = Panel().TransformRect(door->DocRect());
    EXPECT_TRUE(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top).contains(frame.boundingRect()));

    const int phase = window->FramePhase();
    window->SelectedTick();
    EXPECT_EQ(window->FramePhase(), (phase + 7) % 8);

    window->tbMain->setCurrentIndex(window->TabIndex() == 0 ? 1 : 0);
    EXPECT_FALSE(window->tmSelected->isActive()); // the door is not on this page

    // A right click, or a click on nothing, clears the frame.
    window->PanelMouseDown(Qt::RightButton, door, door);
    EXPECT_EQ(window->SelectedObject(), nullptr);
    TKestControl* zone = window->ZoneShapes().front();
    window->PanelMouseDown(Qt::LeftButton, zone, zone);
    EXPECT_EQ(window->SelectedObject(), zone);
    window->PanelMouseDown(Qt::LeftButton, nullptr, nullptr);
    EXPECT_EQ(window->SelectedObject(), nullptr);
}

TEST_F(MainWindowTest, DoubleClickOnAZoneInTheControlPanelShowsItsPageAndFramesIt)
{
    TfmControl* control = ShowControlPanel(*site, *window);
    ASSERT_NE(control, nullptr);
    // A zone whose first shape lies on another page than the shown one.
    int row = -1;
    TKestControl* shape = nullptr;
    for (size_t i = 0; i < site->Zones().size() && row < 0; ++i) {
        shape = window->FindZoneShape(site->Zones()[i].Id);
        if (shape && shape->ParentScheme() != Panel().ActiveScheme())
            row = int(i);
    }
    ASSERT_GE(row, 0);
    control->SetCurrentPage(cpZones);
    auto* list = control->lbZones;
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    const QPoint at = list->visualRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(window->SelectedObject(), shape);
    EXPECT_EQ(Panel().ActiveScheme(), shape->ParentScheme());
    EXPECT_TRUE(window->tmSelected->isActive());
    control->close();
}

TEST_F(MainWindowTest, SelectingOnThePlanPicksTheRowInTheControlPanel)
{
    TfmControl* control = ShowControlPanel(*site, *window);
    TKestDoor* door = window->Doors().back();
    window->Select(door);
    EXPECT_EQ(control->CurrentPage(), cpPasses);
    EXPECT_EQ(control->lbPasses->currentIndex().row(), site->FindPass(door->PassA()));
    EXPECT_EQ(control->lbPassName->text().toStdString(), site->Passes()[size_t(site->FindPass(door->PassA()))].Name);

    TKestControl* zone = window->ZoneShapes().back();
    window->Select(zone);
    const int32_t id = std::stoi(zone->UserData().GetValueByName("ZoneID"));
    EXPECT_EQ(control->CurrentPage(), cpZones);
    EXPECT_EQ(control->lbZones->currentIndex().row(), site->FindZoneIndex(id));
    control->close();
}

TEST_F(MainWindowTest, BuildingLinksOnTheMainPlanSayWhereTheyLead)
{
    TKestControl* link = Panel().FindControlByName("Administrate", Scheme("MainPlan"));
    ASSERT_NE(link, nullptr);
    ASSERT_NE(link->Reference(), nullptr);
    const std::vector<kest::TColor> normal = Colors(link);
    window->HoverOver(link);
    EXPECT_EQ(window->HoverKind(), hkBuilding);
    EXPECT_EQ(window->sbMain->currentMessage(), "Go to Administrative building plans");
    EXPECT_EQ(link->Hint(), kest::TStrings {"Go to Administrative building plans"});
    std::vector<kest::TColor> lit;
    for (kest::TColor c : normal)
        lit.push_back(HighlightColor(hkBuilding, c, true));
    EXPECT_EQ(Colors(link), lit);
    window->ClearHover();
    EXPECT_EQ(Colors(link), normal);
    // A link on another page is kind 2.
    TKestControl* siteLink = Panel().FindControlByName("BtnSitePlan", Scheme("AdmFloor1"));
    ASSERT_NE(siteLink, nullptr);
    Panel().SetActiveScheme(Scheme("AdmFloor1"));
    window->HoverOver(siteLink);
    EXPECT_EQ(window->HoverKind(), hkLink);
    EXPECT_TRUE(window->sbMain->currentMessage().isEmpty());
}

TEST_F(MainWindowTest, LampsRunAndFlashByPhase)
{
    static const kest::TColor Running[6] = {0x0000FF, 0x002AFF, 0x0064FF, 0x009CFF, 0x00D5FF, 0x00FFFF};
    AppOptions.LampsEffect = 1;
    for (int tick = 0; tick < 7; ++tick) {
        const int before = window->LampPhase();
        window->LampsTick();
        const int phase = window->LampPhase();
        EXPECT_EQ(phase, before == 0 ? 5 : before - 1);
        for (size_t i = 0; i < window->Lamps().size(); ++i)
            ASSERT_EQ(BrushOf(window->Lamps()[i])->Color(), Running[(size_t(phase) + i) % 6]) << i;
    }
    AppOptions.LampsEffect = 2;
    window->LampsTick();
    for (size_t i = 0; i < window->Lamps().size(); ++i)
        EXPECT_EQ(BrushOf(window->Lamps()[i])->Color(), (size_t(window->LampPhase()) + i) % 2 ? 0xFFFF00u : 0x800000u);
    AppOptions.LampsEffect = 0;
    window->ApplyOptions();
    EXPECT_FALSE(window->tmLamps->isActive());
    EXPECT_FALSE(Panel().FindControlByName("Lamps", Panel().Layers())->Visible());
}

TEST_F(MainWindowTest, AltPansAndF1OpensAbout)
{
    QTest::keyPress(&Panel(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(Panel().ToolMode(), kest::TKestPanel::tmPan);
    QTest::keyRelease(&Panel(), Qt::Key_Alt);
    EXPECT_EQ(Panel().ToolMode(), kest::TKestPanel::tmNormal);
    QTest::keyClick(&Panel(), Qt::Key_F1);
    EXPECT_EQ(aboutShown, 1);
}

TEST_F(MainWindowTest, OptionsButtonAppliesAndSavesOnOkEvenUnchanged)
{
    AppOptions.ShowZoneCaptions = 0;
    AppOptions.Emulation = false;
    AppOptions.LampsEffect = 0;
    const QString ini = QString::fromStdString(site->Settings().FileName());
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(AcceptOptions());
    EXPECT_FALSE(Panel().FindControlByName("ZoneNames", Panel().Layers())->Visible());
    EXPECT_FALSE(Panel().FindControlByName("Lamps", Panel().Layers())->Visible());
    EXPECT_FALSE(site->tmMovements().Enabled());
    // OK writes the options even though nothing was changed in the dialog.
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("ShowZoneCaptions=0")) << text.left(400).constData();
    EXPECT_TRUE(text.contains("LampsEffect=0")) << text.left(400).constData();
}

TEST_F(MainWindowTest, OptionsThatCannotBeSavedAreSaidOnceInTheJournalAndKeptInMemory)
{
    // A folder where the settings file was fails the save even for root.
    const QString ini = QString::fromStdString(site->Settings().FileName());
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(QDir().mkpath(ini + "/inside"));
    auto failures = [this] {
        return std::count_if(site->Events().begin(), site->Events().end(), [](const TEventRec& e) {
            return e.Text.rfind("Options kept until exit only: Settings file", 0) == 0;
        });
    };
    AppOptions.LampsEffect = 0;
    ASSERT_TRUE(AcceptOptions());
    ASSERT_EQ(failures(), 1);
    EXPECT_NE(site->Events().back().Text.find("could not be written"), std::string::npos)
        << site->Events().back().Text;
    EXPECT_EQ(site->Events().back().PersonId, 0);
    EXPECT_EQ(AppOptions.LampsEffect, 0);
    EXPECT_FALSE(Panel().FindControlByName("Lamps", Panel().Layers())->Visible());
    ASSERT_TRUE(AcceptOptions());
    EXPECT_EQ(failures(), 1);
    EXPECT_TRUE(QFileInfo(ini).isDir());

    // Once the file can be written again the options reach it, and a later
    // failure is said again.
    ASSERT_TRUE(QDir(ini).removeRecursively());
    ASSERT_TRUE(AcceptOptions());
    EXPECT_EQ(failures(), 1);
    EXPECT_TRUE(ReadText(ini.toStdString()).find("LampsEffect=0") != std::string::npos);
    site->Settings().SetWriter([](const std::string&, std::string_view, std::string& error) {
        error = "disk full";
        return false;
    });
    ASSERT_TRUE(AcceptOptions());
    EXPECT_EQ(failures(), 2);
}

TEST_F(MainWindowTest, LeavingTheApplicationMarksTheDoorsInactiveUntilItReturns)
{
    EXPECT_FALSE(window->Inactive());
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(window->Inactive());
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(window->Inactive());
}

TEST(PlanMarksTest, ColourSwapsFollowTheirTablesBothWays)
{
    const kest::TColor pairs[6][3][2] = {
        {},
        {{0x808080, 0x008000}, {0xC0C0C0, 0x00FF00}, {0x000000, 0x000000}},
        {{0x800000, 0xFF0000}, {0xFFFFFF, 0xF0FFC0}, {0x000000, 0x800000}},
        {{0x800000, 0x00FFFF}, {0xFFFFFF, 0xC0FFFF}, {0x000000, 0x008080}},
        {},
        {{0x000000, 0x0000FF}, {0xFFFFFF, 0xFFFFFF}, {0xFFFFFF, 0xFFFFFF}},
    };
    for (int kind : {1, 2, 3, 5}) {
        // The first pair whose normal colour it is decides.
        for (const auto& pair : pairs[kind]) {
            kest::TColor expectOn = pair[0];
            for (const auto& p : pairs[kind])
                if (p[0] == pair[0]) {
                    expectOn = p[1];
                    break;
                }
            EXPECT_EQ(HighlightColor(kind, pair[0], true), expectOn) << kind;
        }
        EXPECT_EQ(HighlightColor(kind, 0x123456, true), 0x123456u);
        EXPECT_EQ(HighlightColor(kind, 0x123456, false), 0x123456u);
        EXPECT_EQ(HighlightColor(kind, kest::clNone, true), kest::clNone);
        EXPECT_EQ(HighlightColor(kind, kest::clNone, false), kest::clNone);
    }
    EXPECT_EQ(HighlightColor(2, 0xFF0000, false), 0x800000u);
    EXPECT_EQ(HighlightColor(3, 0x008080, false), 0x000000u);
    // Zones: full green only; red equal to blue is normal, full red highlighted.
    EXPECT_EQ(HighlightColor(hkZone, 0x80FF80, true), 0x80FFFFu);
    EXPECT_EQ(HighlightColor(hkZone, 0x80FFFF, false), 0x80FF80u);
    EXPECT_EQ(HighlightColor(hkZone, 0x80FFFF, true), 0x80FFFFu);
    EXPECT_EQ(HighlightColor(hkZone, 0x80FF80, false), 0x80FF80u);
    EXPECT_EQ(HighlightColor(hkZone, 0x40FF80, true), 0x40FF80u);
    EXPECT_EQ(HighlightColor(hkZone, 0x80FE80, true), 0x80FE80u);
}

TEST(PlanMarksTest, SelectionBrushIsNavyStripesAndTheFrameABand)
{
    const QImage brush = SelectionBrushBitmap();
    ASSERT_EQ(brush.size(), QSize(8, 8));
    int navy = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool stripe = ((x - (8 - y)) % 8 + 8) % 8 < 4;
            EXPECT_EQ(brush.pixelColor(x, y), stripe ? QColor(0, 0, 0x80) : QColor(Qt::white)) << x << "," << y;
            navy += stripe;
        }
    EXPECT_EQ(navy, 32);
    const QRegion frame = FrameOf(QRegion(10, 10, 10, 10), 2);
    int pixels = 0;
    for (const QRect& r : frame)
        pixels += r.width() * r.height();
    EXPECT_EQ(pixels, 100 - 36);
    EXPECT_FALSE(frame.contains(QPoint(14, 14)));
    EXPECT_TRUE(frame.contains(QPoint(10, 15)));
}

} // namespace
} // namespace doravo::testing
