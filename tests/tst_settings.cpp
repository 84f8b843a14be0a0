#include "RegString.h"
#include "Settings.h"
#include "registry/RegistryStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
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
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
