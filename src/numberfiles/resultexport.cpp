#include "resultexport.h"

QStringList ResultExportHeader() {
    return {QStringLiteral("序号"), QStringLiteral("手机号码"), QStringLiteral("省份"),
            QStringLiteral("城市"), QStringLiteral("运营商")};
}
