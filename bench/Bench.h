#pragma once

#include "Raw.h"
#include "RecordingSoundPlayer.h"
#include "Report.h"
#include "ScriptedDialogs.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

class BenchServer;
class WindowDriver;

// Times each operation of the service desk through the program's own code (the service window
// driven through its widgets, on the engine stand-in) and the same work on plain SQLite, on a
// copy of the data set so that the cache stays as generated. With a server, the engine and the
// baseline (libpq alone) work on a copy of the data set loaded onto it, and the file operations
// (backups and restores) are left out.
class Bench {
public:
    Bench(const QString& dataFolder, int repeat, BenchServer* server = nullptr);
    ~Bench();

    Report run();

private:
    // What the checks compare the window with, read from the session's files.
    struct Facts {
        int records = 0;
        int customers = 0;
        sqlite3_int64 firstId = 0;
        QString firstCode;
        int firstItems = 0;
    };

    // Where one session's data live: the program directory with its copy of the files, or on a
    // server an empty program directory and the copy of the database.
    struct Place {
        QString dir;
        QString conninfo; // empty for the files
    };
    QString freshProgramDirectory();
    Place freshPlace();
    void usePlace(const Place& place);
    std::unique_ptr<RawDb> rawOpen(const Place& place, const QString& fileName) const;
    void dropPlace(const Place& place);
    void openSession();
    void serverTargets(Report& report) const;

    double memory();
    Result startup();
    Result nextRecord(WindowDriver& d);
    Result filter(WindowDriver& d, Result r, int field, const QString& value, const std::string& rawSql);
    Result findNext(WindowDriver& d);
    Result valueList(WindowDriver& d);
    std::vector<QString> typedTitles();
    double rawPrefixLookups(const std::vector<QString>& titles);
    Result typeahead(WindowDriver& d);
    Result typeaheadLookup(WindowDriver& d);
    Result saveNew(WindowDriver& d);
    Result deleteRecord(WindowDriver& d);
    Result statusReset();
    // history of a device and a customer (BenchHistory.cpp)
    Result historyCount(WindowDriver& d);
    Result historyList(WindowDriver& d);
    // printing (BenchPrint.cpp)
    double rawFormRead();
    Result drawPage(const QString& name, int addedItems);
    Result pdfPage();

    // backup and restore (BenchBackup.cpp)
    QString freshFolder(const QString& kind);
    double rawCopyMs(const QString& from, const std::function<QString()>& to, const QString& dotCommand);
    QList<Result> backup(WindowDriver& d);
    QList<Result> restore(WindowDriver& d);
    // The care a raw copy takes beyond `cp`: a sync, and the integrity check of the files copied
    // (the backup's copies after the copy, the restore's sources before it).
    enum class Care { Sync, CheckCopies, CheckSources };
    double rawSafeCopyMs(const QString& from, const std::function<QString()>& to, Care care);
    Result backupResponsiveness();
    QString backupFolder_;
    // automatic backups (BenchBackup.cpp)
    QList<Result> autoBackup(WindowDriver& d, QStringList* notes);
    Result restoreVerified(WindowDriver& d);

    QString dataFolder_;
    int repeat_;
    BenchServer* server_;
    Place place_;
    QTemporaryDir run_; // beside the cache: on the disk the user's own data would live on
    int copies_ = 0;
    QString session_;
    std::unique_ptr<RawDb> servis_;
    std::unique_ptr<RawDb> stok_;
    Facts facts_;
    ScriptedDialogs dialogs_;
    RecordingSoundPlayer player_;
};
