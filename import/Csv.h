#pragma once

#include "engine/Schema.h"

#include <QString>
#include <QVariantList>
#include <QVector>

namespace jet {

// One CSV line (RFC 4180, no line end): Null is an empty field, a text is quoted with inner
// quotes doubled (line breaks kept inside the quotes), dates, times and numbers are bare.
QString csvLine(const QVariantList& cells, const QVector<engine::FieldType>& types);

} // namespace jet
