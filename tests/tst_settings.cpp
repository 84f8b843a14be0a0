#include "RegString.h"
#include "ScriptedDialogs.h"
#include "Settings.h"
#include "registry/RegistryStore.h"
#include "ui/Guard.h"

#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kKey = QStringLiteral("LoginExTov\\Tov\\Properties");

QString selectionText(const std::array<bool, settings::kSecimCount>& selected) {
    QString text;
    for (const bool on : selected)
        text += on ? u'1' : u'0';
    return text;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;

    registry::Store store() const { return registry::currentUser(); }

private Q_SLOTS:
    // Every test starts from a branch that does not exist yet.
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", home_->path().toUtf8());
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::newRow("Turkish letters")
            << QStringLiteral("İĞÜŞÖÇ ığüşöç") << QStringLiteral("İĞÜŞÖÇ ığüşöç");
        QTest::newRow("empty text") << QString() << QString();
        QTest::newRow("quotes, backslash, line break")
            << QStringLiteral("C:\\Yazıcı \"A\"\r\nB") << QStringLiteral("C:\\Yazıcı \"A\"\r\nB");
        QTest::newRow("characters outside the code page become ?")
            << QStringLiteral("Servis → Teslim 😀.") << QStringLiteral("Servis ? Teslim ?.");
    }
    void roundTrip() {
        QFETCH(QString, written);
        QFETCH(QString, read);
        RegWriteString(store(), kKey, QStringLiteral("Prn"), written);
        const std::optional<QString> back = RegReadString(store(), kKey, QStringLiteral("Prn"));
        QVERIFY(back.has_value());
        QCOMPARE(*back, read);
    }

    void writesCodePage1254WithoutTerminator() {
        RegWriteString(store(), kKey, QStringLiteral("Baslik"), QStringLiteral("İĞÜŞÖÇ ığüşöç"));
        RegWriteString(store(), kKey, QStringLiteral("DataNo"), QString());
        QCOMPARE(store().value(kKey, QStringLiteral("Baslik")),
                 (registry::Value{1, QByteArray("\xDD\xD0\xDC\xDE\xD6\xC7 \xFD\xF0\xFC\xFE\xF6\xE7")}));
        QCOMPARE(store().value(kKey, QStringLiteral("DataNo")), (registry::Value{1, QByteArray()}));
    }

    void readStoredData_data() {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("hasText");
        QTest::addColumn<QString>("text");
        QTest::newRow("with terminating NUL") << 1u << QByteArray("01-0001-01", 11) << true << "01-0001-01";
        QTest::newRow("without terminating NUL") << 1u << QByteArray("01-0001-01") << true << "01-0001-01";
        QTest::newRow("text ends at the first NUL") << 1u << QByteArray("ab\0cd", 5) << true << "ab";
        QTest::newRow("length 0") << 1u << QByteArray() << true << "";
        QTest::newRow("binary") << 3u << QByteArray("abc") << false << "";
    }
    void readStoredData() {
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, hasText);
        QFETCH(QString, text);
        QVERIFY(store().setValue(kKey, QStringLiteral("Secim"), {type, data}));
        const std::optional<QString> read = RegReadString(store(), kKey, QStringLiteral("Secim"));
        QCOMPARE(read.has_value(), hasText);
        if (hasText)
            QCOMPARE(*read, text);
    }

    void readOfMissingKeyCreatesNothing() {
        QVERIFY(!RegReadString(store(), kKey, QStringLiteral("DataNo")).has_value());
        QVERIFY(!QFile::exists(store().filePath()));
        RegWriteString(store(), QStringLiteral("LoginExTov\\Tov"), QStringLiteral("DataNo"),
                       QStringLiteral("x"));
        QVERIFY(!RegReadString(store(), kKey, QStringLiteral("DataNo")).has_value());
        QVERIFY(!store().keyExists(kKey));
    }

    void keyLevels() {
        RegWriteString(store(), kKey, QStringLiteral("DataNo"), QStringLiteral("01-0001-01"));
        QVERIFY(store().keyExists(QStringLiteral("LoginExTov")));
        QVERIFY(store().keyExists(QStringLiteral("LoginExTov\\Tov")));

        QVERIFY(!store().deleteKey(QStringLiteral("LoginExTov\\Tov")));
        QCOMPARE(RegReadString(store(), kKey, QStringLiteral("DataNo")), QStringLiteral("01-0001-01"));

        QVERIFY(store().deleteKey(kKey));
        QVERIFY(!RegReadString(store(), kKey, QStringLiteral("DataNo")).has_value());
        QVERIFY(store().keyExists(QStringLiteral("LoginExTov\\Tov")));
        QVERIFY(!store().deleteKey(kKey));

        // A subkey that sorts after a sibling ("B C" before "B\C") still blocks its parent.
        QVERIFY(store().setValue(QStringLiteral("A\\B\\C"), QStringLiteral("v"), {1, "x"}));
        QVERIFY(store().setValue(QStringLiteral("A\\B C"), QStringLiteral("v"), {1, "y"}));
        QVERIFY(!store().deleteKey(QStringLiteral("A\\B")));
    }

    void everyByteAndNameSurvivesTheFile() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        const QString name = QStringLiteral("a\"b\\c\td] = 1 \"");
        QVERIFY(store().setValue(kKey, name, {3, all}));
        QVERIFY(store().setValue(kKey, QString(), {1, "default"}));
        QCOMPARE(store().value(kKey, name), (registry::Value{3, all}));
        QCOMPARE(store().value(kKey, QString()), (registry::Value{1, "default"}));
    }

    void handEditedFileIsRead() {
        QDir().mkpath(QFileInfo(store().filePath()).absolutePath());
        QFile file(store().filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# edited by hand\r\n"
                   "[LoginExTov\\Tov\\Properties]\r\n"
                   "  \"DataNo\"=1\"05-0100-12\\x00\"  \r\n"
                   "\"Baslik\" = 1 \"True\" trailing words\n"
                   "\"Prn\" = 1 \"Ofis yazıcısı\"\n");
        file.close();
        QCOMPARE(settings::dataNo(), QStringLiteral("05-0100-12"));
        QCOMPARE(settings::prn(), QStringLiteral("Ofis yazıcısı"));
        QVERIFY(!settings::baslik());
        QVERIFY(store().keyExists(QStringLiteral("LoginExTov")));
    }

    // The child process dies at the moment a crash would hurt most: the new contents are complete
    // in the temporary file but have not replaced the store yet.
    void killedWriteKeepsPreviousSettings() {
        settings::setDataNo(QStringLiteral("01-0001-01"));
        settings::setPrn(QStringLiteral("Yazıcı"));

        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            registry::setBeforeCommitHook([] { raise(SIGKILL); });
            settings::setDataNo(QStringLiteral("02-0002-02"));
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the write never reached the commit");

        QCOMPARE(settings::dataNo(), QStringLiteral("01-0001-01"));
        QCOMPARE(settings::prn(), QStringLiteral("Yazıcı"));
        settings::setDataNo(QStringLiteral("03-0003-03"));
        QCOMPARE(settings::dataNo(), QStringLiteral("03-0003-03"));
    }

    // A null text stands for a value never written.
    void baslik_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("missing") << QString() << false;
    }
    void baslik() {
        QFETCH(QString, stored);
        QFETCH(bool, on);
        if (!stored.isNull())
            RegWriteString(store(), kKey, QStringLiteral("Baslik"), stored);
        QCOMPARE(settings::baslik(), on);
    }

    void secim_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("full") << "100000000000000011"
                              << "100000000000000011";
        QTest::newRow("shorter: the rest is not selected") << "101"
                                                           << "101000000000000000";
        QTest::newRow("longer: the extra is ignored") << "1111111111111111110000"
                                                      << "111111111111111111";
        QTest::newRow("missing") << QString() << "000000000000000000";
    }
    void secim() {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        if (!stored.isNull())
            RegWriteString(store(), kKey, QStringLiteral("Secim"), stored);
        QCOMPARE(selectionText(settings::secim()), selected);
    }

    void accessorsStoreTheirFormats() {
        std::array<bool, settings::kSecimCount> selected{};
        selected[0] = selected[17] = true;
        settings::setSecim(selected);
        settings::setBaslik(true);
        settings::setDataNo(QStringLiteral("01-0042-07"));
        settings::setPrn(QStringLiteral("Ofis Yazıcısı"));
        const auto raw = [this](const char* name) {
            return RegReadString(store(), kKey, QLatin1String(name));
        };
        QCOMPARE(raw("Secim"), QStringLiteral("100000000000000001"));
        QCOMPARE(raw("Baslik"), QStringLiteral("True"));
        QCOMPARE(raw("DataNo"), QStringLiteral("01-0042-07"));
        QCOMPARE(raw("Prn"), QStringLiteral("Ofis Yazıcısı"));
        settings::setBaslik(false);
        QCOMPARE(raw("Baslik"), QStringLiteral("False"));
    }

    // Only keys that hold values are stored: a deep path costs its own line, not one per level. A
    // path beyond the registry's limits is a line that cannot be read, kept aside with the rest.
    void keyPathLimits_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<bool>("readable");
        QFile deep(QStringLiteral(KTS_REGISTRY_FIXTURES "/deep-path.txt"));
        QVERIFY(deep.open(QIODevice::ReadOnly));
        const auto levels = [](int count, int length) {
            QByteArrayList names(count, QByteArray(length, 'a'));
            return "[" + names.join('\\') + "]\n\"x\" = 1 \"y\"\n";
        };
        QTest::newRow("5,000 levels") << deep.readAll() << false;
        QTest::newRow("513 levels") << levels(513, 1) << false;
        QTest::newRow("a name of 256 characters") << levels(2, 256) << false;
        QTest::newRow("512 levels of 255 characters") << levels(512, 255) << true;
    }
    void keyPathLimits() {
        QFETCH(QByteArray, section);
        QFETCH(bool, readable);
        QDir().mkpath(QFileInfo(store().filePath()).path());
        QFile file(store().filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray before = "[LoginExTov\\Tov\\Properties]\n\"DataNo\" = 1 \"01-0001-01\"\n" + section;
        file.write(before);
        file.close();

        settings::setPrn(QStringLiteral("Yazıcı"));

        QCOMPARE(settings::dataNo(), QStringLiteral("01-0001-01"));
        QCOMPARE(settings::prn(), QStringLiteral("Yazıcı"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        QCOMPARE(after.count("\n["), readable ? 2 : 1);
        QVERIFY(after.size() < before.size() + 400);
        QFile kept(store().filePath() + ".okunamadi");
        QCOMPARE(kept.exists(), !readable);
        if (!readable) {
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), before);
        } else {
            QVERIFY(store().keyExists(QString(section.mid(1, 255 * 3 + 2))));
        }
    }

    // A write that fails is said once, and the value holds for the rest of the run; the next write
    // that succeeds stores what was kept.
    void failedWriteIsSaidOnce_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("said");
        QTest::newRow("the file is a folder") << "folder"
                                              << "bir dosya değil";
        QTest::newRow("a FIFO in its place") << "fifo"
                                             << "bir dosya değil";
        QTest::newRow("the lock file is a folder") << "lock"
                                                   << "registry.txt.lock bir dosya değil";
        QTest::newRow("no permission") << "permission"
                                       << "izniniz yok";
    }
    void failedWriteIsSaidOnce() {
        QFETCH(QString, obstacle);
        QFETCH(QString, said);
        if (obstacle == QLatin1String("permission") && geteuid() == 0)
            QSKIP("the superuser writes whatever the permissions");
        settings::setPrn(QStringLiteral("Eski"));
        const QString path = store().filePath();
        const QString folder = QFileInfo(path).path();
        if (obstacle == QLatin1String("folder") || obstacle == QLatin1String("fifo")) {
            QVERIFY(QFile::remove(path));
            QVERIFY(obstacle == QLatin1String("fifo")
                        ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                        : QDir().mkdir(path));
        } else if (obstacle == QLatin1String("lock")) {
            QVERIFY(QDir().mkdir(path + ".lock"));
        } else {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }
        ScriptedDialogs dialogs;

        settings::setDataNo(QStringLiteral("02-0002-02"));
        settings::setPrn(QStringLiteral("Yazıcı"));

        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY2(dialogs.shown[0].text.startsWith(QStringLiteral("Ayarlar kaydedilemedi.")) &&
                     dialogs.shown[0].text.contains(said),
                 qPrintable(dialogs.shown[0].text));
        QCOMPARE(dialogs.shown[0].icon, ui::Icon::Exclamation);
        QCOMPARE(settings::dataNo(), QStringLiteral("02-0002-02"));
        QCOMPARE(settings::prn(), QStringLiteral("Yazıcı"));

        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(path).removeRecursively();
        QFile::remove(path);
        QDir().rmdir(path + ".lock");
        settings::setBaslik(true);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(RegReadString(store(), kKey, QStringLiteral("DataNo")), QStringLiteral("02-0002-02"));
        QCOMPARE(RegReadString(store(), kKey, QStringLiteral("Prn")), QStringLiteral("Yazıcı"));
        QCOMPARE(RegReadString(store(), kKey, QStringLiteral("Baslik")), QStringLiteral("True"));
    }

    // A handler that switches windows off and then fails must not leave them off: nothing would
    // switch them on again, and a window switched off cannot even be closed.
    void failingHandlerLeavesNoWindowSwitchedOff() {
        ScriptedDialogs dialogs;
        QMainWindow window, other;
        window.setCentralWidget(new QWidget);
        auto* off = new QPushButton(window.centralWidget());
        off->setEnabled(false);
        window.menuBar()->addMenu(QStringLiteral("Dosya"));
        ui::guarded(&window, [&] {
            window.centralWidget()->setEnabled(false);
            window.menuBar()->setEnabled(false);
            other.setEnabled(false);
            throw std::bad_alloc();
        });
        QVERIFY(window.centralWidget()->isEnabled());
        QVERIFY(window.menuBar()->isEnabled());
        QVERIFY(other.isEnabled());
        QVERIFY(!off->isEnabled());
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.startsWith(QStringLiteral("İşlem yapılamadı.")));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
