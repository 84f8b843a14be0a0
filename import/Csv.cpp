#include "Csv.h"

namespace jet {

QString csvLine(const QVariantList& cells, const QVector<engine::FieldType>& types) {
    QStringList fields;
    for (int i = 0; i < cells.size(); ++i) {
        const QVariant& v = cells[i];
        if (v.isNull())
            fields << QString();
        else if (types.value(i) == engine::FieldType::Text)
            fields << u'"' + v.toString().replace(u'"', QLatin1String("\"\"")) + u'"';
        else
            fields << v.toString();
    }
    return fields.join(u',');
}

} // namespace jet
