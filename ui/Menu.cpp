#include "ui/Menu.h"

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "ui/Internal.h"

#include <stdexcept>

namespace ui {

MenuItem::MenuItem(Menu* owner, MenuItem* parent, std::string name, std::string caption, UINT id)
    : owner_(owner), parent_(parent), name_(std::move(name)), caption_(std::move(caption)), id_(id) {}

void MenuItem::SetCaption(const std::string& caption) {
    caption_ = caption;
    owner_->Changed(this);
}
void MenuItem::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    owner_->Changed(this);
}
void MenuItem::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    owner_->Changed(this);
}
void MenuItem::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    owner_->Changed(this);
}

MenuItem& MenuItem::Add(const std::string& name, const std::string& caption) {
    std::string folded = TextCase::Lower(name);
    if (!name.empty() && owner_->byName_.count(folded)) QV_Err::Raise(35602, "Menu");
    children_.push_back(std::unique_ptr<MenuItem>(new MenuItem(owner_, this, name, caption, owner_->nextId_++)));
    MenuItem* item = children_.back().get();
    if (!name.empty()) owner_->byName_[folded] = item;
    owner_->byId_[item->id_] = item;
    if (owner_->batch_) {
        owner_->dirty_ = true;
        return *item;
    }
    bool firstChild = children_.size() == 1;
    if (firstChild && parent_) parent_->Rebuild();  // this item turns into a sub-menu
    if (firstChild && !parent_) owner_->RebuildBar();
    else Rebuild();
    return *item;
}

MenuItem& MenuItem::Item(long index) {
    if (index < 1 || index > Count()) QV_Err::Raise(35600, "Menu");
    return *children_[static_cast<size_t>(index - 1)];
}

MenuItem::Command& MenuItem::Command::operator=(std::function<void()> run) {
    if (run && run_) throw std::logic_error("the menu item " + item_ + " was given a second command");
    run_ = std::move(run);
    return *this;
}

void MenuItem::DoClick() {
    if (Click) Click();
}

void MenuItem::Rebuild() {
    if (children_.empty()) return;
    if (!sub_) sub_ = CreatePopupMenu();
    while (GetMenuItemCount(sub_) > 0) RemoveMenu(sub_, 0, MF_BYPOSITION);
    FillInto(sub_);
}

void MenuItem::FillInto(HMENU menu) const {
    for (const auto& child : children_) {
        if (!child->visible_) continue;
        if (child->IsSeparator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (child->enabled_ ? MF_ENABLED : MF_GRAYED) | (child->checked_ ? MF_CHECKED : 0);
        if (!child->children_.empty()) {
            child->Rebuild();
            AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(child->sub_), child->caption_.c_str());
        } else {
            AppendMenuA(menu, flags, child->id_, child->caption_.c_str());
        }
    }
}

Menu::Menu() = default;

Menu::~Menu() { Clear(); }

void Menu::Clear() {
    Detach();
    // Sub-menus are destroyed with the bar when attached; free the ones not in a bar.
    std::vector<MenuItem*> stack;
    for (auto& t : top_) stack.push_back(t.get());
    while (!stack.empty()) {
        MenuItem* m = stack.back();
        stack.pop_back();
        for (auto& c : m->children_) stack.push_back(c.get());
        if (m->sub_) {
            while (GetMenuItemCount(m->sub_) > 0) RemoveMenu(m->sub_, 0, MF_BYPOSITION);
            DestroyMenu(m->sub_);
            m->sub_ = nullptr;
        }
    }
    top_.clear();
    byName_.clear();
    byId_.clear();
}

MenuItem& Menu::Add(const std::string& name, const std::string& caption) {
    std::string folded = TextCase::Lower(name);
    if (!name.empty() && byName_.count(folded)) QV_Err::Raise(35602, "Menu");
    top_.push_back(std::unique_ptr<MenuItem>(new MenuItem(this, nullptr, name, caption, nextId_++)));
    MenuItem* item = top_.back().get();
    if (!name.empty()) byName_[folded] = item;
    byId_[item->id_] = item;
    if (batch_) dirty_ = true;
    else RebuildBar();
    return *item;
}

MenuItem& Menu::Item(const std::string& name) {
    MenuItem* m = Find(name);
    if (!m) QV_Err::Raise(35601, "Menu");
    return *m;
}

MenuItem* Menu::Find(const std::string& name) {
    auto it = byName_.find(TextCase::Lower(name));
    return it == byName_.end() ? nullptr : it->second;
}

MenuItem* Menu::ById(UINT id) {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

void Menu::AttachTo(HWND window) {
    window_ = window;
    RebuildBar();
}

void Menu::Detach() {
    if (bar_) {
        if (window_ && IsWindow(window_) && GetMenu(window_) == bar_) SetMenu(window_, nullptr);
        // The sub-menus belong to their items and outlive the bar.
        while (GetMenuItemCount(bar_) > 0) RemoveMenu(bar_, 0, MF_BYPOSITION);
        DestroyMenu(bar_);
        bar_ = nullptr;
    }
    window_ = nullptr;
}

void Menu::Changed(MenuItem* item) {
    if (batch_) {
        dirty_ = true;
        return;
    }
    if (item->parent_) item->parent_->Rebuild();
    else RebuildBar();
}

void Menu::EndBatch() {
    if (--batch_ > 0 || !dirty_) return;
    dirty_ = false;
    // The bar refills its shown menus; the hidden ones (pop-ups) and, without a window, all
    // are refilled here.
    for (const auto& t : top_)
        if (!window_ || !t->visible_) t->Rebuild();
    RebuildBar();
}

void Menu::RebuildBar() {
    if (!window_) return;
    if (!bar_) bar_ = CreateMenu();
    while (GetMenuItemCount(bar_) > 0) RemoveMenu(bar_, 0, MF_BYPOSITION);
    bool any = false;
    for (const auto& t : top_) {
        if (!t->visible_) continue;
        any = true;
        UINT flags = MF_STRING | (t->enabled_ ? MF_ENABLED : MF_GRAYED) | (t->checked_ ? MF_CHECKED : 0);
        if (!t->children_.empty()) {
            t->Rebuild();
            AppendMenuA(bar_, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(t->sub_), t->caption_.c_str());
        } else {
            AppendMenuA(bar_, flags, t->id_, t->caption_.c_str());
        }
    }
    // A form whose menus are all hidden (pop-up menus only) has no menu bar at all.
    HMENU want = any ? bar_ : nullptr;
    if (GetMenu(window_) != want) SetMenu(window_, want);
    else DrawMenuBar(window_);
}

}  // namespace ui
