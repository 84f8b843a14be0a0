#pragma once

#include <QString>
#include <functional>

// Service record codes "##-####-##": the link from a record to its used items.
namespace recordcode {

inline const QString kEmpty = QStringLiteral("__-____-__");
inline const QString kFirst = QStringLiteral("01-0001-01");

// The code to propose after `dataNo`, the code of the last record added (empty: none yet).
// The middle group counts up; when it would need five digits it starts again at 0001 and the
// first group counts up instead, so every proposal keeps the ten-character shape.
QString proposeNext(const QString& dataNo);

// What the code box holds when the focus leaves it: a wholly empty outer group becomes "00",
// the middle group is padded with leading zeros. `shown` is the box's text with its "_" prompts.
QString complete(const QString& shown);

// Whether the box holds at least one typed digit: an untouched box is not completed.
bool hasDigit(const QString& shown);

// The first code after `dataNo`, counting on in the same way, for which `taken` is false.
QString proposeFree(const QString& dataNo, const std::function<bool(const QString&)>& taken);

} // namespace recordcode
