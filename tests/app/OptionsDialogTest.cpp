// The options dialog: the copy it edits, the rules of its controls, what OK
// and Cancel do to the global options and the settings file, and its
// keyboard accelerators.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <random>

#include "DialogTestSupport.h"
#include "IniFile.h"
#include "SiteTestSupport.h"
#include "fOptions.h"

namespace doravo {
namespace {

using testing::ChildByText;

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = AppOptions; }
    void TearDown() override { AppOptions = saved_; }

    // Runs action on the dialog once the modal loop of RunOptionsDialog (or
    // EditOptions) has it open; action must close it.
    static void WhenOpen(std::function<void(TfmOptions&)> action)
    {
        QTimer::singleShot(0, [action] {
            TfmOptions* dialog = TfmOptions::OpenDialog();
            ASSERT_NE(dialog, nullptr);
            action(*dialog);
        });
        // A dialog the action failed to close must not hang the run.
        QTimer::singleShot(10000, [] {
            if (TfmOptions* dialog = TfmOptions::OpenDialog()) {
                ADD_FAILURE() << "dialog left open";
                dialog->reject();
            }
        });
    }

    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    // Clicks a button where a user would: check and radio buttons only
    // take clicks on their box and text, not on the rest of their width.
    static void Click(QAbstractButton* button)
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(button->window()));
        const bool boxed = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
        const QPoint at = boxed ? QPoint(6, button->height() / 2) : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    }

    TAppOptions saved_;
};

TEST_F(OptionsDialogTest, FrameWidthTextsGiveAWidthFromOneToNine)
{
    const struct {
        const char* text;
        int32_t width;
    } cases[] = {{"1", 1}, {"5", 5}, {"9", 9}, {"10", 9}, {"25", 9}, {"0", 1}, {"-3", 1}, {"abc", 1}, {"", 1},
        {"3x", 1}, {" 7", 7}, {"99999999999", 1}, {"2147483647", 9}, {"-2147483648", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseSelFrameWidth(QString::fromLatin1(c.text)), c.width) << c.text;
}

TEST_F(OptionsDialogTest, ControlsShowTheGlobalOptionsAndChangeNothing)
{
    struct TCase {
        TAppOptions options;
        const char* zone;
        const char* lamp;
    };
    TAppOptions a;
    a.ShowHints = true;
    a.ShowZoneCaptions = 0;
    a.SelFrameWidth = 7;
    a.LampsEffect = 2;
    a.Emulation = false;
    a.ShowPersonsCards = true;
    a.ShowCardsInKest = false;
    TAppOptions b; // a fresh installation
    TAppOptions c = b;
    c.ShowZoneCaptions = 1;
    c.LampsEffect = 0;
    c.ShowPersonsCards = true;
    for (const TCase& t : {TCase {a, "&Don't show", "&Flashing"}, TCase {b, "Show &all", "&Running"},
             TCase {c, "Show se&lected", "&None"}}) {
        AppOptions = t.options;
        TfmOptions dialog;
        EXPECT_EQ(dialog.Options(), t.options);
        EXPECT_FALSE(dialog.Changed());
        EXPECT_EQ(dialog.cbShowHints->isChecked(), t.options.ShowHints);
        EXPECT_EQ(dialog.edSelFrameWidth->text(), QString::number(t.options.SelFrameWidth));
        EXPECT_TRUE(ChildByText<QRadioButton>(&dialog, QString::fromUtf8(t.zone))->isChecked());
        EXPECT_TRUE(ChildByText<QRadioButton>(&dialog, QString::fromUtf8(t.lamp))->isChecked());
        EXPECT_EQ(dialog.cbEmulation->isChecked(), t.options.Emulation);
        EXPECT_EQ(dialog.cbShowPersonsCards->isChecked(), t.options.ShowPersonsCards);
        EXPECT_EQ(dialog.rbCardsKest->isChecked(), t.options.ShowCardsInKest);
        EXPECT_EQ(dialog.rbCardsForms->isChecked(), !t.options.ShowCardsInKest);
        EXPECT_EQ(dialog.rbCardsKest->isEnabled(), t.options.ShowPersonsCards);
        EXPECT_EQ(dialog.rbCardsForms->isEnabled(), t.options.ShowPersonsCards);
    }
}

TEST_F(OptionsDialogTest, ValuesOutOfRangeFromTheFileStayUntilAChoiceIsMade)
{
    AppOptions.ShowZoneCaptions = 7;
    AppOptions.LampsEffect = 200;
    AppOptions.SelFrameWidth = 40;
    TfmOptions dialog;
    EXPECT_EQ(dialog.gbZoneCaptions->findChildren<QRadioButton*>().size(), 3);
    for (QRadioButton* button : dialog.gbZoneCaptions->findChildren<QRadioButton*>())
        EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(dialog.Options(), AppOptions);
    dialog.show();
    Click(dialog.rbLampFlashing);
    EXPECT_EQ(dialog.Options().LampsEffect, 2);
    EXPECT_EQ(dialog.Options().ShowZoneCaptions, 7);
}

// Random clicks and typing against a model of the options: every user
// change lands in the copy, sets Changed, and the card-form buttons follow
// the check box (a click on a disabled one does nothing).
TEST_F(OptionsDialogTest, RandomEditsKeepTheCopyInStepWithTheControls)
{
    const struct {
        const char* text;
        int32_t width;
    } widths[] = {{"4", 4}, {"25", 9}, {"abc", 1}, {"", 1}, {"9", 9}, {"0", 1}, {"2", 2}};
    std::mt19937 random(20261207);
    for (int round = 0; round < 4; ++round) {
        AppOptions = TAppOptions();
        AppOptions.ShowPersonsCards = round % 2 == 1;
        TfmOptions dialog;
        dialog.show();
        TAppOptions model = AppOptions;
        bool changed = false;
        for (int step = 0; step < 60; ++step) {
            const int action = int(random() % 9);
            const int choice = int(random() % 3);
            const bool general = action <= 3;
            dialog.pcOptions->setCurrentIndex(general ? 0 : 1);
            switch (action) {
            case 0:
                Click(dialog.cbShowHints);
                model.ShowHints = !model.ShowHints;
                changed = true;
                break;
            case 1: {
                const auto& w = widths[random() % std::size(widths)];
                Type(dialog.edSelFrameWidth, QString::fromLatin1(w.text));
                model.SelFrameWidth = w.width;
                changed = true;
                break;
            }
            case 2:
                Click(QList<QRadioButton*> {dialog.rbZoneNone, dialog.rbZoneSelected, dialog.rbZoneAll}[choice]);
                changed |= model.ShowZoneCaptions != choice;
                model.ShowZoneCaptions = uint8_t(choice);
                break;
            case 3:
                Click(QList<QRadioButton*> {dialog.rbLampNone, dialog.rbLampRunning, dialog.rbLampFlashing}[choice]);
                changed |= model.LampsEffect != choice;
                model.LampsEffect = uint8_t(choice);
                break;
            case 4:
                Click(dialog.cbEmulation);
                model.Emulation = !model.Emulation;
                changed = true;
                break;
            case 5:
            case 6:
                Click(dialog.cbShowPersonsCards);
                model.ShowPersonsCards = !model.ShowPersonsCards;
                changed = true;
                break;
            default:
                Click(choice == 0 ? dialog.rbCardsForms : dialog.rbCardsKest);
                if (model.ShowPersonsCards) {
                    changed |= model.ShowCardsInKest != (choice != 0);
                    model.ShowCardsInKest = choice != 0;
                }
                break;
            }
            ASSERT_EQ(dialog.Options(), model) << "step " << step << " action " << action;
            ASSERT_EQ(dialog.Changed(), changed);
            ASSERT_EQ(dialog.rbCardsKest->isEnabled(), model.ShowPersonsCards);
            ASSERT_EQ(dialog.rbCardsForms->isEnabled(), model.ShowPersonsCards);
            ASSERT_EQ(AppOptions.ShowPersonsCards, round % 2 == 1) << "the global options moved";
        }
    }
}

TEST_F(OptionsDialogTest, OkCopiesTheEditedOptionsCancelLeavesThem)
{
    AppOptions = TAppOptions();
    const TAppOptions before = AppOptions;
    WhenOpen([](TfmOptions& dialog) {
        Click(dialog.cbShowHints);
        Type(dialog.edSelFrameWidth, QStringLiteral("25"));
        Click(dialog.btnCancel);
    });
    EXPECT_FALSE(RunOptionsDialog());
    EXPECT_EQ(AppOptions, before);

    WhenOpen([](TfmOptions& dialog) {
        Click(dialog.cbShowHints);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(RunOptionsDialog());
    EXPECT_EQ(AppOptions, before);

    WhenOpen([](TfmOptions& dialog) {
        Click(dialog.cbShowHints);
        Type(dialog.edSelFrameWidth, QStringLiteral("25"));
        dialog.pcOptions->setCurrentIndex(1);
        Click(dialog.cbEmulation);
        Click(dialog.btnOk);
    });
    EXPECT_TRUE(RunOptionsDialog());
    TAppOptions expected = before;
    expected.ShowHints = true;
    expected.SelFrameWidth = 9;
    expected.Emulation = false;
    EXPECT_EQ(AppOptions, expected);
    EXPECT_EQ(TfmOptions::OpenDialog(), nullptr);
}

TEST_F(OptionsDialogTest, OnlyOneDialogAtATime)
{
    bool nested = true;
    WhenOpen([&nested](TfmOptions& dialog) {
        Click(dialog.cbShowHints);
        nested = RunOptionsDialog();
        Click(dialog.btnOk);
    });
    EXPECT_TRUE(RunOptionsDialog());
    EXPECT_FALSE(nested);
    EXPECT_TRUE(AppOptions.ShowHints != saved_.ShowHints);
}

TEST_F(OptionsDialogTest, OkSavesEvenWithoutChangesCancelLeavesTheFile)
{
    testing::TScratch scratch;
    const std::string path = scratch.Path("station.ini");
    const std::string original = "; the site\n[Personnel]\nCount=0\n";
    testing::WriteText(path, original);
    TIniFile settings(path);
    AppOptions = TAppOptions();
    AppOptions.LampsEffect = 2;
    AppOptions.SelFrameWidth = 4;
    int applied = 0;
    const auto apply = [&applied] { ++applied; };
    std::string error;

    WhenOpen([](TfmOptions& dialog) {
        Click(dialog.cbShowHints);
        Click(dialog.btnCancel);
    });
    EXPECT_FALSE(EditOptions(nullptr, settings, apply, error));
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(testing::ReadText(path), original);

    WhenOpen([](TfmOptions& dialog) { Click(dialog.btnOk); });
    EXPECT_TRUE(EditOptions(nullptr, settings, apply, error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(applied, 1);
    const std::string saved = testing::ReadText(path);
    EXPECT_EQ(saved.rfind(original, 0), 0u) << saved;
    TAppOptions reread;
    reread.LampsEffect = 0;
    ReadOptions(TIniFile(path), reread);
    EXPECT_EQ(reread, AppOptions);
    EXPECT_NE(saved.find("LampsEffect=2"), std::string::npos) << saved;
    EXPECT_NE(saved.find("SelFrameWidth=4"), std::string::npos) << saved;
}

TEST_F(OptionsDialogTest, AFailedSaveIsReportedAndTheOptionsStayApplied)
{
    testing::TScratch scratch;
    TIniFile settings(scratch.Path("station.ini"));
    settings.SetWriter([](const std::string&, std::string_view, std::string& error) {
        error = "disk full";
        return false;
    });
    std::string error;
    WhenOpen([](TfmOptions& dialog) {
        Click(dialog.rbLampNone);
        Click(dialog.btnOk);
    });
    EXPECT_TRUE(EditOptions(nullptr, settings, {}, error));
    EXPECT_NE(error.find("disk full"), std::string::npos) << error;
    EXPECT_EQ(AppOptions.LampsEffect, 0);
}

// The accelerators work from the keyboard on the page they belong to.
TEST_F(OptionsDialogTest, AcceleratorsReachTheirControls)
{
    AppOptions = TAppOptions();
    AppOptions.ShowPersonsCards = true;
    TfmOptions dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    // A button's accelerator clicks it with a short animation.
    const auto alt = [&dialog](Qt::Key key) { QTest::keyClick(&dialog, key, Qt::AltModifier); };
    const auto eventually = [](const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 2000); };

    alt(Qt::Key_S);
    EXPECT_TRUE(eventually([&] { return dialog.Options().ShowHints; }));
    EXPECT_TRUE(ChildByText<QCheckBox>(&dialog, QStringLiteral("&Show hints"))->isChecked());
    alt(Qt::Key_W);
    EXPECT_TRUE(dialog.edSelFrameWidth->hasFocus());
    EXPECT_EQ(ChildByText<QLabel>(&dialog, QStringLiteral("Selection frame &width"))->buddy(), dialog.edSelFrameWidth);
    alt(Qt::Key_D);
    EXPECT_TRUE(eventually([&] { return dialog.Options().ShowZoneCaptions == 0; }));
    alt(Qt::Key_L);
    EXPECT_TRUE(eventually([&] { return dialog.Options().ShowZoneCaptions == 1; }));
    alt(Qt::Key_A);
    EXPECT_TRUE(eventually([&] { return dialog.Options().ShowZoneCaptions == 2; }));
    alt(Qt::Key_N);
    EXPECT_TRUE(eventually([&] { return dialog.Options().LampsEffect == 0; }));
    alt(Qt::Key_F);
    EXPECT_TRUE(eventually([&] { return dialog.Options().LampsEffect == 2; }));
    alt(Qt::Key_R);
    EXPECT_TRUE(eventually([&] { return dialog.Options().LampsEffect == 1; }));
    // The access page's accelerators act only once it is shown.
    alt(Qt::Key_E);
    QTest::qWait(200);
    EXPECT_TRUE(dialog.Options().Emulation);
    dialog.pcOptions->setCurrentIndex(dialog.pcOptions->indexOf(dialog.cbEmulation->parentWidget()));
    ASSERT_EQ(dialog.pcOptions->tabText(dialog.pcOptions->currentIndex()), QStringLiteral("A&ccess"));
    alt(Qt::Key_E);
    EXPECT_TRUE(eventually([&] { return !dialog.Options().Emulation; }));
    alt(Qt::Key_F);
    EXPECT_TRUE(eventually([&] { return !dialog.Options().ShowCardsInKest; }));
    alt(Qt::Key_T);
    EXPECT_TRUE(eventually([&] { return dialog.Options().ShowCardsInKest; }));
    alt(Qt::Key_G);
    EXPECT_TRUE(eventually([&] { return dialog.cbShowHints->isVisible(); }));
    EXPECT_EQ(dialog.pcOptions->tabText(0), QStringLiteral("&General"));
    EXPECT_EQ(ChildByText<QGroupBox>(&dialog, QStringLiteral(" Zone captions ")), dialog.gbZoneCaptions);
    EXPECT_EQ(ChildByText<QGroupBox>(&dialog, QStringLiteral(" Lamp effect ")), dialog.gbLampEffect);

    alt(Qt::Key_O);
    EXPECT_TRUE(eventually([&] { return dialog.result() == QDialog::Accepted; }));
    EXPECT_EQ(ChildByText<QPushButton>(&dialog, QStringLiteral("&Ok")), dialog.btnOk);
    EXPECT_EQ(ChildByText<QPushButton>(&dialog, QStringLiteral("&Cancel")), dialog.btnCancel);
}

TEST_F(OptionsDialogTest, BothPagesFitTheFixedClientArea)
{
    TfmOptions dialog;
    EXPECT_EQ(dialog.size(), QSize(TfmOptions::ClientWidth, TfmOptions::ClientHeight));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
    for (int page = 0; page < dialog.pcOptions->count(); ++page) {
        dialog.pcOptions->setCurrentIndex(page);
        testing::ExpectTextsFit(&dialog);
    }
    EXPECT_EQ(dialog.size(), QSize(TfmOptions::ClientWidth, TfmOptions::ClientHeight));
}

} // namespace
} // namespace doravo
