#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace jet {

// One of the program's two database files: its name and the statements that make it.
struct TargetSchema {
    QString fileName; // Servis.mdb or Stok.mdb
    QStringList statements;
    QStringList tables; // in the order they are made
};

// The schema of a database file by its file name, without regard to case.
std::optional<TargetSchema> schemaForFile(const QString& fileName);
// The schema whose tables an old file holds; none when it holds tables of both or of neither.
std::optional<TargetSchema> schemaForTables(const QStringList& tables);

} // namespace jet
