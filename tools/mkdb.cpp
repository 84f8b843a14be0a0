// Lays down the empty Servis.mdb and Stok.mdb of an installation; existing files are kept.
#include "Schema.h"
#include "engine/Database.h"
#include "engine/DbError.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: kts-mkdb DIRECTORY\n";
        return 2;
    }
    try {
        for (const QString& made : schema::createMissingDatabases(app.arguments().at(1)))
            QTextStream(stdout) << "created " << made << '\n';
        // The files of an earlier installation get what they lack, in place.
        for (const QString& name : {schema::kServisFile, schema::kStokFile})
            schema::upgradeInPlace(*engine::Database::open(app.arguments().at(1) + u'/' + name), name);
    } catch (const engine::DbError& e) {
        err << e.description() << '\n';
        return 1;
    }
    return 0;
}
