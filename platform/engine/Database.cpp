#include "Database.h"

#include "DbError.h"
#include "PgStore.h"
#include "SqliteStore.h"
#include "Store.h"

#include <QFileInfo>
#include <QMap>
#include <mutex>

namespace engine {

namespace {

// Guards the registry: the automatic backup checks its copies on a thread of its own.
std::mutex& registryLock() {
    static std::mutex m;
    return m;
}

// One connection per file within a run: the windows share it.
QMap<QString, std::weak_ptr<Database>>& registry() {
    static QMap<QString, std::weak_ptr<Database>> r;
    return r;
}

QString& serverAddress() {
    static QString conninfo;
    return conninfo;
}

// The schema on the server that stands for a file of the program directory.
QString schemaOf(const QString& path) {
    return QFileInfo(path).completeBaseName().toLower();
}

QString serverKey(const QString& conninfo, const QString& schema) {
    return QStringLiteral("postgresql:%1#%2").arg(conninfo, schema);
}

QString registryKey(const QString& path) {
    return server().isEmpty() ? QFileInfo(path).absoluteFilePath() : serverKey(server(), schemaOf(path));
}

} // namespace

void setServer(const QString& conninfo) {
    serverAddress() = conninfo.trimmed();
}

const QString& server() {
    return serverAddress();
}

Statement::~Statement() {
    cursor_->reset();
}

void Statement::bind(int index, const QVariant& v) {
    cursor_->bind(index, v);
}

void Statement::bindAll(const QVariantList& values, int first) {
    for (int i = 0; i < values.size(); ++i)
        cursor_->bind(first + i, values[i]);
}

bool Statement::step() {
    return cursor_->step();
}

void Statement::run() {
    while (cursor_->step()) {
    }
}

qint64 Statement::int64(int column) const {
    return cursor_->int64(column);
}

QVariant Statement::value(int column) const {
    return cursor_->value(column);
}

int Statement::columnCount() const {
    return cursor_->columnCount();
}

std::shared_ptr<Database> Database::shared(const QString& key,
                                           const std::function<std::unique_ptr<Store>()>& make) {
    {
        const std::lock_guard lock(registryLock());
        if (auto existing = registry().value(key).lock())
            return existing;
    }
    std::shared_ptr<Database> d(new Database(key, make()));
    const std::lock_guard lock(registryLock());
    registry().insert(key, d);
    return d;
}

std::shared_ptr<Database> Database::open(const QString& path) {
    return server().isEmpty() ? openFile(path) : openServer(server(), schemaOf(path));
}

std::shared_ptr<Database> Database::openFile(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    return shared(key, [&] { return openSqliteStore(key); });
}

std::shared_ptr<Database> Database::openServer(const QString& conninfo, const QString& schema) {
    return shared(serverKey(conninfo, schema), [&] { return openPostgresStore(conninfo, schema); });
}

bool Database::isOpen(const QString& path) {
    const std::lock_guard lock(registryLock());
    return !registry().value(registryKey(path)).expired();
}

Database::Database(QString path, std::unique_ptr<Store> store)
    : path_(std::move(path))
    , store_(std::move(store))
    , dialect_(store_->dialect()) {}

Database::~Database() {
    for (auto& statements : statements_)
        statements.clear();
    store_.reset();
    const std::lock_guard lock(registryLock());
    auto it = registry().find(path_);
    if (it != registry().end() && it->expired())
        registry().erase(it);
}

sqlite3* Database::handle() const {
    return store_->sqliteHandle();
}

QString Database::schemaComment() const {
    return store_->schemaComment();
}

Statement Database::prepare(const QString& sql, Plan plan) {
    auto& statements = statements_[static_cast<int>(plan)];
    std::unique_ptr<Cursor>& slot = statements[sql];
    if (!slot) {
        try {
            slot = store_->prepare(sql, plan);
        } catch (...) {
            statements.erase(sql);
            throw;
        }
    }
    return Statement(this, slot.get());
}

void Database::runTogether(std::initializer_list<Statement*> statements,
                           const std::function<void()>& meanwhile) {
    std::vector<Cursor*> cursors;
    for (Statement* s : statements)
        cursors.push_back(s->cursor_);
    store_->runTogether(cursors, meanwhile);
}

void Database::exec(const QString& sql) {
    prepare(sql).run();
}

void Database::execSoon(const QString& sql) {
    if (!store_->defer(sql))
        exec(sql);
}

int Database::changes() const {
    return store_->changes();
}

quint64 Database::version(const QString& table) {
    if (const std::optional<QStringList> tables = store_->outsideWrites()) {
        if (tables->isEmpty()) {
            ++anyVersion_;
            ++outsideAny_;
        }
        for (const QString& t : *tables) {
            changed(t);
            ++outsideVersions_[t.toLower()];
        }
    }
    // Both counters only grow, so their sum names one moment of the table's history.
    return knownVersion(table);
}

quint64 Database::knownVersion(const QString& table) const {
    return anyVersion_ + tableVersions_.value(table.toLower());
}

quint64 Database::outsideVersion(const QString& table) const {
    return outsideAny_ + outsideVersions_.value(table.toLower());
}

void Database::changed(const QString& table) {
    ++tableVersions_[table.toLower()];
    ++writes_;
}

void Database::changed() {
    ++anyVersion_;
    ++writes_;
}

void Database::execute(const QString& statement, const QVariantList& params) {
    const Change f = translateStatement(statement, lookup(), params);
    Statement s = prepare(f.sql);
    s.bindAll(f.params);
    s.run();
    changed(f.table);
}

const TableInfo& Database::table(const QString& name) {
    const QString key = name.toLower();
    auto it = tables_.find(key);
    if (it != tables_.end())
        return *it;
    TableInfo info = store_->tableInfo(name);
    info.dialect = dialect_;
    if (info.key.isEmpty())
        throw DbError(ErrEngine,
                      QStringLiteral("%1 tablosunun tamsayı birincil anahtarı yok.").arg(info.name));
    return *tables_.insert(key, info);
}

Database::Transaction::Transaction(Database& db)
    : db_(db)
    , writesAtBegin_(db.writes_) {
    db_.execSoon(db_.store_->beginSql());
}

// What was read after a write of the transaction may hold what the rollback undid: record sets
// start again as after any change.
Database::Transaction::~Transaction() {
    if (!open_)
        return;
    db_.store_->rollback();
    if (db_.writes_ != writesAtBegin_)
        db_.changed();
}

void Database::Transaction::commit() {
    db_.exec(QStringLiteral("COMMIT"));
    open_ = false;
}

} // namespace engine
