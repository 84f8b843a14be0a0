#pragma once

#include <QString>
#include <stdexcept>

namespace engine {

// Error numbers of the old engine that callers test or that a user may quote to support.
enum ErrorNumber : int {
    ErrInvalidArgument = 3001,
    ErrUpdateWithoutEdit = 3020,
    ErrNoCurrentRecord = 3021,
    ErrDuplicateKey = 3022,
    ErrFileNotFound = 3024,
    ErrCannotOpen = 3051,
    ErrCanceled = 3059, // a validate handler refused the action
    ErrTooFewParameters = 3061,
    ErrSyntaxInExpression = 3075,
    ErrTableNotFound = 3078,
    ErrSyntaxInFrom = 3131,
    ErrRecordDeleted = 3167,
    ErrWriteConflict = 3197, // the record was changed elsewhere since the edit began
    ErrNoRecordSource = 3420,
    ErrFieldNotFound = 3265,
    ErrEngine = 3146, // any other failure reported by SQLite
};

// What an engine failure means to the user, in Turkish, for the engine's result code; empty for a
// code that needs no words of its own.
QString failureReason(int sqliteCode);

class DbError : public std::runtime_error {
public:
    DbError(int number, const QString& description)
        : std::runtime_error(description.toStdString())
        , number_(number)
        , description_(description) {}

    int number() const { return number_; }
    const QString& description() const { return description_; }

private:
    int number_;
    QString description_;
};

} // namespace engine
