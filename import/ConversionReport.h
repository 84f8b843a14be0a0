#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace jet {

struct TableCount {
    QString table;
    qint64 declared = 0;   // rows the old file's table definition states
    qint64 rows = 0;       // rows read from the old file
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

    // What the old file declares and did not give, one Turkish line each: a damaged file may
    // read to the end with a table, its columns or its rows lost.
    QStringList shortfalls() const {
        QStringList out;
        for (const QString& t : missingTables)
            out << QStringLiteral("%1 tablosu eski dosyada yok; boş kaldı.").arg(t);
        for (const QString& c : missingColumns)
            out << QStringLiteral("%1 sütunu eski dosyada yok; boş (Null) kaldı.").arg(c);
        for (const TableCount& t : tables)
            if (t.rows < t.declared)
                out << QStringLiteral("%1 tablosunda %2 kayıt olmalıyken %3 kayıt okunabildi.")
                           .arg(t.table)
                           .arg(t.declared)
                           .arg(t.rows);
        return out;
    }
};

} // namespace jet
