#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A program directory of its own with fresh empty databases, for one test.
class TestDatabase {
public:
    TestDatabase();
    QString dir() const { return dir_.path(); }
    QString servis() const;
    QString stok() const;
    // Plain SQLite on one of the files, for laying out and checking data behind the program's back.
    static void sql(const QString& file, const QString& statement, const QVariantList& params = {});
    static QVariant scalar(const QString& file, const QString& query, const QVariantList& params = {});

private:
    QTemporaryDir dir_;
};
