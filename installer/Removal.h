#pragma once

#include <QString>
#include <QStringList>

// What the uninstaller does with an installation log: removes the program files and shortcuts it
// lists, then the log. The workshop's data files and the backup folder with all it holds are never
// removed, whatever the log says, and neither is any file the log does not list, any file outside
// the program folder, or any shortcut that is not the installation's own (Shortcuts.h).
struct RemovalReport {
    bool logRead = false;
    QString folder;           // the program folder, where the log was
    QStringList failed;       // listed files that could not be removed
    QStringList dataKept;     // data files left in the program folder, by name
    bool backupsKept = false; // the program folder holds the backup folder
};

// The backups' folder in the program folder, in any letter case.
inline const QString kBackupFolder = QStringLiteral("Yedekler");

RemovalReport removeInstallation(const QString& logPath);

// The Turkish text that tells the user what happened and where the data stays.
QString removalMessage(const RemovalReport& report);

// Servis.mdb, Stok.mdb, Satir.dat, StokList.Dat and Barkod.dat, in any letter case.
bool isDataFileName(const QString& name);
