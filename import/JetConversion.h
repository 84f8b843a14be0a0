#pragma once

#include "ConversionReport.h"
#include "JetReaderProcess.h"
#include "TargetSchema.h"

#include <QSaveFile>
#include <functional>
#include <memory>

namespace jet {

// Called as the rows go over: the table, rows done, rows in it (no table yet while the file's
// catalogue is read). False stops the conversion.
using Progress = std::function<bool(const QString& table, qint64 done, qint64 total)>;

// Converts an Access file into a database of the program. The new file is made beside the
// target under a temporary name and checked; only commit() puts it in place. When the target is
// the source itself, the original stays beside it under a name that says what it is, unchanged.
// Until commit() has succeeded the original is never touched, and anything half made is removed.
// The old file is read by `reader` in a process of its own.
class JetConversion {
public:
    JetConversion(const QString& source, const QString& target, const TargetSchema& schema,
                  const ReaderProgram& reader);
    ~JetConversion();
    JetConversion(const JetConversion&) = delete;
    JetConversion& operator=(const JetConversion&) = delete;

    // Writes and checks the new file; throws ImportError, leaving nothing behind. What the old
    // file declares but did not give (report().shortfalls()) is no error: the caller decides.
    const ConversionReport& prepare(const Progress& progress = {});
    // Puts the checked file (and any file of set-aside rows) in place; throws ImportError,
    // leaving the original where it was.
    void commit();
    // Removes what prepare() made, when it was not committed.
    void discard();

    const ConversionReport& report() const { return report_; }

    // The schema an old file's tables belong to; throws ImportError when it is not an Access
    // file or holds tables of neither database.
    static TargetSchema schemaOf(const QString& source, const ReaderProgram& reader);

    // Names beside a database file "Servis.mdb": its temporary twin and the kept original.
    static QString temporaryPath(const QString& target);
    static QString keptPath(const QString& target);

private:
    void copyTables(const Progress& progress);
    void check();
    std::unique_ptr<QSaveFile> openSetAside(const QString& table, const QStringList& header);

    QString source_, target_;
    TargetSchema schema_;
    ReaderProgram reader_;
    bool inPlace_ = false;
    bool prepared_ = false;
    QString temp_;
    QVector<std::pair<QString, QString>> csvFiles_; // temporary name, final name
    ConversionReport report_;
};

} // namespace jet
