#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace jet {

struct TableCount {
    QString table;
    qint64 rows = 0;       // rows in the old file
    qint64 copied = 0;     // rows in the new file
    qint64 duplicates = 0; // rows set aside for a code already taken
};

// What one conversion did, for the closing message and the command's output.
struct ConversionReport {
    QString source;
    QString target;
    QString kept;               // where the original now lies, when it was replaced in place
    QStringList duplicateFiles; // CSV files of the rows that could not enter the new file
    QVector<TableCount> tables;
    QStringList unknownTables;  // in the old file, not in the data model: not copied
    QStringList unknownColumns; // "Table.Column", not copied
    QStringList missingTables;  // of the data model, absent from the old file: left empty
    QStringList missingColumns; // "Table.Column", absent from the old file: left Null

    qint64 duplicates() const {
        qint64 n = 0;
        for (const TableCount& t : tables)
            n += t.duplicates;
        return n;
    }
};

} // namespace jet
