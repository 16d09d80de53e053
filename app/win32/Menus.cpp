#include "Menus.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "Utf8.h"
#include "Win32Ui.h"

namespace {

// Run-time items: slot number << 8 | index, above every control's number.
constexpr UINT RunTimeCommands = 0x1000;
constexpr std::size_t MostRunTimeItems = 256;

std::wstring ItemCaption(const TControlSpec& described, const std::string& text)
{
    std::wstring caption = WideFromUtf8(text);
    if (*described.Shortcut != '\0')
        caption += L"\t" + WideFromUtf8(described.Shortcut);
    return caption;
}

void SetItemText(HMENU menu, UINT item, BOOL byPosition, const std::wstring& text)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    SetMenuItemInfoW(menu, item, byPosition, &info);
}

void InsertItem(HMENU menu, UINT position, UINT command, const std::wstring& text, bool radio, bool checked,
                bool enabled)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
    info.fType = MFT_STRING | (radio ? MFT_RADIOCHECK : 0);
    info.fState = (checked ? MFS_CHECKED : MFS_UNCHECKED) | (enabled ? MFS_ENABLED : MFS_DISABLED);
    info.wID = command;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    InsertMenuItemW(menu, position, TRUE, &info);
}

}  // namespace

TMenus::TMenus()
{
    std::vector<ACCEL> keys;
    for (const TControlSpec& described : WindowControls()) {
        if (described.Parent == TControl::Form2)
            continue;
        switch (described.Kind) {
        case TControlKind::MenuBar:
            bar_ = CreateMenu();
            menus_[described.Id] = bar_;
            break;
        case TControlKind::Menu: {
            HMENU menu = CreatePopupMenu();
            menus_[described.Id] = menu;
            if (described.Parent != TControl::None) {
                HMENU parent = menus_.at(described.Parent);
                AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                            WideFromUtf8(DesignCaption(described)).c_str());
                entries_[parent].push_back({described.Id, false});
                parents_[described.Id] = parent;
            }
            break;
        }
        case TControlKind::MenuItem:
        case TControlKind::Separator:
        case TControlKind::ItemSlot: {
            HMENU parent = menus_.at(described.Parent);
            const UINT position = static_cast<UINT>(GetMenuItemCount(parent));
            if (described.Kind == TControlKind::MenuItem)
                InsertItem(parent, position, CommandOf(described.Id), ItemCaption(described, DesignCaption(described)),
                           described.Group != TRadioGroup::None, described.CheckedAtDesign, true);
            else if (described.Kind == TControlKind::Separator)
                AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
            else
                slotSizes_[described.Id] = 0;
            entries_[parent].push_back({described.Id, described.Kind == TControlKind::ItemSlot});
            parents_[described.Id] = parent;
            if (described.Group != TRadioGroup::None)
                groups_[described.Group].push_back(described.Id);
            if (*described.Shortcut != '\0')
                keys.push_back(ShortcutKey(described.Shortcut, static_cast<WORD>(CommandOf(described.Id))));
            break;
        }
        default:
            break;
        }
    }
    if (!keys.empty())
        accelerators_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

TMenus::~TMenus()
{
    for (const TControlSpec& described : WindowControls())
        if (described.Kind == TControlKind::Menu && described.Parent == TControl::None)
            DestroyMenu(menus_.at(described.Id));
    if (accelerators_ != nullptr)
        DestroyAcceleratorTable(accelerators_);
}

TControl TMenus::MenuOf(HMENU menu) const
{
    for (const auto& [control, handle] : menus_)
        if (handle == menu)
            return control;
    return TControl::None;
}

UINT TMenus::CommandOf(TControl slot, std::size_t index)
{
    return RunTimeCommands + (static_cast<UINT>(slot) << 8) + static_cast<UINT>(index);
}

std::optional<TMenus::TItemRef> TMenus::ItemOf(UINT command) const
{
    if (command >= RunTimeCommands) {
        const auto slot = static_cast<TControl>((command - RunTimeCommands) >> 8);
        const std::size_t index = (command - RunTimeCommands) & 0xFF;
        const auto size = slotSizes_.find(slot);
        if (size == slotSizes_.end() || index >= size->second)
            return std::nullopt;
        return TItemRef{slot, index};
    }
    const auto item = static_cast<TControl>(command);
    if (!parents_.contains(item) || ControlSpec(item).Kind != TControlKind::MenuItem)
        return std::nullopt;
    return TItemRef{item, std::nullopt};
}

HMENU TMenus::ParentOf(TControl control) const
{
    const auto parent = parents_.find(control);
    return parent != parents_.end() ? parent->second : nullptr;
}

UINT TMenus::PositionOf(TControl control) const
{
    UINT position = 0;
    for (const TEntry& entry : entries_.at(ParentOf(control))) {
        if (entry.Control == control)
            return position;
        position += entry.Slot ? static_cast<UINT>(slotSizes_.at(entry.Control)) : 1;
    }
    throw std::out_of_range("no such menu entry");
}

void TMenus::SetCaption(TControl control, const std::string& text)
{
    const TControlSpec& described = ControlSpec(control);
    HMENU parent = ParentOf(control);
    if (parent == nullptr)
        return;  // a pop-up menu has no caption
    if (described.Kind == TControlKind::Menu)
        SetItemText(parent, PositionOf(control), TRUE, WideFromUtf8(text));
    else
        SetItemText(parent, CommandOf(control), FALSE, ItemCaption(described, text));
}

void TMenus::SetChecked(HMENU menu, UINT command, bool checked)
{
    CheckMenuItem(menu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TMenus::ClearChecks(TRadioGroup group)
{
    for (const TControl member : groups_[group]) {
        if (ControlSpec(member).Kind == TControlKind::ItemSlot)
            for (std::size_t i = 0; i < slotSizes_.at(member); ++i)
                SetChecked(ParentOf(member), CommandOf(member, i), false);
        else
            SetChecked(ParentOf(member), CommandOf(member), false);
    }
}

void TMenus::Check(TControl item)
{
    ClearChecks(ControlSpec(item).Group);
    SetChecked(ParentOf(item), CommandOf(item), true);
}

void TMenus::CheckItem(TControl slot, std::size_t index)
{
    if (index >= slotSizes_.at(slot))
        throw std::out_of_range("no such run-time item");
    ClearChecks(ControlSpec(slot).Group);
    SetChecked(ParentOf(slot), CommandOf(slot, index), true);
}

void TMenus::SetItems(TControl slot, const std::vector<TRunTimeItem>& items)
{
    if (items.size() > MostRunTimeItems)
        throw std::length_error("too many items for a menu");
    HMENU menu = ParentOf(slot);
    std::size_t& size = slotSizes_.at(slot);
    for (std::size_t i = 0; i < size; ++i) {
        DeleteMenu(menu, CommandOf(slot, i), MF_BYCOMMAND);
        tooltips_.erase(CommandOf(slot, i));
    }
    size = 0;
    const UINT first = PositionOf(slot);
    for (std::size_t i = 0; i < items.size(); ++i) {
        InsertItem(menu, first + static_cast<UINT>(i), CommandOf(slot, i),
                   LiteralCaption(items[i].Caption, items[i].Underlined), items[i].Checkable, false, items[i].Enabled);
        if (!items[i].Tooltip.empty())
            tooltips_[CommandOf(slot, i)] = items[i].Tooltip;
    }
    size = items.size();
}

bool TMenus::SetEnabled(TControl control, bool enabled)
{
    HMENU parent = ParentOf(control);
    if (parent == nullptr)
        return false;
    const UINT state = enabled ? MF_ENABLED : MF_GRAYED;
    if (ControlSpec(control).Kind == TControlKind::Menu)
        EnableMenuItem(parent, PositionOf(control), MF_BYPOSITION | state);
    else
        EnableMenuItem(parent, CommandOf(control), MF_BYCOMMAND | state);
    return true;
}

const std::string* TMenus::TooltipOf(UINT command) const
{
    const auto tooltip = tooltips_.find(command);
    return tooltip != tooltips_.end() ? &tooltip->second : nullptr;
}

ACCEL ShortcutKey(const std::string& shortcut, WORD command)
{
    // The key after the last '+', which may itself be '+' ("Ctrl++").
    std::size_t split = shortcut.rfind('+');
    if (split != std::string::npos && split + 1 == shortcut.size() && split > 0 && shortcut[split - 1] == '+')
        --split;
    const std::string key = split == std::string::npos ? shortcut : shortcut.substr(split + 1);
    std::string modifiers = split == std::string::npos ? std::string() : shortcut.substr(0, split + 1);
    ACCEL accel{FVIRTKEY, 0, command};
    for (std::size_t start = 0; start < modifiers.size();) {
        const std::size_t end = modifiers.find('+', start);
        const std::string modifier = modifiers.substr(start, end - start);
        if (modifier == "Ctrl")
            accel.fVirt |= FCONTROL;
        else if (modifier == "Shift")
            accel.fVirt |= FSHIFT;
        else if (modifier == "Alt")
            accel.fVirt |= FALT;
        else
            throw std::invalid_argument("unknown modifier in shortcut " + shortcut);
        start = end + 1;
    }
    static const std::map<std::string, WORD> named{
        {"Del", VK_DELETE},     {"Delete", VK_DELETE}, {"Ins", VK_INSERT},   {"Insert", VK_INSERT},
        {"Home", VK_HOME},      {"End", VK_END},       {"PgUp", VK_PRIOR},   {"PgDown", VK_NEXT},
        {"Esc", VK_ESCAPE},     {"Return", VK_RETURN}, {"Enter", VK_RETURN}, {"Space", VK_SPACE},
        {"Tab", VK_TAB},        {"Backspace", VK_BACK}, {"Left", VK_LEFT},   {"Right", VK_RIGHT},
        {"Up", VK_UP},          {"Down", VK_DOWN},     {"+", VK_OEM_PLUS},   {"=", VK_OEM_PLUS},
        {"-", VK_OEM_MINUS},    {"Minus", VK_OEM_MINUS},
    };
    if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0])))
        accel.key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(key[0])));
    else if (const auto found = named.find(key); found != named.end())
        accel.key = found->second;
    else if (key.size() >= 2 && key[0] == 'F' && std::all_of(key.begin() + 1, key.end(), ::isdigit) &&
             std::stoi(key.substr(1)) >= 1 && std::stoi(key.substr(1)) <= 24)
        accel.key = static_cast<WORD>(VK_F1 + std::stoi(key.substr(1)) - 1);
    else
        throw std::invalid_argument("unknown key in shortcut " + shortcut);
    return accel;
}
