#pragma once

#include <QString>
#include <QStringList>

// The live database files as they were before a restore, in a folder of the program directory
// named for that moment. It puts them back when the restore fails, and the next successful
// restore replaces it.
class SafetyCopy {
public:
    static inline const QString kPrefix = QStringLiteral("Geri Alma Öncesi ");

    explicit SafetyCopy(QString programDir);

    // Keeps each file as it is now. Files are linked where the file system allows, so even a
    // large database costs nothing; the restore replaces the live name, never the kept file.
    bool make(const QStringList& liveFiles, QString* error);
    // Puts every kept file back under its live name.
    bool putBack(QString* error);
    // Removes the safety copies of earlier restores.
    void dropEarlier() const;
    const QString& folder() const { return folder_; }

private:
    QString programDir_;
    QString folder_;
    QStringList live_;
};
