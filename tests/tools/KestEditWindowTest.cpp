// The editor's window driven as a user would through its commands: files in
// both forms, page tabs, the history, the clipboard and the arranging
// commands, checked against the document the panel holds.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DoorCtrls.h"
#include "KestControls.h"
#include "KestEditDocument.h"
#include "KestEditWindow.h"

namespace kest {
namespace {

const QString kPlan = QStringLiteral(DORAVO_SOURCE_RESOURCES "/doravo.ksd");

// Every object of every scheme: its scheme, class, name and rectangle.
std::vector<std::string> DocumentOutline(TKestPanel& panel)
{
    std::vector<std::string> outline;
    for (int s = 0; s < panel.Schemes()->Count(); ++s) {
        TKestCustomScheme* scheme = panel.Schemes()->ByIndex(s);
        scheme->ForEach([&](TKestControl* control) {
            const TKestRect r = control->DocRect();
            outline.push_back(scheme->Name() + "/" + control->ClassName() + "/" + control->Name() + " "
                + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + ","
                + std::to_string(r.Bottom));
            return true;
        });
    }
    return outline;
}

int CountDoors(TKestPanel& panel)
{
    int doors = 0;
    for (const std::string& line : DocumentOutline(panel))
        doors += line.find("/TKestDoor/") != std::string::npos;
    return doors;
}

class KestEditWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        window_.OnError = [this](const QString& message) { errors_.push_back(message); };
        window_.OnAskSave = [this](const QString&) {
            ++questions_;
            return answer_;
        };
    }

    TKestControl* AddBox(int32_t left, int32_t top, int32_t width, int32_t height)
    {
        TKestPanel& panel = window_.Panel();
        return panel.CreateControl(TKestBox::StaticClass(), left, top, false, nullptr, nullptr, width, height);
    }

    void SelectOnly(std::initializer_list<TKestControl*> controls)
    {
        TKestPanel& panel = window_.Panel();
        panel.BeginSelectionUpdate();
        panel.UnselectAll();
        for (TKestControl* control : controls)
            panel.Select(control);
        panel.EndSelectionUpdate();
    }

    int SchemeCount() { return window_.Panel().ActiveScheme()->Count(); }

    QAction* Tool(const QString& text)
    {
        for (QAction* action : window_.findChildren<QAction*>())
            if (action->isCheckable() && action->text() == text)
                return action;
        return nullptr;
    }

    QTemporaryDir dir_;
    TKestEditWindow window_;
    std::vector<QString> errors_;
    int questions_ = 0;
    int answer_ = QMessageBox::Cancel;
};

TEST_F(KestEditWindowTest, PlanOpensWithItsDoorsAndOneTabPerScheme)
{
    ASSERT_TRUE(window_.OpenFile(kPlan)) << (errors_.empty() ? "" : errors_[0].toStdString());
    TKestPanel& panel = window_.Panel();
    EXPECT_GT(CountDoors(panel), 0);
    ASSERT_EQ(window_.PageTabs().count(), panel.Schemes()->Count());
    ASSERT_GT(panel.Schemes()->Count(), 1);
    for (int i = 0; i < panel.Schemes()->Count(); ++i)
        EXPECT_EQ(window_.PageTabs().tabText(i).toStdString(), panel.Schemes()->ByIndex(i)->Name());
    EXPECT_EQ(window_.PageTabs().currentIndex(), panel.Schemes()->IndexOf(panel.ActiveScheme()));
    const int last = panel.Schemes()->Count() - 1;
    window_.PageTabs().setCurrentIndex(last);
    EXPECT_EQ(panel.ActiveScheme(), panel.Schemes()->ByIndex(last));
    EXPECT_TRUE(window_.windowTitle().startsWith("doravo.ksd"));
    EXPECT_FALSE(window_.isWindowModified());
}

TEST_F(KestEditWindowTest, PlanSurvivesSavingInBothForms)
{
    ASSERT_TRUE(window_.OpenFile(kPlan));
    const std::vector<std::string> original = DocumentOutline(window_.Panel());
    for (const bool binary : {true, false}) {
        const QString name = dir_.filePath(binary ? "plan-bin.ksd" : "plan-text.ksd");
        ASSERT_TRUE(window_.SaveFile(name, binary));
        EXPECT_EQ(window_.FileName(), name);
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().contains("kestbinary"), binary);

        TKestEditWindow reopened;
        ASSERT_TRUE(reopened.OpenFile(name));
        EXPECT_EQ(DocumentOutline(reopened.Panel()), original);
        EXPECT_EQ(reopened.Panel().SaveAsBinary(), binary);
    }
}

TEST_F(KestEditWindowTest, FailedOpenAndSaveReportTheFileAndKeepTheDocument)
{
    ASSERT_TRUE(window_.OpenFile(kPlan));
    const std::vector<std::string> original = DocumentOutline(window_.Panel());

    const QString bad = dir_.filePath("bad.ksd");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a document\n");
    file.close();
    const QString missing = dir_.filePath("missing.ksd");
    const QString unwritable = dir_.filePath("no/such/folder/out.ksd");

    EXPECT_FALSE(window_.OpenFile(bad));
    EXPECT_FALSE(window_.OpenFile(missing));
    EXPECT_FALSE(window_.SaveFile(unwritable, false));
    ASSERT_EQ(errors_.size(), 3u);
    EXPECT_TRUE(errors_[0].contains(bad));
    EXPECT_TRUE(errors_[1].contains(missing));
    EXPECT_TRUE(errors_[2].contains(unwritable));
    for (const QString& error : errors_)
        EXPECT_GT(error.size(), bad.size() + 4) << "the message says what went wrong";
    EXPECT_EQ(window_.FileName(), kPlan);
    EXPECT_EQ(DocumentOutline(window_.Panel()), original);
    EXPECT_FALSE(QFile::exists(unwritable));
}

TEST_F(KestEditWindowTest, UndoAndRedoNameTheActionAndRestoreTheDocument)
{
    EXPECT_FALSE(window_.isWindowModified());
    EXPECT_EQ(window_.UndoText(), "&Undo");
    AddBox(1000, 2000, 30000, 10000);
    QApplication::processEvents();
    EXPECT_TRUE(window_.isWindowModified());
    const QString undo = window_.UndoText();
    EXPECT_TRUE(undo.startsWith("&Undo ") && undo.size() > 6) << undo.toStdString();
    EXPECT_EQ(window_.RedoText(), "&Redo");

    window_.Undo();
    EXPECT_EQ(SchemeCount(), 0);
    EXPECT_EQ(window_.RedoText(), "&Redo " + undo.mid(6));
    window_.Redo();
    ASSERT_EQ(SchemeCount(), 1);
    EXPECT_EQ(window_.Panel().ActiveScheme()->Controls(0)->DocRect(), (TKestRect {1000, 2000, 31000, 12000}));
}

TEST_F(KestEditWindowTest, ClipboardCopiesCutsAndPastes)
{
    TKestControl* box = AddBox(0, 0, 20000, 20000);
    AddBox(40000, 0, 20000, 20000);
    SelectOnly({box});
    window_.Copy();
    EXPECT_TRUE(window_.Panel().CanPaste(false));
    window_.Paste();
    EXPECT_EQ(SchemeCount(), 3);
    EXPECT_EQ(window_.Panel().SelectedCount(), 1);
    EXPECT_EQ(window_.Panel().SelectedControl(0)->ClassName(), std::string("TKestBox"));

    window_.Cut();
    EXPECT_EQ(SchemeCount(), 2);
    window_.Paste();
    window_.Paste();
    EXPECT_EQ(SchemeCount(), 4);
    window_.DeleteSelection();
    EXPECT_EQ(SchemeCount(), 3);
}

TEST_F(KestEditWindowTest, GroupingAndArrangingAreUndoable)
{
    TKestControl* a = AddBox(0, 0, 40000, 10000);
    TKestControl* b = AddBox(60000, 0, 20000, 10000);
    SelectOnly({a, b});
    window_.GroupSelection();
    ASSERT_EQ(SchemeCount(), 1);
    TKestControl* group = window_.Panel().ActiveScheme()->Controls(0);
    EXPECT_EQ(group->Count(), 2);
    window_.UngroupSelection();
    EXPECT_EQ(SchemeCount(), 2);

    SelectOnly({a});
    const TKestRect before = a->DocRect();
    window_.RotateSelection(90);
    const TKestRect turned = a->DocRect();
    EXPECT_EQ(turned.Right - turned.Left, before.Bottom - before.Top);
    EXPECT_EQ(turned.Bottom - turned.Top, before.Right - before.Left);
    EXPECT_EQ(turned.Left + turned.Right, before.Left + before.Right) << "turned about its centre";
    window_.RotateSelection(-90);
    EXPECT_EQ(a->DocRect(), before);

    SelectOnly({a, b});
    const TKestRect pairBefore = window_.Panel().SelectionRect();
    const TKestRect bBefore = b->DocRect();
    window_.MirrorSelection();
    // b sat at the right end of the pair; mirrored it sits at the left end.
    EXPECT_EQ(b->DocRect().Left, pairBefore.Left);
    window_.Undo();
    EXPECT_EQ(b->DocRect(), bBefore);
}

TEST_F(KestEditWindowTest, ClosingWithChangesAsksAndHonoursTheAnswer)
{
    window_.show();
    EXPECT_TRUE(window_.close()) << "nothing to save, nothing asked";
    EXPECT_EQ(questions_, 0);

    window_.show();
    AddBox(0, 0, 10000, 10000);
    answer_ = QMessageBox::Cancel;
    EXPECT_FALSE(window_.close());
    EXPECT_EQ(questions_, 1);
    EXPECT_TRUE(window_.isVisible());

    ASSERT_TRUE(window_.SaveFile(dir_.filePath("one.ksd"), false));
    EXPECT_FALSE(window_.isWindowModified());
    AddBox(20000, 0, 10000, 10000);
    answer_ = QMessageBox::Save;
    EXPECT_TRUE(window_.close());
    TKestEditWindow reopened;
    ASSERT_TRUE(reopened.OpenFile(dir_.filePath("one.ksd")));
    EXPECT_EQ(reopened.Panel().ActiveScheme()->Count(), 2) << "the answer saved the second box";
}

TEST_F(KestEditWindowTest, ZoomStepsAndFitShowTheWholePage)
{
    ASSERT_TRUE(window_.OpenFile(kPlan));
    window_.resize(800, 600);
    window_.show();
    TKestPanel& panel = window_.Panel();
    window_.ZoomTo(100);
    window_.ZoomIn();
    const int32_t larger = panel.Scale();
    EXPECT_GT(larger, 100);
    window_.ZoomOut();
    EXPECT_EQ(panel.Scale(), 100);
    window_.ZoomOut();
    EXPECT_LT(panel.Scale(), 100);

    window_.FitDocument();
    const TKestRect page = panel.TransformRect({0, 0, panel.DocWidth(), panel.DocHeight()});
    const QRect view = panel.viewport()->rect();
    EXPECT_GE(page.Left, view.left());
    EXPECT_GE(page.Top, view.top());
    EXPECT_LE(page.Right, view.right() + 1);
    EXPECT_LE(page.Bottom, view.bottom() + 1);
    // Fitted, not merely small: one side nearly fills the window.
    EXPECT_TRUE(page.Right - page.Left > view.width() - 40 || page.Bottom - page.Top > view.height() - 40);
}

TEST_F(KestEditWindowTest, ToolBarOffersEveryShapeAndTheDoorAndCreatesWithAClick)
{
    const auto& classes = RegisterEditClasses();
    for (const TKestControlClass* shape : {TKestBox::StaticClass(), TKestText::StaticClass(),
             TKestConnector::StaticClass(), doravo::TKestDoor::StaticClass()})
        EXPECT_NE(std::find(classes.begin(), classes.end(), shape), classes.end()) << shape->Name();
    TKestPanel& panel = window_.Panel();
    for (const TKestControlClass* cls : classes) {
        QAction* tool = Tool(ControlClassCaption(cls));
        ASSERT_NE(tool, nullptr) << cls->Name();
        tool->trigger();
        EXPECT_EQ(panel.CreatingControlClass(), cls);
    }
    Tool("Zoom")->trigger();
    EXPECT_EQ(panel.ToolMode(), TKestPanel::tmZoom);
    EXPECT_EQ(panel.CreatingControlClass(), nullptr);

    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    Tool("Box")->trigger();
    EXPECT_EQ(panel.ToolMode(), TKestPanel::tmNormal);
    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, QPoint(60, 50));
    QApplication::processEvents();
    ASSERT_EQ(SchemeCount(), 1);
    TKestControl* box = panel.ActiveScheme()->Controls(0);
    EXPECT_EQ(box->ClassName(), std::string("TKestBox"));
    EXPECT_TRUE(panel.IsSelected(box));
    EXPECT_TRUE(Tool("Select")->isChecked()) << "a creation tool is used once";
    EXPECT_TRUE(window_.isWindowModified());
}

TEST_F(KestEditWindowTest, CurveToolDrawsPointByPointAndSelectDragsAShapesOwnHandle)
{
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    TKestPanel& panel = window_.Panel();
    QAction* curveTool = Tool(ControlClassCaption(TKestCurve::StaticClass()));
    ASSERT_NE(curveTool, nullptr);
    curveTool->trigger();
    EXPECT_EQ(panel.ToolMode(), TKestPanel::tmCreating);
    for (const QPoint at : {QPoint(60, 50), QPoint(160, 50)})
        QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(panel.viewport(), Qt::LeftButton, {}, QPoint(160, 120));
    QApplication::processEvents();
    ASSERT_EQ(SchemeCount(), 1);
    TKestControl* curve = panel.ActiveScheme()->Controls(0);
    EXPECT_EQ(curve->ClassName(), std::string("TKestCurve"));
    EXPECT_EQ(curve->PointCount(), 3);
    EXPECT_TRUE(Tool("Select")->isChecked());
    EXPECT_EQ(panel.ToolMode(), TKestPanel::tmResize);
    EXPECT_EQ(window_.UndoText(), "&Undo Create control(s)");

    // The curve's last point is one of its own handles under the Select tool.
    auto lastPoint = [&] {
        const TKestPoint p = panel.TransformPoint(
            {curve->DocRect().Left + curve->Point(2).X, curve->DocRect().Top + curve->Point(2).Y});
        return QPoint(p.X, p.Y);
    };
    const QPoint from = lastPoint();
    QTest::mousePress(panel.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(panel.viewport(), from + QPoint(10, 10));
    QTest::mouseMove(panel.viewport(), from + QPoint(20, 30));
    QTest::mouseRelease(panel.viewport(), Qt::LeftButton, {}, from + QPoint(20, 30));
    QApplication::processEvents();
    EXPECT_EQ(lastPoint(), from + QPoint(20, 30));
    EXPECT_EQ(window_.UndoText(), "&Undo Size/move control(s)");

    // Esc ends a drawing as well, and the Select tool takes over.
    curveTool->trigger();
    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, QPoint(60, 150));
    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, QPoint(100, 150));
    QTest::keyClick(&panel, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(SchemeCount(), 2);
    EXPECT_TRUE(Tool("Select")->isChecked());
    EXPECT_EQ(panel.ToolMode(), TKestPanel::tmResize);
}

} // namespace
} // namespace kest
