#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <memory>

namespace jet {

struct JetColumn {
    QString name;
    int type = 0; // libmdb's column type
};

// Reads an Access (Jet 3, Jet 4, ACE) file through libmdb, read-only, one table at a time.
// Cells come as Null, QString (text, memo, money), qint64 (integers) or double (dates and
// times as the engine's day count, floating-point numbers).
class JetReader {
public:
    explicit JetReader(const QString& path); // throws ImportError
    ~JetReader();
    JetReader(const JetReader&) = delete;
    JetReader& operator=(const JetReader&) = delete;

    QStringList tables() const; // the user tables, in the file's order

    void openTable(const QString& name); // a name from tables()
    const QVector<JetColumn>& columns() const;
    qint64 declaredRows() const; // the row count the table's definition states
    // The next row's cells for the columns asked for (indexes into columns()); false at the end.
    bool next(const QVector<int>& wanted, QVariantList& cells);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Whether a cell of this libmdb column type can be read.
bool readableType(int type);
QString typeName(int type);
bool dateTimeType(int type);

} // namespace jet
