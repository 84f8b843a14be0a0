#pragma once

#include <QString>
#include <QStringList>

// The two database files of the program directory and every table the program uses.
namespace schema {

inline const QString kServisFile = QStringLiteral("Servis.mdb");
inline const QString kStokFile = QStringLiteral("Stok.mdb");

QStringList servisStatements();
QStringList stokStatements();

// Lays down empty database files in `directory` where none exist; returns the files made.
// An existing file is never touched.
QStringList createMissingDatabases(const QString& directory);

// Empty when the file at `path` is a complete database of this program of the kind that
// `fileName` (kServisFile or kStokFile) names; otherwise a Turkish sentence naming the file and
// what is missing.
QString checkDatabaseFile(const QString& path, const QString& fileName);

} // namespace schema
