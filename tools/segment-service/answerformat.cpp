#include "answerformat.h"

std::string KnownNumberAnswer(std::string_view tel, std::string_view province,
                              std::string_view city, std::string_view carrier) {
    std::string body = "zone = {\n";
    auto property = [&body](std::string_view key, std::string_view value, bool last) {
        body.append("\t").append(key).append(":'").append(value).append(last ? "'\n" : "',\n");
    };
    property("telString", tel, false);
    property("province", province, false);
    property("city", city, false);
    property("catName", carrier, true);
    body.append("}\n");
    return body;
}

std::string UnknownNumberAnswer(std::string_view reason) {
    return std::string("zone = {\n\terror:'").append(reason).append("'\n}\n");
}
