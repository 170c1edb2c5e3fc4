#include "answerevaluator.h"

#include "jsliteral.h"

#include <QStringList>

std::optional<QList<EvaluatedProperty>> EvaluateAnswerProperties(QStringView answer,
                                                                 const QStringList &names) {
    const std::optional<jsliteral::Value> value = jsliteral::EvaluateParenthesized(answer, names);
    if (!value || value->type != jsliteral::Value::Type::Object)
        return std::nullopt;
    QList<EvaluatedProperty> properties;
    properties.reserve(names.size());
    for (const QString &name : names) {
        const jsliteral::Value property = jsliteral::GetProperty(*value, name);
        EvaluatedProperty out;
        if (property.IsPrimitiveText()) {
            out.present = true;
            out.text = jsliteral::ToText(property);
            if (out.text.isNull())
                out.text = QStringLiteral(""); // present: empty, not null
        }
        properties.append(out);
    }
    return properties;
}
