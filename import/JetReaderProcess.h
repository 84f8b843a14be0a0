#pragma once

#include "JetReader.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <memory>

namespace jet {

// The program that reads Access files for the converter (kts-import), and the limits it runs
// under: a damaged file can crash libmdb or send it round a loop that eats memory for ever.
struct ReaderProgram {
    QString path;
    qint64 memoryBytes = qint64(512) << 20; // address space of the reading process
    int silenceSeconds = 20;                // longest wait for its next answer

    // kts-import beside the running program.
    static ReaderProgram installed();
};

// A JetReader in a child process: the same questions, answered over a pipe. A crash, a hang
// past the limit or memory past the limit in the child ends it and throws ImportError naming
// the file as damaged; the caller's process is never at risk.
class JetReaderProcess {
public:
    // `waiting` is called while the child is busy, several times a second; false stops it and
    // throws a cancelled ImportError.
    JetReaderProcess(const QString& file, const ReaderProgram& program, std::function<bool()> waiting = {});
    ~JetReaderProcess();
    JetReaderProcess(const JetReaderProcess&) = delete;
    JetReaderProcess& operator=(const JetReaderProcess&) = delete;

    QStringList tables() const;
    void openTable(const QString& name);
    const QVector<JetColumn>& columns() const;
    qint64 declaredRows() const;
    // The first call after openTable() fixes the columns read for the whole table.
    bool next(const QVector<int>& wanted, QVariantList& cells);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The child's side: reads `file` and answers the requests on standard input. Returns the exit code.
int serveJetReader(const QString& file);

// The sentence for a file that could not be read to the end.
QString damagedFileText(const QString& file, const QString& reason);

} // namespace jet
