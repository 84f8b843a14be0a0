#include "TestDatabase.h"

#include "Schema.h"
#include "engine/Database.h"

#include <QDir>

TestDatabase::TestDatabase() {
    schema::createMissingDatabases(dir_.path());
}

QString TestDatabase::servis() const {
    return QDir(dir_.path()).filePath(schema::kServisFile);
}
QString TestDatabase::stok() const {
    return QDir(dir_.path()).filePath(schema::kStokFile);
}

void TestDatabase::sql(const QString& file, const QString& statement, const QVariantList& params) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(statement);
    s.bindAll(params);
    s.run();
    db->changed();
}

QVariant TestDatabase::scalar(const QString& file, const QString& query, const QVariantList& params) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(query);
    s.bindAll(params);
    return s.step() ? s.value(0) : QVariant();
}
