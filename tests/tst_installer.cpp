// The installation's log, shortcuts and the uninstaller's removal, on real folders.

#include "DesktopEntry.h"
#include "InstallLog.h"
#include "Removal.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

// A folder tree: program/ holds the installation, out/ lies beside it, and the user's folders are
// under home/, config/ and data/ (the applications menu is data/applications). Names ending in
// ".desktop" are desktop entries that start the program of program/, except the user's notes
// ("notları") and the entries of an older copy in eski/ ("eski").
class Tree {
public:
    Tree() {
        qputenv("HOME", path("home").toUtf8());
        qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
        qputenv("XDG_DATA_HOME", path("data").toUtf8());
        for (const char* folder : {"program", "out", "eski", "home/Desktop", "data/applications"})
            root_.mkpath(QLatin1String(folder));
    }

    QString path(const QString& relative) const { return root_.filePath(relative); }
    QString expand(QString text) const {
        return text.replace(QLatin1String("$MENU"), path("data/applications"))
            .replace(QLatin1String("$DESKTOP"), path("home/Desktop"))
            .replace(QLatin1String("$OUT"), path("out"))
            .replace(QLatin1String("$ROOT"), root_.path());
    }
    QString log() const { return path("program/st6unst.log"); }

    // "name" a file, "name/" a folder, "name@target" a link.
    void make(const QStringList& items) const {
        for (const QString& item : items) {
            if (const qsizetype at = item.indexOf(u'@'); at > 0) {
                QVERIFY(QFile::link(expand(item.mid(at + 1)), path(item.left(at))));
                continue;
            }
            root_.mkpath(item.endsWith(u'/') ? item : QFileInfo(item).path());
            if (item.endsWith(u'/'))
                continue;
            QFile file(path(item));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents(item));
        }
    }
    void writeLog(const QStringList& lines) const {
        QFile file(log());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(expand(lines.join(u'\n')).toUtf8() + "\n");
    }

    // Files, links (marked "@") and empty folders (marked "/"), sorted.
    QStringList list() const {
        QStringList out;
        for (QDirIterator it(root_.path(),
                             QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString f = root_.relativeFilePath(it.next());
            const QFileInfo info = it.fileInfo();
            if (info.isSymLink())
                out.append(f + u'@');
            else if (!info.isDir())
                out.append(f);
            else if (QDir(it.filePath()).isEmpty())
                out.append(f + u'/');
        }
        out.sort();
        return out;
    }

private:
    QByteArray contents(const QString& item) const {
        if (!item.endsWith(QLatin1String(".desktop")))
            return {};
        if (item.contains(QStringLiteral("notları")))
            return "[Desktop Entry]\nType=Application\nName=Notlar\nExec=mousepad \"" +
                   path("program/notlar.txt").toUtf8() + "\"\nPath=" + path("program").toUtf8() + "\n";
        const QString folder = path(item.contains(QLatin1String("eski")) ? "eski" : "program");
        return desktopEntry("Kelvora Teknik Servis", "", folder + "/KelvoraTeknikServis", folder, "")
            .toUtf8();
    }

    QTemporaryDir dir_;
    QDir root_{dir_.path()};
};

} // namespace

class TestInstaller : public QObject {
    Q_OBJECT

private slots:
    void removal_data();
    void removal();
    void removalStaysInside_data();
    void removalStaysInside();
    void unreadableLogRemovesNothing_data();
    void unreadableLogRemovesNothing();
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
    const QStringList folders{"data/applications/", "eski/", "home/Desktop/", "out/"};

    QTest::newRow("program files and shortcuts go, data and unlisted files stay")
        << QStringList{"file\tKelvoraTeknikServis",
                       "file\tUninstall",
                       "file\tGiris.wav",
                       "file\tWindows/st6unst.exe",
                       "shortcut\t$MENU/Kelvora Teknik Servis.desktop",
                       "shortcut\t$DESKTOP/Kelvora Teknik Servis.desktop",
                       "data\tServis.mdb",
                       "data\tStok.mdb"}
        << QStringList{"program/KelvoraTeknikServis",
                       "program/Uninstall",
                       "program/Giris.wav",
                       "program/Windows/st6unst.exe",
                       "data/applications/Kelvora Teknik Servis.desktop",
                       "home/Desktop/Kelvora Teknik Servis.desktop",
                       "program/notlar.txt"} +
               data
        << QStringList{"program/notlar.txt"} + data + folders
        << "Kelvora Teknik Servis bilgisayarınızdan kaldırıldı.\n\nVerileriniz silinmedi; şu klasörde "
           "duruyor:\n$ROOT/program\n(Satir.dat, Servis.mdb, Stok.mdb, StokList.Dat)";
    QTest::newRow("data files listed as program files stay, in any letter case")
        << QStringList{"file\tServis.mdb", "file\tstok.MDB", "file\tSATIR.DAT", "file\tStokList.Dat",
                       "file\tbarkod.DAT"}
        << QStringList{"program/Servis.mdb", "program/stok.MDB", "program/SATIR.DAT", "program/StokList.Dat",
                       "program/barkod.DAT"}
        << QStringList{"program/SATIR.DAT", "program/Servis.mdb", "program/StokList.Dat",
                       "program/barkod.DAT", "program/stok.MDB"} +
               folders
        << "";
    QTest::newRow("paths that leave the folder, and shortcuts that are not desktop entries")
        << QStringList{"file\t../out/a.txt",         "file\t$OUT/b.txt",     "file\tWindows/../../out/c.txt",
                       "shortcut\t../out/d.desktop", "shortcut\t$OUT/e.txt", "data\t../out/f.txt"}
        << QStringList{"out/a.txt", "out/b.txt", "out/c.txt", "out/d.desktop", "out/e.txt", "out/f.txt"}
        << QStringList{"out/a.txt", "out/b.txt",          "out/c.txt", "out/d.desktop", "out/e.txt",
                       "out/f.txt", "data/applications/", "eski/",     "home/Desktop/", "program/"}
        << "";
    QTest::newRow("folders, files gone already, lines of another form")
        << QStringList{"file\tWindows", "file\tgone.wav",  "other\tnotlar.txt",
                       "notlar.txt",    "file\tsub/x.wav", "file\ta/b/c.wav"}
        << QStringList{"program/Windows/başka.exe", "program/notlar.txt", "program/sub/x.wav",
                       "program/a/b/c.wav"}
        << QStringList{"program/Windows/başka.exe", "program/notlar.txt"} + folders << "";
    // Only entries in the two folders, and only those that start this program directory's program.
    QTest::newRow("shortcuts of others, elsewhere or of another copy stay")
        << QStringList{"shortcut\t$MENU/Kelvora Teknik Servis.desktop",
                       "shortcut\t$ROOT/config/autostart/Kelvora Teknik Servis.desktop",
                       "shortcut\t$MENU/Ofis/Kelvora Teknik Servis.desktop",
                       "shortcut\t$DESKTOP/Kelvora Teknik Servis notları.desktop",
                       "shortcut\t$MENU/Kelvora Teknik Servis eski.desktop",
                       "shortcut\t$DESKTOP/bağlantı.desktop",
                       "file\tUninstall"}
        << QStringList{"data/applications/Kelvora Teknik Servis.desktop",
                       "config/autostart/Kelvora Teknik Servis.desktop",
                       "data/applications/Ofis/Kelvora Teknik Servis.desktop",
                       "home/Desktop/Kelvora Teknik Servis notları.desktop",
                       "data/applications/Kelvora Teknik Servis eski.desktop",
                       "out/Kelvora Teknik Servis.desktop",
                       "home/Desktop/bağlantı.desktop@$OUT/Kelvora Teknik Servis.desktop",
                       "program/Uninstall"}
        << QStringList{"config/autostart/Kelvora Teknik Servis.desktop",
                       "data/applications/Ofis/Kelvora Teknik Servis.desktop",
                       "home/Desktop/Kelvora Teknik Servis notları.desktop",
                       "data/applications/Kelvora Teknik Servis eski.desktop",
                       "out/Kelvora Teknik Servis.desktop",
                       "eski/",
                       "program/"}
        << "";
    QTest::newRow("no log: nothing removed")
        << QStringList() << QStringList{"program/KelvoraTeknikServis"}
        << QStringList{"program/KelvoraTeknikServis"} + folders
        << "Kurulum günlüğü $ROOT/program/st6unst.log okunamadı, bu yüzden "
           "hiçbir dosya silinmedi.";
}

void TestInstaller::removal() {
    QFETCH(QStringList, log);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, message);
    const Tree tree;
    tree.make(before);
    if (!log.isEmpty())
        tree.writeLog(log);

    const RemovalReport report = removeInstallation(tree.log());

    after.sort();
    QCOMPARE(tree.list(), after);
    QVERIFY(report.failed.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(removalMessage(report), tree.expand(message));
}

// Links planted in the program folder lead a log's relative paths outside it. Nothing outside is
// removed, nor the backups; a link that the log lists goes itself, never what it points at.
void TestInstaller::removalStaysInside_data() {
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("removed");
    QTest::newRow("through a link to a folder outside")
        << QStringList{"file\tlink/victim", "file\tlink/sub/victim", "file\tok.wav"}
        << QStringList{"program/ok.wav"};
    QTest::newRow("through a link to the folder above")
        << QStringList{"file\tup/out/victim", "file\tup/out/sub/victim", "file\tup/program/ok.wav"}
        << QStringList{"program/ok.wav"};
    QTest::newRow("through an absolute link, and back out through ..")
        << QStringList{"file\tabs/victim", "file\tlink/../out/victim", "file\tWindows/../link/victim"}
        << QStringList{};
    QTest::newRow("listed links go themselves")
        << QStringList{"file\tlink", "file\tup", "file\tflink", "file\tabs"}
        << QStringList{"program/abs@", "program/flink@", "program/link@", "program/up@"};
    QTest::newRow("a link loop") << QStringList{"file\tloop/x", "file\tloop"} << QStringList{"program/loop@"};
    QTest::newRow("backups stay, however they are reached")
        << QStringList{"file\tYedekler/2026-01-05/Servis.mdb.zst",
                       "file\tyedekler/not.txt",
                       "file\tyl/not.txt",
                       "file\tYedekler",
                       "file\tyl",
                       "file\tok.wav"}
        << QStringList{"program/ok.wav", "program/yl@"};
}

void TestInstaller::removalStaysInside() {
    QFETCH(QStringList, log);
    QFETCH(QStringList, removed);
    const Tree tree;
    tree.make({"out/victim", "out/sub/victim", "program/ok.wav", "program/Windows/st6unst.exe",
               "program/Yedekler/2026-01-05/Servis.mdb.zst", "program/Yedekler/not.txt",
               "program/link@../out", "program/up@..", "program/abs@$OUT", "program/flink@../out/victim",
               "program/loop@loop", "program/yl@Yedekler"});
    tree.writeLog(log);
    QStringList expected = tree.list();
    for (const QString& f : removed)
        expected.removeOne(f);
    expected.removeOne("program/st6unst.log");

    const RemovalReport report = removeInstallation(tree.log());

    QCOMPARE(tree.list(), expected);
    QVERIFY(report.failed.isEmpty());
    QVERIFY(report.backupsKept);
    QVERIFY(
        removalMessage(report).endsWith(QStringLiteral("\nYedekleriniz de silinmedi; %1 klasöründe duruyor.")
                                            .arg(tree.path("program/Yedekler"))));
}

// The log decides what is deleted: one that cannot be read whole deletes nothing and stays.
void TestInstaller::unreadableLogRemovesNothing_data() {
    QTest::addColumn<QString>("fixture"); // "" for a FIFO in the log's place
    QTest::newRow("CR-only line ends") << "cr-only.log";
    QTest::newRow("UTF-16") << "utf16.log";
    QTest::newRow("random bytes") << "random.bin";
    QTest::newRow("empty") << "empty.log";
    QTest::newRow("a FIFO in its place") << "";
}

void TestInstaller::unreadableLogRemovesNothing() {
    QFETCH(QString, fixture);
    const Tree tree;
    tree.make({"program/ok.wav", "program/Uninstall"});
    if (fixture.isEmpty())
        QCOMPARE(::mkfifo(QFile::encodeName(tree.log()).constData(), 0600), 0);
    else
        QVERIFY(QFile::copy(QStringLiteral(KTS_LOG_FIXTURES "/") + fixture, tree.log()));
    const QStringList before = tree.list();
    QString said =
        QStringLiteral("Kurulum günlüğü %1 okunamadı, bu yüzden hiçbir dosya silinmedi.").arg(tree.log());

    const RemovalReport report = removeInstallation(tree.log());
    QVERIFY(!report.logRead);
    QCOMPARE(removalMessage(report), said);

    // The uninstaller itself, as the launcher starts it, without a display: it says so on its error
    // output and ends with an error.
    QProcess uninstaller;
    uninstaller.setWorkingDirectory(tree.path("program"));
    uninstaller.start(QStringLiteral(KTS_ST6UNST), {"-n", "st6unst.log"});
    QVERIFY(uninstaller.waitForFinished(60000));
    QCOMPARE(uninstaller.exitCode(), 1);
    const QString error = QString::fromUtf8(uninstaller.readAllStandardError());
    QVERIFY2(
        error.contains(said.replace(tree.log(), QDir(tree.path("program")).canonicalPath() + "/st6unst.log")),
        qPrintable(error));
    QCOMPARE(tree.list(), before);
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
