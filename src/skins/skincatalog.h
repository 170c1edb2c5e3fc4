#pragma once

#include <array>
#include <string_view>

// The skins offered on the skin menu, in menu order: three groups of three,
// then the default on the menu itself. This table is the only list of skins:
// the skin menu is built from it, each menu item reaches the handler named
// item + "_Click", and the build copies the files named in fixedText (it
// reads them from this header, so keep each on one line as written).
//
// item is the menu item's name, caption its text (UTF-8), group the number
// of its group ("塔维<group>组", 0 for none) and fixedText the skin file's
// place after the program directory.
struct SkinEntryInfo {
    const char *item;
    const char *caption;
    int group;
    const char *fixedText;
};

inline constexpr int kSkinGroupCount = 3;
inline constexpr const char *kDefaultSkin = "\\skin\\tar.vio";

inline constexpr std::array<SkinEntryInfo, 10> kSkinCatalog = {{
    {"black", "(&1)黑色钻石", 1, "\\skin\\black.vio"},
    {"gray", "(&2)灰色颓废", 1, "\\skin\\gray.vio"},
    {"wood", "(&3)简谱积木", 1, "\\skin\\wood.vio"},
    {"asus", "(&1)精仿华硕", 2, "\\skin\\asus.vio"},
    {"blue", "(&2)蓝色经典", 2, "\\skin\\blue.vio"},
    {"eye", "(&3)视觉冲击", 2, "\\skin\\eye.vio"},
    {"warm", "(&1)温暖木雕", 3, "\\skin\\warm.vio"},
    {"pebble", "(&2)炫酷水晶", 3, "\\skin\\pebble.vio"},
    {"green", "(&3)炫绿亮彩", 3, "\\skin\\green.vio"},
    {"Default", "恢复默认", 0, kDefaultSkin},
}};

// The entry of a menu item, found while compiling: a name not in the table
// does not build.
consteval const SkinEntryInfo &SkinNamed(std::string_view item) {
    for (const SkinEntryInfo &entry : kSkinCatalog)
        if (item == entry.item)
            return entry;
    throw "no skin of this name";
}
