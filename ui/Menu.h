// The menu model of a form: named items with Caption, Visible, Enabled and Checked, and a
// Click per item. Win32 menus have no Visible flag: a hidden item is taken out of its real
// menu and put back in its own place when shown again; it keeps its Checked state.
//
//     auto& file = Menus.Add("mnuFile", "&File");
//     file.Add("mnuFile_Exit", "Exit").Click = [this] { Unload(); };
//     file.Add("mnuFile_Sep1", "-");                       // "-" is a separator line
//     auto& edit = Menus.Add("mnuEdit", "Edit");
//     edit.SetVisible(false);                              // leaves the menu bar, keeps its place
//     Menus["mnuEdit_Delete"].SetEnabled(false);           // any item by name
//     PopupMenu(Menus["mnuValues"], &Menus["mnuValues_Modify"]);
//
// A menu kept only for pop-ups is a top-level item that stays hidden. Menus are built in the
// form's load handler, like its controls; unloading the form empties them.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ui {

class Menu;

class MenuItem {
public:
    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool IsSeparator() const { return caption_ == "-"; }

    // Adds a sub-item at the end; names are unique in the form's menus.
    MenuItem& Add(const std::string& name, const std::string& caption);
    long Count() const { return static_cast<long>(children_.size()); }
    MenuItem& Item(long index);  // 1-based
    MenuItem* Parent() const { return parent_; }

    // Runs when the item is chosen (from the menu bar or a pop-up), or when code calls DoClick.
    // An item is wired in one place only: giving it a second command throws, so two files that
    // both wire it cannot silently depend on which of them runs last. nullptr unwires it.
    class Command {
    public:
        explicit Command(const std::string& item) : item_(item) {}
        Command(const Command&) = delete;
        Command& operator=(const Command&) = delete;
        Command& operator=(std::function<void()> run);
        Command& operator=(std::nullptr_t) {
            run_ = nullptr;
            return *this;
        }
        explicit operator bool() const { return static_cast<bool>(run_); }
        void operator()() const { run_(); }

    private:
        const std::string& item_;  // the item's name, for the message
        std::function<void()> run_;
    };
    Command Click{name_};
    void DoClick();

private:
    friend class Menu;
    friend class Form;
    MenuItem(Menu* owner, MenuItem* parent, std::string name, std::string caption, UINT id);
    void Rebuild();                  // refills this item's real sub-menu from the model
    void FillInto(HMENU menu) const; // appends the visible sub-items
    Menu* owner_;
    MenuItem* parent_;
    std::string name_;
    std::string caption_;
    bool visible_ = true;
    bool enabled_ = true;
    bool checked_ = false;
    UINT id_;
    HMENU sub_ = nullptr;  // real pop-up menu, when the item has sub-items
    std::vector<std::unique_ptr<MenuItem>> children_;
};

class Menu {
public:
    Menu();
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // Adds a top-level menu of the menu bar.
    MenuItem& Add(const std::string& name, const std::string& caption);
    // The item of that name (any depth, case-insensitive); a missing name throws 35601.
    MenuItem& Item(const std::string& name);
    MenuItem& operator[](const std::string& name) { return Item(name); }
    MenuItem* Find(const std::string& name);
    long Count() const { return static_cast<long>(top_.size()); }

    // Removes every item (the form's unload does this).
    void Clear();

    // The real menu bar (null while no top-level item exists).
    HMENU Handle() const { return bar_; }
    // The item with that command id, or null.
    MenuItem* ById(UINT id);

    // Holds back the refresh of the real menus while many items change (building the menus,
    // switching a tab's menus): when the outermost batch ends they are refreshed once. Each
    // refresh of the menu bar redraws the window's frame, which is slow under X.
    class Batch {
    public:
        explicit Batch(Menu& menu) : menu_(menu) { ++menu_.batch_; }
        ~Batch() { menu_.EndBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Menu& menu_;
    };

private:
    friend class MenuItem;
    friend class Form;
    void AttachTo(HWND window);  // sets the bar on the form's window
    void Detach();
    void Changed(MenuItem* item);  // refreshes the real menus after a model change
    void RebuildBar();
    void EndBatch();
    HMENU bar_ = nullptr;
    int batch_ = 0;       // open batches
    bool dirty_ = false;  // a change waits for the end of the batch
    HWND window_ = nullptr;
    UINT nextId_ = 1000;
    std::vector<std::unique_ptr<MenuItem>> top_;
    std::unordered_map<std::string, MenuItem*> byName_;
    std::unordered_map<UINT, MenuItem*> byId_;
};

}  // namespace ui
