#pragma once

#include <QString>
#include <QVector>

namespace engine {

enum class FieldType { Text, Integer, Date, Time, Other };

// The SQL a store speaks: the translator writes folds, order keys and patterns in its terms.
enum class Dialect { Sqlite, Postgres };

struct FieldInfo {
    QString name;
    FieldType type = FieldType::Text;
};

struct TableInfo {
    QString name;
    QString key; // the INTEGER PRIMARY KEY column that record sets use as bookmark
    QVector<FieldInfo> fields;
    Dialect dialect = Dialect::Sqlite;

    // Field names are matched without regard to case, as the engine always did.
    int indexOf(QStringView field) const {
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].name.compare(field, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

} // namespace engine
