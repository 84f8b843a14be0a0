#pragma once

#include "Database.h"
#include "Recordset.h"

#include <QObject>
#include <memory>

namespace engine {

// A data source: a database file plus a record source, and the record set it produced. The
// window's handlers hang on its reposition and validate notifications.
class DataSource : public QObject {
    Q_OBJECT

public:
    enum class Action { Delete };

    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    const QString& databaseName() const { return databaseName_; }
    void setDatabaseName(const QString& path);
    const QString& recordSource() const { return recordSource_; }
    void setRecordSource(const QString& source) { recordSource_ = source; }

    // Runs the record source again (opening the file if needed) and lands on the first record.
    void refresh();
    // Opens the database file without running the record source, so a missing file shows early.
    void openDatabase();
    // Releases the record set and the file, so that the file can be replaced.
    void close();

    Recordset* recordset() const { return recordset_.get(); }
    Recordset& rs() const; // the record set, or error 3420 when there is none
    void setRecordset(std::unique_ptr<Recordset> recordset);
    std::shared_ptr<Database> database() const { return database_; }

Q_SIGNALS:
    void reposition();
    void validate(engine::DataSource::Action action);
    void recordsetReplaced();

private:
    void attach(std::unique_ptr<Recordset> recordset);

    QString databaseName_;
    QString recordSource_;
    std::shared_ptr<Database> database_;
    std::unique_ptr<Recordset> recordset_;
};

// Re-runs the data source; it lands on its first record with its count complete. A keyset knows
// its count at once, so no visit to the last record is needed for it: each visit would show a
// record, and on a server read it.
void RefreshData(DataSource& source);

} // namespace engine
