#pragma once

#include <array>

// The skins offered on the skin menu, in menu order: three groups of three,
// then the default. item is the menu item's name, caption its text (UTF-8),
// fixedText the skin file's place after the program directory.
struct SkinEntryInfo {
    const char *item;
    const char *caption;
    const char *fixedText;
};

inline constexpr const char *kDefaultSkin = "\\skin\\tar.vio";

inline constexpr std::array<SkinEntryInfo, 10> kSkinCatalog = {{
    {"black", "(&1)黑色钻石", "\\skin\\black.vio"},
    {"gray", "(&2)灰色颓废", "\\skin\\gray.vio"},
    {"wood", "(&3)简谱积木", "\\skin\\wood.vio"},
    {"asus", "(&1)精仿华硕", "\\skin\\asus.vio"},
    {"blue", "(&2)蓝色经典", "\\skin\\blue.vio"},
    {"eye", "(&3)视觉冲击", "\\skin\\eye.vio"},
    {"warm", "(&1)温暖木雕", "\\skin\\warm.vio"},
    {"pebble", "(&2)炫酷水晶", "\\skin\\pebble.vio"},
    {"green", "(&3)炫绿亮彩", "\\skin\\green.vio"},
    {"Default", "恢复默认", kDefaultSkin},
}};
