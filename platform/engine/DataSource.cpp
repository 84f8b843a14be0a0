#include "DataSource.h"

#include "DbError.h"

namespace engine {

DataSource::DataSource(QObject* parent)
    : QObject(parent) {}

DataSource::~DataSource() = default;

void DataSource::setDatabaseName(const QString& path) {
    if (path != databaseName_)
        close();
    databaseName_ = path;
}

void DataSource::close() {
    if (recordset_) {
        recordset_.reset();
        Q_EMIT recordsetReplaced();
    }
    database_.reset();
}

Recordset& DataSource::rs() const {
    if (!recordset_)
        throw DbError(ErrNoRecordSource, QStringLiteral("Veri kaynağı açık değil."));
    return *recordset_;
}

void DataSource::openDatabase() {
    if (!database_)
        database_ = Database::open(databaseName_);
}

void DataSource::refresh() {
    openDatabase();
    attach(std::make_unique<Recordset>(database_, parseRecordSource(recordSource_, database_->lookup()),
                                       recordset_.get()));
}

void DataSource::setRecordset(std::unique_ptr<Recordset> recordset) {
    attach(std::move(recordset));
}

void DataSource::attach(std::unique_ptr<Recordset> recordset) {
    recordset_ = std::move(recordset);
    connect(recordset_.get(), &Recordset::currentChanged, this, &DataSource::reposition);
    connect(recordset_.get(), &Recordset::aboutToDelete, this, [this] { Q_EMIT validate(Action::Delete); });
    Q_EMIT recordsetReplaced();
    // Like the old data control, a refresh always reports its landing, even on an empty set,
    // so the counter of an empty table is shown.
    Q_EMIT reposition();
}

void RefreshData(DataSource& source) {
    source.refresh();
}

} // namespace engine
