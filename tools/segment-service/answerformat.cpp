#include "answerformat.h"

void AppendKnownNumberAnswer(std::string &out, std::string_view tel, std::string_view province,
                             std::string_view city, std::string_view carrier) {
    out.append("zone = {\n");
    auto property = [&out](std::string_view key, std::string_view value, bool last) {
        out.append("\t").append(key).append(":'").append(value).append(last ? "'\n" : "',\n");
    };
    property("telString", tel, false);
    property("province", province, false);
    property("city", city, false);
    property("catName", carrier, true);
    out.append("}\n");
}

void AppendUnknownNumberAnswer(std::string &out, std::string_view reason) {
    out.append("zone = {\n\terror:'").append(reason).append("'\n}\n");
}

std::string KnownNumberAnswer(std::string_view tel, std::string_view province,
                              std::string_view city, std::string_view carrier) {
    std::string body;
    AppendKnownNumberAnswer(body, tel, province, city, carrier);
    return body;
}

std::string UnknownNumberAnswer(std::string_view reason) {
    std::string body;
    AppendUnknownNumberAnswer(body, reason);
    return body;
}
