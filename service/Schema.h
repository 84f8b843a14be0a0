#pragma once

#include "engine/Schema.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace engine {
class Database;
}

// The two database files of the program directory and every table the program uses.
namespace schema {

inline const QString kServisFile = QStringLiteral("Servis.mdb");
inline const QString kStokFile = QStringLiteral("Stok.mdb");

// The key by which the records of one device (SeriNo) or one customer (Unvan) are found: the text
// folded as the engine compares texts, without the blanks at its ends. matchKeySql is the same key
// in SQL built from SQLite's own functions, so that an index on it stays correct whatever tool
// writes the file.
QString matchKey(QStringView text);
QString matchKeySql(const QString& column, engine::Dialect dialect = engine::Dialect::Sqlite);

QStringList servisStatements();
QStringList stokStatements();
// The statements of the file of that name (kServisFile or kStokFile).
QStringList statementsOf(const QString& fileName);
// Every table statementsOf() lays down in that file.
QStringList tableNamesOf(const QString& fileName);
// The tables of that file that the old program's databases already had; the tables this program
// added later are not among them.
QStringList originalTablesOf(const QString& fileName);

// On a PostgreSQL server each file is a schema of one database, named after it ("servis").
QString serverSchemaOf(const QString& fileName);
// The statements that lay both schemas down on an empty server database, to be run in one
// transaction; the schemas' comment then says which version of them the server holds.
QStringList serverStatements();
QString serverSchemaComment();
// The version of our schemas a schema comment names; 0 when the comment is not one of ours.
int serverSchemaVersion(const QString& comment);

// Lays down empty database files in `directory` where none exist; returns the files made.
// An existing file is never touched.
QStringList createMissingDatabases(const QString& directory);

// Brings a file of the program's own up to date in place: the tables, triggers and indexes that
// later versions added are created where missing. Rows are never touched; a file that cannot be written is
// left as it is. A schema of an older version on a server gets the indexes of this one.
void upgradeInPlace(engine::Database& db, const QString& fileName);

// Empty when the file at `path` is a complete database of this program of the kind `fileName`
// names (every table with every field), after upgrading it in place unless `upgrade` is No (a
// backup being checked is only read); otherwise one Turkish sentence that names the file and
// what it lacks.
enum class Upgrade { InPlace, No };
QString checkDatabaseFile(const QString& path, const QString& fileName, Upgrade upgrade = Upgrade::InPlace);

// As checkDatabaseFile for the program's own data, which with a server set is the schema of that
// name on the server: a server that cannot be reached is named. On a server `opened`, when given,
// keeps the connection the check made, so that the windows' data sources open none again.
QString checkLiveDatabase(const QString& path, const QString& fileName,
                          std::shared_ptr<engine::Database>* opened = nullptr);

// Empty when the file and its folder can be written (the engine writes its journal beside the
// file); otherwise a Turkish sentence saying which cannot.
QString checkWritable(const QString& path);

} // namespace schema
