// The Uninstall launcher against a fake display and waiter, with real folders, a real settings
// store and a stand-in uninstaller that writes down how it was started.

#include "DesktopEntry.h"
#include "FakeTopLevelWindows.h"
#include "FakeWaiter.h"
#include "Launcher.h"
#include "ProgramDirectory.h"
#include "RegString.h"
#include "registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kOurs = QStringLiteral("KelvoraTeknikServis");
const QString kKey = QStringLiteral("LoginExTov\\Tov\\Properties");

x11::TopLevelWindow ourWindow(quint64 id) {
    return {id, QStringLiteral("Kelvora Teknik Servis Programı v1"), kOurs, kOurs};
}

void writeFile(const QString& path, const QByteArray& bytes = {}) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestUninstall : public QObject {
    Q_OBJECT

private slots:
    void init();
    void closeWalks_data();
    void closeWalks();
    void titleMatching_data();
    void titleMatching();
    void windowThatNeverCloses_data();
    void windowThatNeverCloses();
    void removeTraces_data();
    void removeTraces();

private:
    QString path(const QString& relative) const { return dir_->filePath(relative); }
    QString desktop() const { return path(QStringLiteral("home/Masaüstü")); }
    QString menu() const { return path(QStringLiteral("data/applications")); }
    QString received() const { return path(QStringLiteral("windows/received.txt")); }

    std::unique_ptr<QTemporaryDir> dir_;
    QStringList log_;
    QStringList warnings_;
};

void TestUninstall::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    log_.clear();
    warnings_.clear();
    qputenv("HOME", path(QStringLiteral("home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
    qputenv("WINDIR", path(QStringLiteral("windows")).toUtf8());
    QDir().mkpath(path(QStringLiteral("program")));
    QDir().mkpath(desktop());
    setProgramDirectory(path(QStringLiteral("program")));
    writeFile(path(QStringLiteral("config/user-dirs.dirs")), "XDG_DESKTOP_DIR=\"$HOME/Masaüstü\"\n");

    // Writes its working directory, then each argument on a line of its own.
    const QString script = path(QStringLiteral("windows/st6unst.exe"));
    writeFile(script, "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > \"$WINDIR/received.tmp\"\n"
                      "mv \"$WINDIR/received.tmp\" \"$WINDIR/received.txt\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);

    RegWriteString(registry::currentUser(), kKey, QStringLiteral("DataNo"), QStringLiteral("01-0001-01"));
    RegWriteString(registry::currentUser(), QStringLiteral("LoginExTov\\Tov"), QStringLiteral("Diger"),
                   QStringLiteral("kalır"));
}

void TestUninstall::closeWalks_data() {
    QTest::addColumn<QList<int>>("closesAfter");
    QTest::addColumn<QStringList>("expected");
    const QString walk = QStringLiteral("walk"), pause = QStringLiteral("pause 1000");
    const QString events = QStringLiteral("events");
    QTest::newRow("no copy running: one walk, then the pause")
        << QList<int>{} << QStringList{walk, pause, events};
    QTest::newRow("two copies, closed one per walk")
        << QList<int>{1, 1}
        << QStringList{walk, "close 1", pause, walk, "close 2", pause, walk, pause, events};
    QTest::newRow("a copy that closes on the third request")
        << QList<int>{3} << QStringList{walk, "close 1", pause, walk, "close 1", pause,
                                        walk, "close 1", pause, walk, pause,     events};
}

void TestUninstall::closeWalks() {
    QFETCH(QList<int>, closesAfter);
    QFETCH(QStringList, expected);
    FakeTopLevelWindows windows(log_);
    FakeWaiter waiter(log_);
    windows.add({99, QStringLiteral("Terminal"), QStringLiteral("XTerm"), QStringLiteral("xterm")}, -1);
    for (int i = 0; i < closesAfter.size(); ++i)
        windows.add(ourWindow(quint64(i + 1)), closesAfter[i]);
    Launcher launcher(windows, waiter, [this](const QString& text) { warnings_.append(text); });
    QVERIFY(launcher.Form_Load());
    QCOMPARE(log_, expected);
    QVERIFY(warnings_.isEmpty());
}

void TestUninstall::titleMatching_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("windowClass");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("asked");
    QTest::newRow("the main window") << "Kelvora Teknik Servis Programı v1" << kOurs << kOurs << true;
    QTest::newRow("compared lower-cased") << "KELVORA TEKNİK SERVİS" << kOurs << kOurs << true;
    QTest::newRow("a longer title holding it")
        << "Eski kayıtlar - kelvora teknik servis (2)" << kOurs << kOurs << true;
    QTest::newRow("the process unknown, our window class") << "Kelvora Teknik Servis" << kOurs << "" << true;
    QTest::newRow("only Teknik Servis") << "Teknik Servis" << kOurs << kOurs << false;
    QTest::newRow("an empty title") << "" << kOurs << kOurs << false;
    // Turkish lower-casing turns the dotless capital I into ı, which is not the i of "teknik".
    QTest::newRow("dotless capitals") << "KELVORA TEKNIK SERVIS" << kOurs << kOurs << false;
    QTest::newRow("an editor with the notes open") << "Kelvora Teknik Servis notları.txt - Metin Düzenleyici"
                                                   << "Gedit"
                                                   << "gedit" << false;
    QTest::newRow("a browser tab, process unknown") << "Kelvora Teknik Servis - Arama"
                                                    << "firefox-esr"
                                                    << "" << false;
    QTest::newRow("another process, whatever its class")
        << "Kelvora Teknik Servis" << kOurs << "python3" << false;
}

void TestUninstall::titleMatching() {
    QFETCH(QString, title);
    QFETCH(QString, windowClass);
    QFETCH(QString, program);
    QFETCH(bool, asked);
    FakeTopLevelWindows windows(log_);
    FakeWaiter waiter(log_);
    windows.add({7, title, windowClass, program});
    Launcher launcher(windows, waiter, [](const QString&) {});
    QVERIFY(launcher.CloseRunningProgram());
    QCOMPARE(windows.requests(), asked ? 1 : 0);
}

void TestUninstall::windowThatNeverCloses_data() {
    QTest::addColumn<bool>("reopens");
    QTest::newRow("the window stays") << false;
    QTest::newRow("each request answered by a new window") << true;
}

void TestUninstall::windowThatNeverCloses() {
    QFETCH(bool, reopens);
    const QString shortcut = menu() + QStringLiteral("/Kelvora Teknik Servis.desktop");
    writeFile(shortcut);
    FakeTopLevelWindows windows(log_);
    FakeWaiter waiter(log_);
    windows.add(ourWindow(1), -1, reopens);
    Launcher launcher(windows, waiter, [this](const QString& text) { warnings_.append(text); });
    QVERIFY(!launcher.Form_Load());
    // One request a second, for thirty seconds.
    QCOMPARE(windows.requests(), 30);
    QCOMPARE(waiter.nowMs(), 30000);
    QCOMPARE(warnings_.size(), 1);
    QVERIFY(warnings_[0].contains(QStringLiteral("kapatılamadı")));
    QVERIFY(warnings_[0].contains(QStringLiteral("hiçbir şey silinmedi")));
    // Nothing removed: the traces step never ran.
    QVERIFY(!log_.contains(QStringLiteral("events")));
    QVERIFY(QFile::exists(shortcut));
    QVERIFY(registry::currentUser().keyExists(kKey));
    QTest::qWait(200);
    QVERIFY(!QFile::exists(received()));
}

void TestUninstall::removeTraces_data() {
    QTest::addColumn<bool>("subkey");
    QTest::addColumn<bool>("desktopOff");
    QTest::addColumn<bool>("uninstaller");
    QTest::newRow("settings key alone") << false << false << true;
    QTest::newRow("settings key with a subkey: refused, the launcher goes on") << true << false << true;
    QTest::newRow("desktop folder switched off") << false << true << true;
    QTest::newRow("no uninstaller in the Windows directory: said, the rest done") << false << false << false;
}

void TestUninstall::removeTraces() {
    QFETCH(bool, subkey);
    QFETCH(bool, desktopOff);
    QFETCH(bool, uninstaller);
    if (!uninstaller)
        QFile::remove(path(QStringLiteral("windows/st6unst.exe")));
    if (subkey)
        RegWriteString(registry::currentUser(), kKey + QStringLiteral("\\Eski"), QStringLiteral("x"),
                       QStringLiteral("y"));
    if (desktopOff)
        writeFile(path(QStringLiteral("config/user-dirs.dirs")), "XDG_DESKTOP_DIR=\"$HOME/\"\n");
    const QString program = path("program");
    const QString elsewhere = path("eski/program");
    const auto entry = [](const QString& name, const QString& folder) {
        return desktopEntry(name, "", folder + "/KelvoraTeknikServis", folder, "").toUtf8();
    };
    const QStringList removed{
        desktop() + "/Kelvora Teknik Servis.desktop",
        desktop() + "/Kelvora Teknik Servis Kaldır.desktop",
        desktop() + "/Yedek kelvora teknik servis.desktop",
        menu() + "/Kelvora Teknik Servis.desktop",
    };
    const QStringList kept{
        desktop() + "/Kelvora Teknik Servis notları.txt",
        desktop() + "/Teknik Servis.desktop",
        desktop() + "/Ofis/Kelvora Teknik Servis.desktop",
        menu() + "/Ofis/Kelvora Teknik Servis.desktop",
        // Where the pattern would land without a folder in front.
        path("program/Kelvora Teknik Servis.desktop"),
        // Outside the two folders: only reached through the link below, which goes itself.
        path("home/girişler/Kelvora Teknik Servis.desktop"),
    };
    for (const QString& f : removed + kept)
        writeFile(f, entry("Kelvora Teknik Servis", program));
    QVERIFY(QFile::link(path("home/girişler/Kelvora Teknik Servis.desktop"),
                        desktop() + "/Kelvora Teknik Servis bağlantı.desktop"));
    // The user's own notes, opened with an editor in the program directory, and another copy of the
    // program: names that match, entries that are not this installation's.
    const QStringList others{desktop() + "/Kelvora Teknik Servis notları.desktop",
                             menu() + "/Kelvora Teknik Servis (eski).desktop"};
    writeFile(others[0], "[Desktop Entry]\nType=Application\nName=Notlar\nExec=mousepad \"" +
                             program.toUtf8() + "/notlar.txt\"\nPath=" + program.toUtf8() + "\n");
    writeFile(others[1], entry("Kelvora Teknik Servis (eski)", elsewhere));
    QDir().mkpath(elsewhere);
    QDir().mkpath(menu() + "/Kelvora Teknik Servis Klasörü.desktop");

    FakeTopLevelWindows windows(log_);
    FakeWaiter waiter(log_);
    Launcher launcher(windows, waiter, [this](const QString& text) { warnings_.append(text); });
    QCOMPARE(launcher.Form_Load(), uninstaller);
    QCOMPARE(warnings_.size(), uninstaller ? 0 : 1);

    for (const QString& f : removed)
        QCOMPARE(QFile::exists(f), desktopOff && f.startsWith(desktop()));
    for (const QString& f : kept + others)
        QVERIFY2(QFile::exists(f), qPrintable(f));
    QCOMPARE(QFileInfo(desktop() + "/Kelvora Teknik Servis bağlantı.desktop").isSymLink(), desktopOff);
    QVERIFY(QFileInfo(menu() + "/Kelvora Teknik Servis Klasörü.desktop").isDir());

    const registry::Store store = registry::currentUser();
    QCOMPARE(store.keyExists(kKey), subkey);
    QCOMPARE(RegReadString(store, "LoginExTov\\Tov", "Diger"), QStringLiteral("kalır"));

    if (!uninstaller) {
        QVERIFY(warnings_[0].contains(QStringLiteral("başlatılamadı")));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(received()), 10000);
    QFile file(received());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(1), (QStringList{"-n", "st6unst.log"}));
    QCOMPARE(QDir(lines.value(0)).canonicalPath(), QDir(path("program")).canonicalPath());
}

QTEST_MAIN(TestUninstall)
#include "tst_uninstall.moc"
