#include "RegString.h"

#include "codepage/CodePage1254.h"

std::optional<QString> RegReadString(const registry::Store& root, const QString& keyPath,
                                     const QString& valueName) {
    const std::optional<registry::Value> value = root.value(keyPath, valueName);
    if (!value || value->type != registry::kTypeString)
        return std::nullopt;
    QByteArrayView data(value->data);
    const qsizetype nul = data.indexOf('\0');
    return cp1254::toUnicode(nul < 0 ? data : data.first(nul));
}

registry::Outcome RegWriteString(const registry::Store& root, const QString& keyPath,
                                 const QString& valueName, const QString& text) {
    // Without a terminating NUL, as the program has always stored its texts.
    return root.setValue(keyPath, valueName, {registry::kTypeString, cp1254::fromUnicode(text)});
}
