// The keyed tree over the real SysTreeView32: the model and the control agree, keys follow their
// rules, the raw delete-all message empties the key index, and clicks and keys raise the events
// in the order the programs' handlers expect.
#include <gtest/gtest.h>

#include "base/QV_Err.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/mTreeviewMacros_472.h"

namespace {

class TreeTest : public ::testing::Test {
protected:
    void TearDown() override {
        tvw.NodeClick = nullptr;
        tvw.MouseUp = nullptr;
        tvw.KeyDown = nullptr;
        tvw.Nodes.Clear();
        tvw.SetSorted(false);
    }
    TestForm& form = SharedForm();
    ui::TreeView& tvw = form.tvw;
};

TEST_F(TreeTest, KeysAreUniqueWithoutRegardToCaseAndTheRealControlHoldsTheNodes) {
    auto root = tvw.Nodes.Add("", ui::tvwFirst, "HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT", "Folder");
    auto clsid = tvw.Nodes.Add(root, ui::tvwChild, "HKEY_CLASSES_ROOT\\CLSID", "CLSID", "Folder", "Leaf");
    tvw.Nodes.Add("hkey_classes_root", ui::tvwChild, "", "keyless");
    EXPECT_EQ(tvw.Nodes.Count(), 3);
    EXPECT_EQ(TreeCount(tvw.hWnd()), 3);
    EXPECT_EQ(TreeItemText(tvw.hWnd(), clsid->Handle()), "CLSID");
    EXPECT_EQ(tvw.Nodes.Item("HKEY_CLASSES_ROOT\\clsid"), clsid);
    EXPECT_EQ(clsid->Parent(), root);
    EXPECT_EQ(root->Children(), 2);
    EXPECT_EQ(root->Child(), clsid);
    EXPECT_EQ(clsid->Next()->Text(), "keyless");
    EXPECT_EQ(clsid->FullPath(), "HKEY_CLASSES_ROOT\\CLSID");

    struct Case {
        const char* what;
        std::function<void()> call;
        long error;
    } cases[] = {
        {"duplicate key, other case", [&] { tvw.Nodes.Add("", ui::tvwLast, "hkey_CLASSES_root", "x"); }, 35602},
        {"missing relative", [&] { tvw.Nodes.Add("NoSuchKey", ui::tvwChild, "k", "x"); }, 35601},
        {"missing key", [&] { tvw.Nodes.Item("NoSuchKey"); }, 35601},
        {"unknown image key", [&] { tvw.Nodes.Add("", ui::tvwLast, "img", "x", "NoSuchImage"); }, 35601},
        {"index out of range", [&] { tvw.Nodes.Item(99L); }, 35600},
    };
    for (auto& c : cases) EXPECT_EQ(ErrorOf(c.call), c.error) << c.what;
    EXPECT_EQ(TreeCount(tvw.hWnd()), 3) << "a failed add leaves the control as it was";
}

TEST_F(TreeTest, RemovingASubtreeDropsItsKeysAndAStaleNodeIsSafe) {
    auto a = tvw.Nodes.Add("", ui::tvwLast, "A", "A");
    auto b = tvw.Nodes.Add(a, ui::tvwChild, "A\\B", "B");
    tvw.Nodes.Add(b, ui::tvwChild, "A\\B\\C", "C");
    auto d = tvw.Nodes.Add("", ui::tvwLast, "D", "D");
    tvw.Nodes.Remove("a\\b");
    EXPECT_EQ(TreeCount(tvw.hWnd()), 2);
    EXPECT_EQ(tvw.Nodes.Count(), 2);
    EXPECT_FALSE(tvw.Nodes.Exists("A\\B\\C"));
    EXPECT_EQ(a->Children(), 0);
    EXPECT_TRUE(b->IsRemoved());
    EXPECT_EQ(ErrorOf([&] { b->Text(); b->Parent(); }), 35605);
    EXPECT_EQ(d->Index(), 2) << "indexes close up after a removal";
    tvw.Nodes.Add(a, ui::tvwChild, "A\\B", "B again");  // the key is free again
    EXPECT_EQ(tvw.Nodes.Item("A\\B")->Text(), "B again");
}

TEST_F(TreeTest, RawDeleteAllMessageEmptiesTheModelAndItsKeys) {
    EXPECT_FALSE((mTreeviewMacros_472::TreeView_DeleteAllItems)(tvw.hWnd())) << "nothing to delete";
    EXPECT_EQ(TreeCount(tvw.hWnd()), 0);
    auto r = tvw.Nodes.Add("", ui::tvwLast, "R", "R");
    tvw.Nodes.Add(r, ui::tvwChild, "R\\x", "x");
    EXPECT_TRUE((mTreeviewMacros_472::TreeView_DeleteAllItems)(tvw.hWnd()));
    EXPECT_EQ(TreeCount(tvw.hWnd()), 0);
    EXPECT_EQ(tvw.Nodes.Count(), 0);
    EXPECT_TRUE(r->IsRemoved());
    EXPECT_NO_THROW(tvw.Nodes.Add("", ui::tvwLast, "R", "R"));
    EXPECT_NO_THROW(tvw.Nodes.Add("R", ui::tvwChild, "R\\X", "x"));
    EXPECT_EQ(TreeCount(tvw.hWnd()), 2);
}

TEST_F(TreeTest, SortedChildrenFollowTheirTextsWithoutRegardToCase) {
    auto root = tvw.Nodes.Add("", ui::tvwLast, "Root", "Root");
    for (const char* t : {"delta", "Alpha", "charlie", "Bravo"}) tvw.Nodes.Add(root, ui::tvwChild, "", t);
    root->SetSorted(true);
    tvw.Nodes.Add(root, ui::tvwChild, "", "able");  // added after: sorted in as well
    std::vector<std::string> order;
    for (auto n = root->Child(); n; n = n->Next()) order.push_back(n->Text());
    EXPECT_EQ(order, (std::vector<std::string>{"able", "Alpha", "Bravo", "charlie", "delta"}));
    std::vector<std::string> real;
    for (HTREEITEM h = TreeView_GetChild(tvw.hWnd(), root->Handle()); h; h = TreeView_GetNextSibling(tvw.hWnd(), h))
        real.push_back(TreeItemText(tvw.hWnd(), h));
    EXPECT_EQ(real, order);
}

TEST_F(TreeTest, ClicksRaiseNodeClickThenMouseUpAndCodeSelectionRaisesNothing) {
    auto a = tvw.Nodes.Add("", ui::tvwLast, "A", "Alpha");
    auto b = tvw.Nodes.Add("", ui::tvwLast, "B", "Bravo");
    std::vector<std::string> events;
    tvw.NodeClick = [&](ui::Node& n) { events.push_back("NodeClick " + n.Key()); };
    tvw.MouseUp = [&](int button, int, long, long) { events.push_back("MouseUp " + std::to_string(button)); };
    tvw.KeyDown = [&](int key, int) { events.push_back("KeyDown " + std::to_string(key)); };

    tvw.SetSelectedItem(a);
    b->SetSelected(true);
    Pump();
    EXPECT_TRUE(events.empty()) << "selection from code";
    EXPECT_EQ(tvw.SelectedItem(), b);

    ClickAt(tvw.hWnd(), TreeItemPoint(tvw.hWnd(), a->Handle()));
    EXPECT_EQ(tvw.SelectedItem(), a);
    EXPECT_EQ(events, (std::vector<std::string>{"NodeClick A", "MouseUp 1"}));

    events.clear();
    ClickAt(tvw.hWnd(), TreeItemPoint(tvw.hWnd(), a->Handle()));
    EXPECT_EQ(events, (std::vector<std::string>{"NodeClick A", "MouseUp 1"})) << "a click on the selected node";

    events.clear();
    ClickAt(tvw.hWnd(), TreeItemPoint(tvw.hWnd(), b->Handle()), true);
    EXPECT_EQ(events, (std::vector<std::string>{"MouseUp 2"})) << "the right button selects nothing";
    POINT pb = TreeItemPoint(tvw.hWnd(), b->Handle());
    EXPECT_EQ(tvw.HitTest(pb.x * ui::Screen::TwipsPerPixelX(), pb.y * ui::Screen::TwipsPerPixelY()), b);

    events.clear();
    tvw.SetFocus();
    SendMessageA(tvw.hWnd(), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(events, (std::vector<std::string>{"KeyDown 40", "NodeClick B"}));
}

TEST_F(TreeTest, ImageKeysStayValidWhenTheImageListIsClearedAndRefilled) {
    auto n = tvw.Nodes.Add("", ui::tvwLast, "N", "N", "Leaf");
    form.iml.Clear();
    form.iml.Add("Other", LoadIcon(nullptr, IDI_WARNING));
    form.iml.Add("Leaf", LoadIcon(nullptr, IDI_INFORMATION));
    EXPECT_EQ(n->Image().key, "Leaf");
    EXPECT_EQ(form.iml.Resolve(n->Image()), 1);
    n->SetImage("Other");
    EXPECT_EQ(ErrorOf([&] { n->SetImage("Gone"); }), 35601);
    EXPECT_EQ(n->Image().key, "Other");
}

// The node routines on a tree holding one top node.
TEST_F(TreeTest, AddNodePathCreatesEachMissingLevelOnce) {
    tvw.Nodes.Add("", ui::tvwFirst, "HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT");
    const std::string path = "HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32\\";
    QV_TreeView_Lib::AddNodePath(tvw, "HKEY_CLASSES_ROOT", path, true, {}, {}, "Leaf", "Leaf");
    EXPECT_EQ(tvw.Nodes.Count(), 4);
    struct {
        const char* key;
        const char* text;
        long level;
    } expected[] = {
        {"HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT", 0},
        {"HKEY_CLASSES_ROOT\\CLSID", "CLSID", 1},
        {"HKEY_CLASSES_ROOT\\CLSID\\{x}", "{x}", 2},
        {"HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32", "InprocServer32", 3},
    };
    for (auto& e : expected) {
        ASSERT_TRUE(tvw.Nodes.Exists(e.key)) << e.key;
        EXPECT_EQ(tvw.Nodes.Item(e.key)->Text(), e.text);
        EXPECT_EQ(TreeItemText(tvw.hWnd(), tvw.Nodes.Item(e.key)->Handle()), e.text);
        EXPECT_EQ(QV_TreeView_Lib::GetNodeLevel(tvw, e.key), e.level);
    }
    auto leaf = tvw.Nodes.Item("HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32");
    EXPECT_EQ(leaf->Image().key, "Leaf");
    EXPECT_TRUE(leaf->Parent()->Expanded()) << "made visible";

    EXPECT_NO_THROW(QV_TreeView_Lib::AddNodePath(tvw, "HKEY_CLASSES_ROOT", path, false));
    EXPECT_NO_THROW(QV_TreeView_Lib::AddNodePath(tvw, "HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT\\CLSID\\{x}", true));
    EXPECT_EQ(tvw.Nodes.Count(), 4);
    EXPECT_EQ(TreeCount(tvw.hWnd()), 4);
    EXPECT_EQ(ErrorOf([&] { tvw.Nodes.Add("HKEY_CLASSES_ROOT", ui::tvwChild, "HKEY_CLASSES_ROOT\\CLSID", "CLSID"); }),
              35602);
    EXPECT_EQ(ErrorOf([&] { QV_TreeView_Lib::GetNodeLevel(tvw, "nope"); }), 35601);

    // A path with no level below the parent adds nothing (no blank node).
    QV_TreeView_Lib::AddNodePath(tvw, "HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT", true);
    QV_TreeView_Lib::AddNodePath(tvw, "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER\\Software", false);
    EXPECT_EQ(tvw.Nodes.Count(), 4);
    // Below a parent no node has, nothing is added; only the final lookup reports the missing node.
    EXPECT_NO_THROW(QV_TreeView_Lib::AddNodePath(tvw, "HKEY_USERS", "HKEY_USERS\\.DEFAULT\\Software", false));
    EXPECT_EQ(ErrorOf([&] { QV_TreeView_Lib::AddNodePath(tvw, "HKEY_USERS", "HKEY_USERS\\.DEFAULT", true); }), 35601);
    EXPECT_EQ(tvw.Nodes.Count(), 4);

    ui::NodePtr out;
    const std::string leafKey = "HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32";
    EXPECT_EQ(QV_TreeView_Lib::GetAncestorNode(tvw, leafKey, 1, out), 1);
    EXPECT_EQ(out->Key(), "HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_EQ(QV_TreeView_Lib::GetAncestorNode(tvw, leafKey, 0, out), 1);
    EXPECT_EQ(out->Key(), "HKEY_CLASSES_ROOT");
    ui::NodePtr untouched;
    EXPECT_EQ(QV_TreeView_Lib::GetAncestorNode(tvw, leafKey, 3, untouched), 0);
    EXPECT_EQ(QV_TreeView_Lib::GetAncestorNode(tvw, leafKey, 5, untouched), 0);
    EXPECT_EQ(untouched, nullptr);

    QV_TreeView_Lib::RemoveChildNodes(tvw, "HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32");  // none: nothing
    EXPECT_EQ(tvw.Nodes.Count(), 4);
    QV_TreeView_Lib::RemoveChildNodes(tvw, "HKEY_CLASSES_ROOT");
    EXPECT_EQ(tvw.Nodes.Count(), 1);
    EXPECT_EQ(TreeCount(tvw.hWnd()), 1);
    EXPECT_EQ(tvw.Nodes.Item("HKEY_CLASSES_ROOT")->Children(), 0);
}

TEST_F(TreeTest, TwentyThousandNodesFillAndEmpty) {
    {
        ui::RedrawOff quiet(tvw);
        auto root = tvw.Nodes.Add("", ui::tvwLast, "CLSID", "CLSID");
        root->SetSorted(true);
        for (int i = 20000; i > 0; --i) {
            std::string t = "{" + std::to_string(i) + "}";
            tvw.Nodes.Add(root, ui::tvwChild, "CLSID\\" + t, t);
        }
    }
    EXPECT_EQ(TreeCount(tvw.hWnd()), 20001);
    EXPECT_EQ(tvw.Nodes.Item("clsid\\{12345}")->Text(), "{12345}");
    EXPECT_EQ(tvw.Nodes.Item("CLSID")->Child()->Text(), "{1}");
    tvw.Nodes.Clear();
    EXPECT_EQ(TreeCount(tvw.hWnd()), 0);
    EXPECT_EQ(tvw.Nodes.Count(), 0);
}

// A chain nested 30,000 levels deep (an import chain's tree): a deep subtree is removed, the
// tree is cleared, and the window goes, each with the model and the control in step and without
// work that nests as deep as the chain.
TEST(TreeReload, AChainThirtyThousandLevelsDeepIsRemovedClearedAndUnloaded) {
    constexpr int kLevels = 30000;
    TestForm form;
    form.Load();
    ui::TreeView& tvw = form.tvw;
    auto fill = [&] {
        ui::RedrawOff quiet(tvw);
        ui::NodePtr n = tvw.Nodes.Add("", ui::tvwLast, "L0", "L0");
        for (int i = 1; i < kLevels; ++i) n = tvw.Nodes.Add(n, ui::tvwChild, "L" + std::to_string(i), "leaf");
        tvw.Nodes.Item("L0")->SetExpanded(true);
    };
    fill();
    ASSERT_EQ(TreeCount(tvw.hWnd()), kLevels);
    ui::NodePtr keep = tvw.Nodes.Item("L99");
    tvw.Nodes.Item("L200")->SetSelected(true);
    tvw.Nodes.Remove("L100");
    EXPECT_EQ(TreeCount(tvw.hWnd()), 100);
    EXPECT_EQ(tvw.Nodes.Count(), 100);
    EXPECT_FALSE(tvw.Nodes.Exists("L100"));
    EXPECT_FALSE(tvw.Nodes.Exists("L29999"));
    EXPECT_EQ(keep->Children(), 0);
    tvw.Nodes.Clear();
    EXPECT_EQ(TreeCount(tvw.hWnd()), 0);
    EXPECT_TRUE(keep->IsRemoved());
    fill();
    tvw.Nodes.Item("L300")->SetSelected(true);
    tvw.Nodes.Clear();
    EXPECT_EQ(TreeCount(tvw.hWnd()), 0);
    EXPECT_EQ(tvw.Nodes.Count(), 0);
    fill();
    keep = tvw.Nodes.Item("L15000");
    EXPECT_TRUE(form.Unload());
    EXPECT_TRUE(keep->IsRemoved());
    EXPECT_EQ(tvw.Nodes.Count(), 0);
    form.Load();
    // The control's window destroyed on its own, as a container's destruction takes it.
    fill();
    keep = tvw.Nodes.Item("L29999");
    EXPECT_TRUE(DestroyWindow(tvw.hWnd()));
    EXPECT_TRUE(keep->IsRemoved());
    EXPECT_EQ(tvw.Nodes.Count(), 0);
    EXPECT_EQ(tvw.hWnd(), nullptr);
    form.Unload();
    form.Load();
    EXPECT_NO_THROW(tvw.Nodes.Add("", ui::tvwLast, "L0", "L0"));
    EXPECT_EQ(TreeCount(tvw.hWnd()), 1);
    form.Unload();
}

TEST(TreeReload, UnloadEmptiesTheModelAndALoadStartsAfresh) {
    TestForm form;
    form.Load();
    auto n = form.tvw.Nodes.Add("", ui::tvwLast, "K", "K");
    EXPECT_TRUE(form.Unload());
    EXPECT_TRUE(n->IsRemoved());
    EXPECT_EQ(form.tvw.Nodes.Count(), 0);
    EXPECT_EQ(form.tvw.hWnd(), nullptr);
    form.Load();
    EXPECT_NO_THROW(form.tvw.Nodes.Add("", ui::tvwLast, "K", "K"));
    EXPECT_EQ(TreeCount(form.tvw.hWnd()), 1);
    form.Unload();
}

}  // namespace
