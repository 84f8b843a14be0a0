// The installation's log, shortcuts and the uninstaller's removal, on real folders.

#include "DesktopEntry.h"
#include "InstallLog.h"
#include "Removal.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestInstaller : public QObject {
    Q_OBJECT

private slots:
    void removal_data();
    void removal();
    void logRefusesBrokenPaths_data();
    void logRefusesBrokenPaths();
    void desktopEntryQuoting_data();
    void desktopEntryQuoting();
};

void TestInstaller::removal_data() {
    QTest::addColumn<QStringList>("log"); // nothing at all: no log file
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("message");
    const QStringList data{"program/Satir.dat", "program/Servis.mdb", "program/Stok.mdb",
                           "program/StokList.Dat"};

    QTest::newRow("program files and shortcuts go, data and unlisted files stay")
        << QStringList{"file\tKelvoraTeknikServis",
                       "file\tUninstall",
                       "file\tGiris.wav",
                       "file\tWindows/st6unst.exe",
                       "shortcut\t$OUT/Kelvora Teknik Servis.desktop",
                       "data\tServis.mdb",
                       "data\tStok.mdb"}
        << QStringList{"program/KelvoraTeknikServis",
                       "program/Uninstall",
                       "program/Giris.wav",
                       "program/Windows/st6unst.exe",
                       "out/Kelvora Teknik Servis.desktop",
                       "program/notlar.txt"} +
               data
        << QStringList{"program/notlar.txt"} + data
        << "Kelvora Teknik Servis bilgisayarınızdan kaldırıldı.\n\nVerileriniz silinmedi; şu klasörde "
           "duruyor:\n$ROOT/program\n(Satir.dat, Servis.mdb, Stok.mdb, StokList.Dat)";
    QTest::newRow("data files listed as program files stay, in any letter case")
        << QStringList{"file\tServis.mdb", "file\tstok.MDB", "file\tSATIR.DAT", "file\tStokList.Dat"}
        << QStringList{"program/Servis.mdb", "program/stok.MDB", "program/SATIR.DAT", "program/StokList.Dat"}
        << QStringList{"program/SATIR.DAT", "program/Servis.mdb", "program/StokList.Dat", "program/stok.MDB"}
        << "";
    QTest::newRow("paths that leave the folder, and shortcuts that are not desktop entries")
        << QStringList{"file\t../out/a.txt",         "file\t$OUT/b.txt",     "file\tWindows/../../out/c.txt",
                       "shortcut\t../out/d.desktop", "shortcut\t$OUT/e.txt", "data\t../out/f.txt"}
        << QStringList{"out/a.txt", "out/b.txt", "out/c.txt", "out/d.desktop", "out/e.txt", "out/f.txt"}
        << QStringList{"out/a.txt", "out/b.txt", "out/c.txt", "out/d.desktop", "out/e.txt", "out/f.txt"}
        << "";
    QTest::newRow("folders, files gone already, lines of another form")
        << QStringList{"file\tWindows", "file\tgone.wav", "other\tnotlar.txt", "notlar.txt",
                       "file\tsub/x.wav"}
        << QStringList{"program/Windows/başka.exe", "program/notlar.txt", "program/sub/x.wav"}
        << QStringList{"program/Windows/başka.exe", "program/notlar.txt"} << "";
    QTest::newRow("no log: nothing removed")
        << QStringList() << QStringList{"program/KelvoraTeknikServis"}
        << QStringList{"program/KelvoraTeknikServis"}
        << "Kurulum günlüğü $ROOT/program/st6unst.log okunamadı, bu yüzden "
           "hiçbir dosya silinmedi.";
}

void TestInstaller::removal() {
    QFETCH(QStringList, log);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(QStringLiteral("program"));
    root.mkpath(QStringLiteral("out"));
    for (const QString& f : before) {
        root.mkpath(QFileInfo(f).path());
        QFile file(root.filePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString logPath = root.filePath(QStringLiteral("program/st6unst.log"));
    if (!log.isEmpty()) {
        QFile file(logPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(log.join(u'\n').replace(QStringLiteral("$OUT"), root.filePath("out")).toUtf8() + "\n");
    }

    const RemovalReport report = removeInstallation(logPath);

    QStringList left;
    for (QDirIterator it(dir.path(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString f = root.relativeFilePath(it.next());
        if (it.fileInfo().isFile())
            left.append(f);
        else if (!QDir(it.filePath()).isEmpty() || f == QLatin1String("program") || f == QLatin1String("out"))
            continue;
        else
            left.append(f + u'/');
    }
    left.sort();
    after.sort();
    QCOMPARE(left, after);
    QVERIFY(report.failed.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(removalMessage(report), QString(message).replace(QStringLiteral("$ROOT"), dir.path()));
}

void TestInstaller::logRefusesBrokenPaths_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("written");
    QTest::newRow("a Turkish shortcut path")
        << int(install_log::Kind::Shortcut) << "/ev/Masaüstü/Kelvora Teknik Servis.desktop" << true;
    // A name with a line break would add a line of its own to the log: an entry nobody put there.
    QTest::newRow("a line break") << int(install_log::Kind::File) << "a\nfile\t../../etc/passwd" << false;
    QTest::newRow("a tab") << int(install_log::Kind::File) << "a\tb" << false;
    QTest::newRow("a program file outside the folder") << int(install_log::Kind::File) << "../x" << false;
}

void TestInstaller::logRefusesBrokenPaths() {
    QFETCH(int, kind);
    QFETCH(QString, path);
    QFETCH(bool, written);
    QTemporaryDir dir;
    const QString log = dir.filePath(install_log::kFileName);
    const QList<install_log::Entry> entries{{install_log::Kind::File, "KelvoraTeknikServis"},
                                            {install_log::Kind(kind), path}};
    QCOMPARE(install_log::write(log, entries), written);
    QCOMPARE(install_log::read(log).has_value(), written);
    if (written)
        QCOMPARE(*install_log::read(log), entries);
}

void TestInstaller::desktopEntryQuoting_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/opt/kts"
                           << "Exec=\"/opt/kts/KelvoraTeknikServis\""
                           << "Path=/opt/kts";
    QTest::newRow("spaces and Turkish letters") << "/ev/Programlar Dükkânı"
                                                << "Exec=\"/ev/Programlar Dükkânı/KelvoraTeknikServis\""
                                                << "Path=/ev/Programlar Dükkânı";
    // A field code (%f) or an unescaped $ would change what is started.
    QTest::newRow("percent, dollar, quote, backslash")
        << "/ev/%f $HOME \"a\" b\\c"
        << "Exec=\"/ev/%%f \\\\$HOME \\\\\"a\\\\\" b\\\\\\\\c/KelvoraTeknikServis\""
        << "Path=/ev/%f $HOME \"a\" b\\\\c";
}

void TestInstaller::desktopEntryQuoting() {
    QFETCH(QString, folder);
    QFETCH(QString, exec);
    QFETCH(QString, path);
    const QStringList lines = desktopEntry("Kelvora Teknik Servis", "Teknik servis kayıtları",
                                           folder + "/KelvoraTeknikServis", folder, folder + "/icon.svg")
                                  .split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY2(lines.contains(exec), qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.contains(path), qPrintable(lines.join(u'\n')));
}

QTEST_MAIN(TestInstaller)
#include "tst_installer.moc"
