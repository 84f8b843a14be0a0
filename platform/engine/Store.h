#pragma once

#include "Schema.h"

#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

// What the engine needs of the place the data lives: a SQLite file of the program directory, or
// one schema of a PostgreSQL server that several desks share. Record sets, finds and data sources
// are written once against this.
namespace engine {

// One prepared statement of a store; the Database caches it by its text and hands it out through
// Statement. Placeholders are "?" in both stores.
class Cursor {
public:
    virtual ~Cursor() = default;
    virtual void bind(int index, const QVariant& value) = 0; // 1-based
    virtual bool step() = 0;                                 // true while a row is ready
    virtual qint64 int64(int column) const = 0;
    virtual QVariant value(int column) const = 0;
    virtual int columnCount() const = 0;
    virtual void reset() = 0; // ready to run again, with no values bound
};

// Kept: planned once and reused, what suits nearly every statement. ForEachRun: planned anew for
// the values of each run, where the right plan depends on them: a server's plan kept for any
// prefix guesses how many rows a prefix has, and for the first match in some order it may walk
// that whole order for a prefix nothing matches. A file's store plans the same either way.
enum class Plan { Kept, ForEachRun };

class Store {
public:
    virtual ~Store() = default;
    virtual Dialect dialect() const = 0;
    // Throws DbError on a statement that the store refuses.
    virtual std::unique_ptr<Cursor> prepare(const QString& sql, Plan plan) = 0;
    virtual int changes() const = 0;
    // Writes committed by other connections or programs since the last call: nothing when there
    // were none, the tables they touched, or an empty list when the store cannot tell which.
    virtual std::optional<QStringList> outsideWrites() = 0;
    virtual TableInfo tableInfo(const QString& name) = 0; // throws ErrTableNotFound
    // Runs cursors of this store, bound and not yet run, in one round trip where the store is
    // across a network, and `meanwhile` (if given) while the server answers; a file's cursors each
    // run at their first step.
    virtual void runTogether(const std::vector<Cursor*>& cursors, const std::function<void()>& meanwhile) {
        (void)cursors;
        if (meanwhile)
            meanwhile();
    }
    // Takes a statement whose result nobody waits for, to send with the next one in its round
    // trip; false when the store runs each statement at once (a file, where nothing is gained).
    virtual bool defer(const QString& sql) {
        (void)sql;
        return false;
    }
    virtual QString beginSql() const = 0;
    virtual void rollback() = 0; // never throws: it runs from destructors
    virtual sqlite3* sqliteHandle() const { return nullptr; }
    // A server schema's comment as it was when the connection was made; empty for a file.
    virtual QString schemaComment() const { return {}; }
};

} // namespace engine
