#pragma once
// The menu bar and the pop-up menus of the description as Windows menus,
// with their design captions: radio items of a group (run-time items of its
// slots included) checked one at a time with a bullet, run-time items where
// their slot stands, and the shortcuts of the description shown beside their
// items and made keys of an accelerator table.
//
// An item's command number is its control's number; a run-time item's
// stands for its slot and index.

#include <windows.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "WindowDescription.h"
#include "WindowView.h"

class TMenus {
public:
    TMenus();
    ~TMenus();
    TMenus(const TMenus&) = delete;
    TMenus& operator=(const TMenus&) = delete;

    // The bar, for SetMenu: the window destroys it with itself.
    HMENU Bar() const { return bar_; }
    // The keys of the shortcuts; the menus destroy it.
    HACCEL Accelerators() const { return accelerators_; }
    // A menu of the bar or a sub-menu, or a pop-up menu.
    HMENU Menu(TControl menu) const { return menus_.at(menu); }
    // The control of a menu handle; None for a menu not ours.
    TControl MenuOf(HMENU menu) const;

    // What a command number stands for: an item, or a slot and the index
    // of its run-time item.
    struct TItemRef {
        TControl Control = TControl::None;
        std::optional<std::size_t> Index;
    };
    std::optional<TItemRef> ItemOf(UINT command) const;
    static UINT CommandOf(TControl item) { return static_cast<UINT>(item); }
    static UINT CommandOf(TControl slot, std::size_t index);

    void SetCaption(TControl control, const std::string& text);
    void Check(TControl item);
    void ClearChecks(TRadioGroup group);
    void SetItems(TControl slot, const std::vector<TRunTimeItem>& items);
    void CheckItem(TControl slot, std::size_t index);
    // False when control is no menu or item.
    bool SetEnabled(TControl control, bool enabled);
    // What a run-time item tells when the mouse rests on it; null when
    // nothing.
    const std::string* TooltipOf(UINT command) const;

private:
    struct TEntry {
        TControl Control;
        bool Slot;
    };
    // Where a menu or item stands: its menu and the position there.
    HMENU ParentOf(TControl control) const;
    UINT PositionOf(TControl control) const;
    void SetChecked(HMENU menu, UINT command, bool checked);

    HMENU bar_ = nullptr;
    HACCEL accelerators_ = nullptr;
    std::map<TControl, HMENU> menus_;
    std::map<HMENU, std::vector<TEntry>> entries_;
    std::map<TControl, HMENU> parents_;
    std::map<TControl, std::size_t> slotSizes_;
    std::map<TRadioGroup, std::vector<TControl>> groups_;  // items and slots
    std::map<UINT, std::string> tooltips_;                 // of run-time items
};

// A shortcut of the description ("Ctrl+Shift+O", "F5", "Ctrl++") as an
// accelerator for command. Throws std::invalid_argument for a key it does
// not know.
ACCEL ShortcutKey(const std::string& shortcut, WORD command);
