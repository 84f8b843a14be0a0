#pragma once

#include <QString>
#include <QStringList>

// The live database files as they were before a restore, in a folder of the program directory
// named for that moment. It puts them back when the restore fails, and the next successful
// restore replaces it. While the restore runs, a record in that folder says so, and names each
// live file as it was: a restore cut short by a crash is put right at the next start.
class SafetyCopy {
public:
    static inline const QString kPrefix = QStringLiteral("Geri Alma Öncesi ");
    static inline const QString kUnderWay = QStringLiteral("Geri alma sürüyor");

    explicit SafetyCopy(QString programDir);

    // Keeps each file as it is now, then records on the disk that a restore of them is under
    // way. Files are linked where the file system allows, so even a large database costs
    // nothing: the restore puts each new file in place by a rename and never writes through
    // the old name, so the kept file stays as it was.
    bool make(const QStringList& liveFiles, QString* error);
    // Puts every kept file back under its live name.
    bool putBack(QString* error);
    // The restore is complete: its record goes, and so do the safety copies of earlier restores.
    void finish() const;
    const QString& folder() const { return folder_; }

    // A restore that was under way when the program stopped is finished when every live file
    // had been replaced already, and undone otherwise. What was done, for the user; empty when
    // there was nothing to put right.
    static QString repairInterrupted(const QString& programDir);

private:
    QString programDir_;
    QString folder_;
    QStringList live_;
};
