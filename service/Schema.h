#pragma once

#include <QString>
#include <QStringList>

namespace engine {
class Database;
}

// The two database files of the program directory and every table the program uses.
namespace schema {

inline const QString kServisFile = QStringLiteral("Servis.mdb");
inline const QString kStokFile = QStringLiteral("Stok.mdb");

QStringList servisStatements();
QStringList stokStatements();

// Indexes added after files were first laid down; they are created in place, without touching
// a row, wherever a file still lacks them.
QStringList stokLaterIndexes();
void addMissingIndexes(engine::Database& stok);

// Lays down empty database files in `directory` where none exist; returns the files made.
// An existing file is never touched.
QStringList createMissingDatabases(const QString& directory);

} // namespace schema
