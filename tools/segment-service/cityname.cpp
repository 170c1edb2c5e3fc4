#include "cityname.h"

#include <array>

namespace {

using namespace std::string_view_literals;

struct Rename {
    std::string_view from;
    std::string_view to;
};

// The thirty autonomous prefectures by the short names the carriers' tables
// use; in Xinjiang three of them go by a syllable and "州".
constexpr std::array kAutonomousPrefectures{
    Rename{"延边朝鲜族自治州"sv, "延边"sv},         Rename{"恩施土家族苗族自治州"sv, "恩施"sv},
    Rename{"湘西土家族苗族自治州"sv, "湘西"sv},     Rename{"阿坝藏族羌族自治州"sv, "阿坝"sv},
    Rename{"甘孜藏族自治州"sv, "甘孜"sv},           Rename{"凉山彝族自治州"sv, "凉山"sv},
    Rename{"黔东南苗族侗族自治州"sv, "黔东南"sv},   Rename{"黔南布依族苗族自治州"sv, "黔南"sv},
    Rename{"黔西南布依族苗族自治州"sv, "黔西南"sv}, Rename{"楚雄彝族自治州"sv, "楚雄"sv},
    Rename{"红河哈尼族彝族自治州"sv, "红河"sv},     Rename{"文山壮族苗族自治州"sv, "文山"sv},
    Rename{"西双版纳傣族自治州"sv, "西双版纳"sv},   Rename{"大理白族自治州"sv, "大理"sv},
    Rename{"德宏傣族景颇族自治州"sv, "德宏"sv},     Rename{"怒江傈僳族自治州"sv, "怒江"sv},
    Rename{"迪庆藏族自治州"sv, "迪庆"sv},           Rename{"临夏回族自治州"sv, "临夏"sv},
    Rename{"甘南藏族自治州"sv, "甘南"sv},           Rename{"海北藏族自治州"sv, "海北"sv},
    Rename{"黄南藏族自治州"sv, "黄南"sv},           Rename{"海南藏族自治州"sv, "海南"sv},
    Rename{"果洛藏族自治州"sv, "果洛"sv},           Rename{"玉树藏族自治州"sv, "玉树"sv},
    Rename{"海西蒙古族藏族自治州"sv, "海西"sv},     Rename{"昌吉回族自治州"sv, "昌吉"sv},
    Rename{"博尔塔拉蒙古自治州"sv, "博州"sv},       Rename{"巴音郭楞蒙古自治州"sv, "巴州"sv},
    Rename{"克孜勒苏柯尔克孜自治州"sv, "克州"sv},   Rename{"伊犁哈萨克自治州"sv, "伊犁"sv},
};

// What the rest of the full names end in. "地区" became "市" for most
// prefectures since the sources were written (毕节地区, 铜仁地区), which the
// short name leaves out of the question.
constexpr std::array kSuffixes{"地区"sv, "林区"sv, "市"sv, "盟"sv};

struct PlaceRename {
    std::string_view province;
    std::string_view from;
    std::string_view to;
};

// Names that are not today's name of a prefecture, each with the one that
// stands for it now.
constexpr std::array kPlaceRenames{
    // Abolished: 巢湖 was split in 2011, its seat and most of it going to
    // 合肥; 莱芜 became two districts of 济南 in 2019; 襄樊 was renamed 2010.
    PlaceRename{"安徽"sv, "巢湖"sv, "合肥"sv},
    PlaceRename{"山东"sv, "莱芜"sv, "济南"sv},
    PlaceRename{"湖北"sv, "襄樊"sv, "襄阳"sv},
    // A prefecture's seat written for the prefecture.
    PlaceRename{"湖南"sv, "吉首"sv, "湘西"sv},
    PlaceRename{"新疆"sv, "库尔勒"sv, "巴州"sv},
    PlaceRename{"新疆"sv, "博乐"sv, "博州"sv},
    PlaceRename{"内蒙古"sv, "乌兰浩特"sv, "兴安"sv},
    PlaceRename{"内蒙古"sv, "临河"sv, "巴彦淖尔"sv},
    PlaceRename{"内蒙古"sv, "海拉尔"sv, "呼伦贝尔"sv},
    PlaceRename{"内蒙古"sv, "集宁"sv, "乌兰察布"sv},
    PlaceRename{"四川"sv, "西昌"sv, "凉山"sv},
    PlaceRename{"青海"sv, "海晏"sv, "海北"sv},
};

constexpr std::array kMunicipalities{"北京"sv, "天津"sv, "上海"sv, "重庆"sv};

// Two Chinese characters in UTF-8: no prefecture's short name is shorter,
// so "沙市" or "津市" would never lose their "市".
constexpr size_t kShortestName = 6;

std::string_view WithoutSuffix(std::string_view city) {
    for (const Rename &r : kAutonomousPrefectures) {
        if (r.from == city)
            return r.to;
    }
    for (std::string_view suffix : kSuffixes) {
        if (city.ends_with(suffix) && city.size() - suffix.size() >= kShortestName)
            return city.substr(0, city.size() - suffix.size());
    }
    return city;
}

} // namespace

std::string CityShortName(std::string_view province, std::string_view city) {
    for (std::string_view m : kMunicipalities) {
        if (m == province)
            return std::string(province);
    }
    const std::string_view name = WithoutSuffix(city);
    for (const PlaceRename &r : kPlaceRenames) {
        if (r.province == province && r.from == name)
            return std::string(r.to);
    }
    return std::string(name);
}
