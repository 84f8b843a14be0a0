// Until the service window exists: opens both databases of the program directory and reports.
#include "ProgramDirectory.h"
#include "Schema.h"
#include "engine/DataSource.h"
#include "engine/DbError.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString report;
    bool ok = true;
    for (const auto& [file, table] : {std::pair{schema::kServisFile, QStringLiteral("Servis")},
                                      std::pair{schema::kStokFile, QStringLiteral("StokHareket")}}) {
        engine::DataSource source;
        source.setDatabaseName(programFile(file));
        source.setRecordSource(table);
        try {
            engine::RefreshData(source);
            report += QStringLiteral("%1: %2 tablosunda %3 kayıt\n")
                          .arg(file, table)
                          .arg(source.rs().recordCount());
        } catch (const engine::DbError& e) {
            ok = false;
            report += e.description() + u'\n';
        }
    }
    QMessageBox::information(nullptr, QStringLiteral("Kelvora Teknik Servis"), report);
    return ok ? 0 : 1;
}
