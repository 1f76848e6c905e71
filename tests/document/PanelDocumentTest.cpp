// The panel as holder of the document: the document format and its
// variants, loading with what it skips and refuses, pasting, identifiers of
// pasted controls, round trips in both forms, progress and copying.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "KestCanvas.h"
#include "KestError.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

const char* const kTwoBoxes = "document Plan\r\n"
                              "  Height = 240000\r\n"
                              "  ID = 1\r\n"
                              "  Version = 170\r\n"
                              "  Width = 320000\r\n"
                              "  object Layer1: TKestLayer\r\n"
                              "    ID = 4\r\n"
                              "    Visible = True\r\n"
                              "  end\r\n"
                              "  object Scheme1: TKestScheme\r\n"
                              "    property Brush\r\n"
                              "      BitmapCache = True\r\n"
                              "    end\r\n"
                              "    Default = True\r\n"
                              "    ID = 5\r\n"
                              "    object Box1: TBox\r\n"
                              "      Height = 10000\r\n"
                              "      ID = 10\r\n"
                              "      Layer = Layer1\r\n"
                              "      Left = 0\r\n"
                              "      Top = 0\r\n"
                              "      Width = 10000\r\n"
                              "    end\r\n"
                              "    object Box2: TBox\r\n"
                              "      Height = 10000\r\n"
                              "      ID = 11\r\n"
                              "      Layer = Layer1\r\n"
                              "      Left = 20000\r\n"
                              "      Top = 0\r\n"
                              "      Width = 10000\r\n"
                              "    end\r\n"
                              "  end\r\n"
                              "end\r\n";

std::vector<std::string> ChildNames(const TKestControl* parent)
{
    std::vector<std::string> names;
    for (int i = 0; i < parent->Count(); ++i)
        names.push_back(parent->Controls(i)->Name());
    return names;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t pos = text.find(from);
    if (pos != std::string::npos)
        text.replace(pos, from.size(), to);
    return text;
}

TEST(PanelDocumentTest, NewPanelHoldsOneSchemeAndOneLayer)
{
    TPanelFixture f;
    ASSERT_EQ(f.panel.Schemes()->Count(), 1);
    ASSERT_EQ(f.panel.Layers()->Count(), 1);
    EXPECT_EQ(f.Scheme()->Name(), "Scheme1");
    EXPECT_EQ(f.Layer()->Name(), "Layer1");
    EXPECT_TRUE(f.Scheme()->IsDefault());
    EXPECT_EQ(f.panel.Scale(), 100);
    EXPECT_EQ(f.panel.DocWidth(), 320000);
    EXPECT_EQ(f.panel.DocHeight(), 240000);
    EXPECT_EQ(f.panel.History().Count(), 0);
}

TEST(PanelDocumentTest, HeaderNamesTheDocument)
{
    TPanelFixture f;
    LoadText(f.panel, kTwoBoxes);
    EXPECT_EQ(f.panel.Schemes()->Name(), "Plan");
    EXPECT_EQ(ChildNames(f.Scheme()), (std::vector<std::string> {"Box1", "Box2"}));
    EXPECT_EQ(f.panel.FindControlById(11)->Name(), "Box2");
    EXPECT_EQ(f.panel.FindControlById(10)->Layer(), f.Layer());
    EXPECT_FALSE(f.panel.Modified());
    EXPECT_EQ(SaveText(f.panel), kTwoBoxes);

    LoadText(f.panel, Replace(kTwoBoxes, "document Plan", "document"));
    EXPECT_EQ(f.panel.Schemes()->Name(), "Plan");
    LoadText(f.panel, Replace(kTwoBoxes, "document Plan", "document   Site Plan  "));
    EXPECT_EQ(f.panel.Schemes()->Name(), "Site Plan");
}

TEST(PanelDocumentTest, MalformedHeaderLeavesANewDocument)
{
    TPanelFixture f;
    LoadText(f.panel, kTwoBoxes);
    try {
        LoadText(f.panel, "clipboard\r\n  object X: TBox\r\n  end\r\nend\r\n");
        FAIL() << "loaded";
    } catch (const EKestError& e) {
        EXPECT_STREQ(e.what(), "Data format error");
    }
    ASSERT_EQ(f.panel.Schemes()->Count(), 1);
    EXPECT_EQ(f.Scheme()->Name(), "Scheme1");
    EXPECT_EQ(f.Scheme()->Count(), 0);
    EXPECT_EQ(f.Layer()->Name(), "Layer1");
    EXPECT_THROW(LoadText(f.panel, ""), EKestError);
    EXPECT_EQ(f.panel.Layers()->Count(), 1);
    // A paste accepts the clipboard header but nothing else.
    EXPECT_THROW(LoadText(f.panel, "library X\r\nend\r\n", lmPaste), EKestError);
}

TEST(PanelDocumentTest, UnknownAndMisplacedBlocksAreSkippedWhole)
{
    TPanelFixture f;
    std::string text = kTwoBoxes;
    text = Replace(text, "    object Box2: TBox\r\n",
        "    object Odd: TNoSuchKind\r\n"
        "      object Inner: TBox\r\n"
        "        Left = 5\r\n"
        "      end\r\n"
        "      Top = 7\r\n"
        "    end\r\n"
        "    object NoColon TBox\r\n"
        "    end\r\n"
        "    object Misplaced: TKestLayer\r\n"
        "      Visible = True\r\n"
        "    end\r\n"
        "    object Nested: TKestScheme\r\n"
        "    end\r\n"
        "    object Box2: TBox\r\n");
    text = Replace(text, "  object Scheme1", "  object Loose: TBox\r\n    Left = 3\r\n  end\r\n  object Scheme1");
    LoadText(f.panel, text);
    EXPECT_EQ(ChildNames(f.Scheme()), (std::vector<std::string> {"Box1", "Box2"}));
    EXPECT_EQ(f.panel.Layers()->Count(), 1);
    EXPECT_EQ(f.panel.Schemes()->Count(), 1);
    EXPECT_TRUE(f.panel.Orphans().empty());
    EXPECT_EQ(SaveText(f.panel), kTwoBoxes);
}

TEST(PanelDocumentTest, SchemeInsideALayerBlockIsRefused)
{
    TPanelFixture f;
    // The layer's block is not closed: the scheme would be its child.
    LoadText(f.panel,
        "document D\r\n  object L: TKestLayer\r\n    object S: TKestScheme\r\n    end\r\n"
        "  end\r\nend\r\n");
    EXPECT_EQ(f.panel.Schemes()->Count(), 0);
    EXPECT_EQ(f.panel.ActiveScheme(), nullptr);
    ASSERT_EQ(f.panel.Layers()->Count(), 1);
    EXPECT_EQ(f.panel.Layers()->Controls(0)->Count(), 0);
    TKestCanvas canvas;
    canvas.SetSize(10, 10);
    EXPECT_NO_THROW(f.panel.PaintTo(canvas, {0, 0, 10, 10}, false, false, false, false, true, nullptr, 100, {0, 0}));
    // A scheme outside the document root is never made active.
    auto* loose = TKestControl::Create<TKestScheme>(&f.panel);
    f.panel.SetActiveScheme(loose);
    EXPECT_EQ(f.panel.ActiveScheme(), nullptr);
    loose->Free();
}

TEST(PanelDocumentTest, DeepNestingIsCutOff)
{
    TPanelFixture f;
    std::string text = "document D\r\n  object Scheme1: TKestScheme\r\n";
    const int depth = 2000;
    for (int i = 0; i < depth; ++i)
        text += "object G" + std::to_string(i) + ": TKestGroup\r\n";
    for (int i = 0; i < depth; ++i)
        text += "end\r\n";
    text += "  end\r\n  object Scheme2: TKestScheme\r\n  end\r\nend\r\n";
    LoadText(f.panel, text);
    int levels = 0;
    for (TKestControl* c = f.Scheme(); c->Count() > 0; c = c->Controls(0))
        ++levels;
    EXPECT_EQ(levels, TKestPanel::kMaxLoadDepth - 1);
    // What follows the cut-off block still loads.
    EXPECT_EQ(f.panel.Schemes()->Count(), 2);
}

TEST(PanelDocumentTest, ControlsWithoutIdentifierGetOne)
{
    TPanelFixture f;
    LoadText(f.panel, Replace(Replace(kTwoBoxes, "      ID = 10\r\n", ""), "      ID = 11\r\n", "      ID = 10\r\n"));
    const TKestControl* box1 = f.Scheme()->Controls(0);
    const TKestControl* box2 = f.Scheme()->Controls(1);
    EXPECT_NE(box1->ID(), 0);
    EXPECT_NE(box2->ID(), 0);
    EXPECT_NE(box1->ID(), box2->ID());
}

TEST(PanelDocumentTest, ReloadingGivesTheSameIdentifiersAsANewPanel)
{
    // The boxes have no identifier; the document's own, other than the one
    // a new panel gives it, comes after them.
    std::string text = Replace(Replace(kTwoBoxes, "      ID = 10\r\n", ""), "      ID = 11\r\n", "");
    text = Replace(Replace(text, "  ID = 1\r\n", ""), "  end\r\nend\r\n", "  end\r\n  ID = 8\r\nend\r\n");
    TPanelFixture fresh;
    LoadText(fresh.panel, text);
    const std::string first = SaveText(fresh.panel);
    TPanelFixture used;
    for (int load = 0; load < 3; ++load) {
        LoadText(used.panel, text);
        EXPECT_EQ(SaveText(used.panel), first) << "load " << load;
    }
}

TEST(PanelDocumentTest, PastingKeepsFreeIdentifiersAndReplacesUsedOnes)
{
    TPanelFixture f;
    LoadText(f.panel, kTwoBoxes);
    f.panel.FindControlById(11)->Free();
    TKestLayer* second = f.panel.Layers()->NewLayer();
    f.panel.SetActiveLayer(second);
    const int32_t width = f.panel.DocWidth();

    // A document block pastes the objects it holds at its top level.
    const std::string pasted
        = Replace(Replace(Replace(kTwoBoxes, "Width = 320000", "Width = 999000"),
                      "  object Scheme1: TKestScheme\r\n    property Brush\r\n      BitmapCache = True\r\n    end\r\n"
                      "    Default = True\r\n    ID = 5\r\n",
                      ""),
            "    end\r\n  end\r\nend\r\n", "    end\r\nend\r\n");
    LoadText(f.panel, pasted, lmPaste);
    ASSERT_EQ(f.Scheme()->Count(), 3);
    TKestControl* pasted1 = f.Scheme()->Controls(1);
    TKestControl* pasted2 = f.Scheme()->Controls(2);
    EXPECT_NE(pasted1->ID(), 10);
    EXPECT_EQ(pasted2->ID(), 11);
    // Layers of a pasted document are not pasted; known layer names hold.
    EXPECT_EQ(f.panel.Layers()->Count(), 2);
    EXPECT_EQ(pasted1->Layer(), f.panel.Layers()->ByName("Layer1"));
    // The document's own properties stay.
    EXPECT_EQ(f.panel.DocWidth(), width);
    EXPECT_EQ(f.panel.SelectedCount(), 2);
    EXPECT_TRUE(pasted1->Selected() && pasted2->Selected());

    // An unknown layer name leaves a pasted control on the active layer.
    LoadText(f.panel, Replace(pasted, "Layer = Layer1\r\n      Left = 0", "Layer = Attic\r\n      Left = 0"), lmPaste);
    EXPECT_EQ(f.Scheme()->Controls(3)->Layer(), second);
    EXPECT_EQ(f.Scheme()->Controls(4)->Layer(), f.panel.Layers()->ByName("Layer1"));
}

TEST(PanelDocumentTest, ClipboardVariantWritesTheSelectionInPaintOrder)
{
    TPanelFixture f;
    TKestLayer* upper = f.panel.Layers()->NewLayer();
    TBox* a = TKestControl::Create<TBox>(&f.panel, f.Scheme(), upper);
    a->SetName("A");
    TBox* b = f.AddBox({0, 0, 10, 10});
    b->SetName("B");
    TBox* c = f.AddBox({0, 0, 10, 10});
    c->SetName("C");

    TKestMemoryStream empty;
    {
        std::unique_ptr<TKestFiler> filer = f.panel.CreateFiler(empty, ppSave, false);
        EXPECT_FALSE(f.panel.SaveToFiler(*filer, true));
    }
    EXPECT_EQ(empty.Size(), 0);
    EXPECT_FALSE(f.panel.CopyToClipboard());

    f.panel.Select(a);
    f.panel.Select(c);
    const std::string text = SaveClipboardText(f.panel);
    ASSERT_EQ(text.rfind("clipboard\r\n  object C: TBox\r\n", 0), 0u) << text;
    EXPECT_LT(text.find("object C"), text.find("object A"));
    EXPECT_EQ(text.find("object B"), std::string::npos);
    EXPECT_EQ(text.find("TKestLayer"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 5), "end\r\n");

    // Through the system clipboard into another panel.
    ASSERT_TRUE(f.panel.CopyToClipboard());
    TPanelFixture g;
    EXPECT_TRUE(g.panel.CanPaste(true));
    g.panel.PasteFromClipboard(true);
    EXPECT_EQ(ChildNames(g.Scheme()), (std::vector<std::string> {"C", "A"}));
    EXPECT_EQ(g.panel.History().Count(), 1);
    EXPECT_EQ(g.panel.History().Item(0)->Caption(), "Create control(s)");
    QApplication::clipboard()->clear();
    EXPECT_FALSE(g.panel.CanPaste(false));
}

TEST(PanelDocumentTest, SingleControlVariantHasTheDocumentAroundOneBlock)
{
    TPanelFixture f;
    LoadText(f.panel, kTwoBoxes);
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = f.panel.CreateFiler(stream, ppSave, false);
        f.panel.SaveToFiler(*filer, false, f.panel.FindControlById(11));
    }
    const std::string text = kTwoBoxes;
    const std::string head = text.substr(0, text.find("  object Scheme1"));
    EXPECT_EQ(stream.Text(),
        head
            + "  object Box2: TBox\r\n"
              "    Height = 10000\r\n"
              "    ID = 11\r\n"
              "    Layer = Layer1\r\n"
              "    Left = 20000\r\n"
              "    Top = 0\r\n"
              "    Width = 10000\r\n"
              "  end\r\n"
              "end\r\n");
}

TEST(PanelDocumentTest, RoundTripIsByteIdenticalInBothForms)
{
    TPanelFixture f;
    const std::string original = ReadDataFile("document/plan.ksd");
    LoadText(f.panel, original);
    ASSERT_EQ(f.panel.Schemes()->Count(), 2);
    EXPECT_EQ(SaveText(f.panel), original);

    const std::string binary = SaveText(f.panel, true);
    EXPECT_EQ(binary.rfind("kestbinary\r\n", 0), 0u);
    EXPECT_LT(binary.size(), original.size());
    TPanelFixture g;
    LoadText(g.panel, binary);
    EXPECT_TRUE(g.panel.SaveAsBinary());
    EXPECT_EQ(SaveText(g.panel, true), binary);
    EXPECT_EQ(SaveText(g.panel), original);

    // A copy of a panel holds the same document.
    TPanelFixture h;
    h.panel.Assign(g.panel);
    EXPECT_EQ(SaveText(h.panel), original);
}

TEST(PanelDocumentTest, LoadedDocumentKeepsItsLinks)
{
    TPanelFixture f;
    LoadText(f.panel, ReadDataFile("document/plan.ksd"));
    auto* copy = dynamic_cast<TKestClone*>(f.panel.FindControlByName("Copy1"));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->Source(), nullptr);
    EXPECT_EQ(copy->Source()->Name(), "Door1");
    EXPECT_EQ(copy->Width(), copy->Source()->Width());
    auto* echo = dynamic_cast<TKestClone*>(f.panel.FindControlByName("Echo"));
    ASSERT_NE(echo, nullptr);
    EXPECT_EQ(echo->Source(), f.panel.FindControlByName("Wall1"));
    EXPECT_EQ(f.panel.FindControlByName("Sign")->Reference(), f.panel.Schemes()->ByIndex(1));
}

TEST(PanelDocumentTest, ProgressIsReportedForTheFilersProcess)
{
    TPanelFixture f;
    LoadText(f.panel, ReadDataFile("document/plan.ksd"));
    std::vector<std::pair<int, TKestFilerProcess>> reports;
    f.panel.OnProgress
        = [&](TKestPanel*, int progress, TKestFilerProcess process) { reports.emplace_back(progress, process); };
    SaveText(f.panel);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), std::make_pair(100, ppSave));
    reports.clear();

    TPanelFixture g;
    g.panel.OnProgress = f.panel.OnProgress;
    g.panel.Assign(f.panel);
    ASSERT_FALSE(reports.empty());
    for (const auto& report : reports)
        EXPECT_EQ(report.second, ppCopy);
    EXPECT_EQ(reports.back().first, 100);
}

TEST(PanelDocumentTest, ModifiedFollowsChangesAndSaving)
{
    TPanelFixture f;
    LoadText(f.panel, kTwoBoxes);
    EXPECT_FALSE(f.panel.Modified());
    f.panel.FindControlById(10)->SetTag(1);
    EXPECT_TRUE(f.panel.Modified());
    SaveText(f.panel);
    EXPECT_FALSE(f.panel.Modified());
    f.AddBox({0, 0, 10, 10});
    EXPECT_TRUE(f.panel.Modified());
}

} // namespace
} // namespace kest::doctest
