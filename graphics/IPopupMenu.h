#pragma once

#include <memory>
#include <string>
#include <vector>

namespace frame::graphics {

/** An ordered list of menu items plus the chosen index (-1 when nothing was chosen).
 *  A menu belongs to the control that shows it. */
class IPopupMenu
{
public:
  class Item
  {
  public:
    enum Flags
    {
      kNoFlags = 0,
      kDisabled = 1,
      kTitle = 2,
      kChecked = 4,
      kSeparator = 8
    };

    Item(const char* text, int flags = kNoFlags, int tag = -1) : mText(text ? text : ""), mFlags(flags), mTag(tag) {}

    const char* GetText() const { return mText.c_str(); }
    int GetFlags() const { return mFlags; }
    int GetTag() const { return mTag; }
    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return mFlags & kChecked; }
    bool GetIsTitle() const { return mFlags & kTitle; }
    bool GetIsSeparator() const { return mFlags & kSeparator; }
    IPopupMenu* GetSubmenu() const { return mSubmenu.get(); }
    void SetChecked(bool checked) { mFlags = checked ? (mFlags | kChecked) : (mFlags & ~kChecked); }

  private:
    std::string mText;
    std::unique_ptr<IPopupMenu> mSubmenu;
    int mFlags;
    int mTag;
  };

  explicit IPopupMenu(const char* title = "", int prefix = 0, bool multiCheck = false)
    : mTitle(title ? title : ""), mPrefix(prefix), mMultiCheck(multiCheck)
  {
  }

  /** Inserts at list position index, or appends when index is -1 (or past the end). */
  Item* AddItem(const char* text, int index = -1, int flags = Item::kNoFlags)
  {
    auto item = std::make_unique<Item>(text, flags);
    Item* raw = item.get();
    if (index < 0 || index >= NItems())
      mItems.push_back(std::move(item));
    else
      mItems.insert(mItems.begin() + index, std::move(item));
    return raw;
  }
  Item* AddSeparator(int index = -1) { return AddItem("", index, Item::kSeparator); }
  void Clear() { mItems.clear(); mChosenItemIdx = -1; }

  int NItems() const { return static_cast<int>(mItems.size()); }
  Item* GetItem(int index) { return index >= 0 && index < NItems() ? mItems[static_cast<size_t>(index)].get() : nullptr; }
  const Item* GetItem(int index) const { return index >= 0 && index < NItems() ? mItems[static_cast<size_t>(index)].get() : nullptr; }
  const char* GetItemText(int index) const { const Item* i = GetItem(index); return i ? i->GetText() : ""; }

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  const char* GetTitle() const { return mTitle.c_str(); }
  int GetPrefix() const { return mPrefix; }
  bool GetMultiCheck() const { return mMultiCheck; }

private:
  std::string mTitle;
  int mPrefix;
  bool mMultiCheck;
  int mChosenItemIdx = -1;
  std::vector<std::unique_ptr<Item>> mItems;
};

} // namespace frame::graphics
