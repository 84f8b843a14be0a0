// Telling the customer that the device is ready: the number and the message on their own, then
// through the service window, with the desktop's mail and link handlers replaced by a recorder
// registered in the test's own XDG folders. The link opener needs a display: the test runs on a
// private X server.
#include "Notify.h"
#include "ServisFixture.h"
#include "clock/Clock.h"
#include "frmBildirim.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kQuestion = QStringLiteral("Müşteriye cihazın hazır olduğu bildirilsin mi?");

// Handlers for mailto: and https: links that write each link they get as one line of a file.
class RecordingDesktop {
public:
    RecordingDesktop(const QString& root, const QStringList& schemes)
        : log_(root + QStringLiteral("/links.txt")) {
        QDir(root).mkpath(QStringLiteral("data/applications"));
        const QString script = root + QStringLiteral("/rec.sh");
        write(script, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(log_));
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        write(root + QStringLiteral("/data/applications/rec.desktop"),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Rec\nExec=%1 %u\n").arg(script));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
        // A plain desktop with no browser to fall back on: only the recorder can take a link.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "MAILER"})
            qunsetenv(name);
        qputenv("BROWSER", "kts-no-browser");
        QStringList arguments{QStringLiteral("default"), QStringLiteral("rec.desktop")};
        for (const QString& s : schemes)
            arguments << QStringLiteral("x-scheme-handler/") + s;
        if (!schemes.isEmpty() && QProcess::execute(QStringLiteral("xdg-mime"), arguments) != 0)
            qFatal("xdg-mime did not register the recorder");
    }

    QStringList links() const {
        QFile f(log_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    static void write(const QString& path, const QString& text) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    QString log_;
};

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("pdftotext failed on ") + pdf;
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestNotify : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    frmBildirim* notifyWindow() const { return f->window().findChild<frmBildirim*>(); }
    void openNotifyWindow() {
        f->window().findChild<QAction*>(QStringLiteral("HaberVer"))->trigger();
        QVERIFY(notifyWindow());
    }
    void clickIn(frmBildirim* w, const char* button) {
        QTest::mouseClick(w->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    int notifications() const { return f->servis(QStringLiteral("SELECT count(*) FROM Bildirim")).toInt(); }
    QString notice() const {
        const auto* label = f->child<QLabel>(QStringLiteral("Bildirim"));
        return label->isVisible() ? label->text() : QString();
    }
    int questions() const { return int(f->dialogs.texts().count(kQuestion)); }

private slots:
    void init() {
        f = std::make_unique<ServisFixture>();
        wallclock::setSource([] { return QDateTime(QDate(2026, 12, 8), QTime(17, 30, 12)); });
    }
    void cleanup() {
        f.reset();
        wallclock::setSource({});
    }

    void mobileNumber_data() {
        QTest::addColumn<QString>("telephone");
        QTest::addColumn<QString>("international"); // "" when refused
        for (const char* mobile :
             {"0532 123 45 67", "532 1234567", "+90 532 123 45 67", "0 (532) 123-45-67", "0090 532 123 4567"})
            QTest::newRow(mobile) << QString::fromUtf8(mobile) << QStringLiteral("905321234567");
        // Landlines, foreign numbers, a digit short or more, letters, an extension, nothing.
        for (const char* other :
             {"0312 222 33 44", "+90 312 222 33 44", "+49 151 23456789", "+1 532 123 4567", "0532 123 45 6",
              "0532 123 45 678", "0532 ABC 45 67", "0532 123 45 67 / 12", "++90 532 123 45 67", "  "})
            QTest::newRow(other) << QString::fromUtf8(other) << QString();
    }
    void mobileNumber() {
        QFETCH(QString, telephone);
        QFETCH(QString, international);
        const notify::Number n = notify::mobileNumber(telephone);
        QCOMPARE(n.international, international);
        QCOMPARE(n.problem.isEmpty(), !international.isEmpty());
        if (!telephone.trimmed().isEmpty() && international.isEmpty())
            QVERIFY2(n.problem.contains(telephone.trimmed()), qPrintable(n.problem)); // says what was read
    }

    void message_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("workshopName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Turkish letters, first line of the outcome")
            << "Çağla Işık Öztürk"
            << "\nEkran değişti, çalışıyor.\nGaranti 6 ay"
            << "Güneş Bilişim"
            << "Sayın Çağla Işık Öztürk,\n\n"
               "05-0099-12 kayıt numaralı Yazıcı Laser 1020 cihazınızın servis işlemi tamamlanmıştır; "
               "cihazınızı teslim alabilirsiniz.\nSonuç: Ekran değişti, çalışıyor.\n\n"
               "İyi günler dileriz.\nGüneş Bilişim\nTel: 0312 444 55 66";
        QTest::newRow("apostrophe, empty outcome, no workshop name")
            << "Ali'nin Dükkanı"
            << " \n "
            << ""
            << "Sayın Ali'nin Dükkanı,\n\n"
               "05-0099-12 kayıt numaralı Yazıcı Laser 1020 cihazınızın servis işlemi tamamlanmıştır; "
               "cihazınızı teslim alabilirsiniz.\n\nİyi günler dileriz.\nTel: 0312 444 55 66";
    }
    void message() {
        QFETCH(QString, title);
        QFETCH(QString, outcome);
        QFETCH(QString, workshopName);
        QFETCH(QString, expected);
        const notify::Facts facts{QStringLiteral("05-0099-12"), title, QStringLiteral("Yazıcı"),
                                  QStringLiteral("Laser 1020"), outcome};
        QCOMPARE(notify::messageText(facts, {workshopName, QStringLiteral("0312 444 55 66")}), expected);
    }

    // Through the real window: the mail program gets the address, the subject, the message and
    // the service form as a PDF; the notification is kept once and shown on the panel.
    void emailHandsOverMessageAndForm() {
        RecordingDesktop desktop(f->db.dir(), {QStringLiteral("mailto")});
        QVariantMap r = record(QStringLiteral("05-0099-12"), QStringLiteral("Ayşe Çınar Şahin"));
        r[QStringLiteral("Email")] = QStringLiteral("ayse.cinar@ornek.com.tr");
        f->addRecord(r);
        f->open();
        QCOMPARE(notice(), QString());
        QTest::keyClick(&f->window(), Qt::Key_B, Qt::ControlModifier);
        frmBildirim* w = notifyWindow();
        QVERIFY(w);
        auto* name = w->findChild<QLineEdit*>(QStringLiteral("FirmaAdi"));
        name->setFocus();
        for (QChar c : QStringLiteral("Güneş Bilişim"))
            QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString(c), Qt::NoModifier);
        const QString text = w->findChild<QPlainTextEdit*>(QStringLiteral("Mesaj"))->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("\nGüneş Bilişim")), qPrintable(text)); // follows the typing
        clickIn(w, "cmdEposta");
        QTRY_COMPARE_WITH_TIMEOUT(notifications(), 1, 30000);
        QVERIFY(!notifyWindow());
        QCOMPARE(f->dialogs.texts(), QStringList());

        QCOMPARE(desktop.links().size(), 1);
        const QUrl mailto(desktop.links()[0]);
        QCOMPARE(mailto.toString(QUrl::RemoveQuery), QStringLiteral("mailto:ayse.cinar@ornek.com.tr"));
        const QUrlQuery query(mailto);
        const auto item = [&](const QString& key) {
            return query.queryItemValue(key, QUrl::FullyDecoded)
                .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        };
        QCOMPARE(item(QStringLiteral("subject")), QStringLiteral("Cihazınız hazır (Kayıt No: 05-0099-12)"));
        QCOMPARE(item(QStringLiteral("body")), text);
        const QString pdf = item(QStringLiteral("attach"));
        QVERIFY2(QFileInfo(pdf).isFile(), qPrintable(pdf));
        const QString form = pdfText(pdf);
        QVERIFY2(form.contains(QStringLiteral("05-0099-12")) &&
                     form.contains(QStringLiteral("Ayşe Çınar Şahin")),
                 qPrintable(form));

        QCOMPARE(
            f->servis(QStringLiteral("SELECT group_concat(KayitNo || Tarih || Saat || Yol || Adres || Metin) "
                                     "FROM Bildirim"))
                .toString(),
            QStringLiteral("05-0099-122026-12-0817:30:12E-postaayse.cinar@ornek.com.tr") + text);
        QCOMPARE(notice(), QStringLiteral("Haber verildi: 08.12.2026 17:30 (E-posta)"));
        QCOMPARE(notify::workshop().name, QStringLiteral("Güneş Bilişim")); // typed once, kept
    }

    void whatsappHandsOverTheLink() {
        RecordingDesktop desktop(f->db.dir(), {QStringLiteral("https")});
        QVariantMap r = record(QStringLiteral("05-0100-12"), QStringLiteral("Ali'nin Dükkanı"));
        r[QStringLiteral("Telefon")] = QStringLiteral("0 (532) 123-45-67"); // longer than the box takes
        r[QStringLiteral("Sonuc")] = QStringLiteral("Anakart değişti & %100 çalışıyor\nikinci satır");
        f->addRecord(r);
        f->open();
        openNotifyWindow();
        const QString text = notifyWindow()->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY(text.contains(QStringLiteral("Sonuç: Anakart değişti & %100 çalışıyor\n")));
        clickIn(notifyWindow(), "cmdWhatsApp");
        QTRY_COMPARE_WITH_TIMEOUT(desktop.links(),
                                  QStringList{QStringLiteral("https://wa.me/905321234567?text=") +
                                              QString::fromLatin1(QUrl::toPercentEncoding(text))},
                                  30000);
        QVERIFY(!notifyWindow());
        QCOMPARE(
            f->servis(QStringLiteral("SELECT group_concat(Yol || '|' || Adres) FROM Bildirim")).toString(),
            QStringLiteral("WhatsApp|905321234567"));
        QCOMPARE(notice(), QStringLiteral("Haber verildi: 08.12.2026 17:30 (WhatsApp)"));
    }

    // Nothing goes and nothing is kept; the user is told why in Turkish.
    void refused_data() {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("telephone");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("handlers");
        QTest::addColumn<QString>("said");
        const QStringList all{QStringLiteral("mailto"), QStringLiteral("https")};
        QTest::newRow("no address") << ""
                                    << ""
                                    << "cmdEposta" << all << "Kayıtta e-posta adresi yok.";
        QTest::newRow("malformed address")
            << "ali@ornek"
            << ""
            << "cmdEposta" << all << "E-posta adresi \"ali@ornek\" olarak okundu";
        QTest::newRow("two addresses") << "a@b.com, c@d.com"
                                       << ""
                                       << "cmdEposta" << all << "geçerli bir";
        QTest::newRow("landline") << ""
                                  << "0312 222 33 44"
                                  << "cmdWhatsApp" << all << "Telefon \"0312 222 33 44\" olarak okundu";
        QTest::newRow("foreign") << ""
                                 << "+49 151 23456789"
                                 << "cmdWhatsApp" << all << "Telefon \"+49 151 23456789\" olarak okundu";
        QTest::newRow("no mail program") << "a@b.com"
                                         << ""
                                         << "cmdEposta" << QStringList() << "e-posta programı bulunamadı";
        QTest::newRow("no xdg-email") << "a@b.com"
                                      << ""
                                      << "cmdEposta" << all << "xdg-email çalıştırılamadı";
    }
    void refused() {
        QFETCH(QString, email);
        QFETCH(QString, telephone);
        QFETCH(QString, button);
        QFETCH(QStringList, handlers);
        QFETCH(QString, said);
        RecordingDesktop desktop(f->db.dir(), handlers);
        QVariantMap r = record(QStringLiteral("01-0001-01"), QStringLiteral("Bora Ltd."));
        r[QStringLiteral("Email")] = email;
        r[QStringLiteral("Telefon")] = telephone;
        f->addRecord(r);
        f->open();
        openNotifyWindow();
        const QByteArray path = qgetenv("PATH");
        if (QByteArray(QTest::currentDataTag()) == "no xdg-email")
            qputenv("PATH", QFile::encodeName(f->db.dir()));
        clickIn(notifyWindow(), qPrintable(button));
        qputenv("PATH", path);
        QTRY_COMPARE_WITH_TIMEOUT(f->dialogs.shown.size(), 1, 30000);
        QVERIFY2(f->dialogs.shown[0].text.contains(said), qPrintable(f->dialogs.shown[0].text));
        QCOMPARE(notifications(), 0);
        QCOMPARE(desktop.links(), QStringList());
        QCOMPARE(notice(), QString());
    }

    // The question comes once, after the save that makes the record "Tamam", and not otherwise.
    void questionAfterTamam_data() {
        QTest::addColumn<int>("storedStatus");
        QTest::addColumn<int>("savedStatus");
        QTest::addColumn<int>("asked");
        QTest::newRow("Bekliyor to Tamam") << 0 << 1 << 1;
        QTest::newRow("Olmuyor to Tamam") << 2 << 1 << 1;
        QTest::newRow("Tamam stays Tamam") << 1 << 1 << 0;
        QTest::newRow("Bekliyor to Olmuyor") << 0 << 2 << 0;
    }
    void questionAfterTamam() {
        QFETCH(int, storedStatus);
        QFETCH(int, savedStatus);
        QFETCH(int, asked);
        f->addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Bora Ltd."), storedStatus));
        f->open();
        for (int save = 0; save < 2; ++save) { // saved again unchanged: not asked again
            f->click(QStringLiteral("cmdDüzeltme"));
            f->child<QComboBox>(QStringLiteral("Durumu"))->setCurrentIndex(savedStatus);
            f->click(QStringLiteral("Evet_Hayir_0"));
        }
        QCOMPARE(questions(), asked);
        QVERIFY(!notifyWindow()); // "Hayır", the default
        QCOMPARE(f->servis(QStringLiteral("SELECT SonDurum FROM Servis")).toInt(), savedStatus);
    }

    void questionAfterAddingAndYesOpensTheWindow() {
        f->open();
        f->click(QStringLiteral("cmdAdd"));
        f->window().setText1(0, QStringLiteral("Cem Usta"));
        f->child<QComboBox>(QStringLiteral("Durumu"))->setCurrentIndex(1);
        f->dialogs.answers << ui::Answer::Yes;
        f->click(QStringLiteral("Evet_Hayir_0"));
        QCOMPARE(questions(), 1);
        QVERIFY(notifyWindow()->findChild<QPlainTextEdit*>()->toPlainText().startsWith(
            QStringLiteral("Sayın Cem Usta,\n\n01-0001-01 kayıt numaralı")));
    }

    // The table is added in place to a file made before it, and plain SQLite reads and writes it;
    // a notification follows its record's changed code and goes with the record.
    void notificationsFollowTheirRecord() {
        for (const char* drop : {"DROP TABLE Bildirim", "DROP TRIGGER Servis_Bildirim_KayitNo",
                                 "DROP TRIGGER Servis_Bildirim_Sil"})
            TestDatabase::sql(f->db.servis(), QString::fromLatin1(drop));
        f->addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Bora Ltd.")));
        f->addRecord(record(QStringLiteral("01-0002-01"), QStringLiteral("Cem Usta")));
        f->open();
        QProcess sqlite;
        sqlite.start(
            QStringLiteral("sqlite3"),
            {f->db.servis(), QStringLiteral("INSERT INTO Bildirim (KayitNo, Tarih, Saat, Yol) VALUES "
                                            "('01-0001-01', '2026-12-07', '10:00:00', 'WhatsApp')")});
        QVERIFY(sqlite.waitForFinished(30000) && sqlite.exitCode() == 0);
        f->click(QStringLiteral("Data1_Next"));
        f->click(QStringLiteral("Data1_First"));
        const QString shown = QStringLiteral("Haber verildi: 07.12.2026 10:00 (WhatsApp)");
        QCOMPARE(notice(), shown);

        f->click(QStringLiteral("cmdDüzeltme"));
        f->child<QLineEdit>(QStringLiteral("MaskEdBox1"))->setText(QStringLiteral("01-0009-01"));
        f->click(QStringLiteral("Evet_Hayir_0"));
        QCOMPARE(f->servis(QStringLiteral("SELECT KayitNo FROM Bildirim")).toString(),
                 QStringLiteral("01-0009-01"));
        QCOMPARE(notice(), shown);

        f->dialogs.answers << ui::Answer::Yes;
        f->click(QStringLiteral("cmdDelete"));
        QCOMPARE(notifications(), 0);
        QCOMPARE(notice(), QString()); // 01-0002-01 is shown
    }

    // "Araçlar" follows "Dosya", which keeps its own items; nothing to tell while entering.
    void toolsMenu() {
        f->open();
        const QList<QAction*> menus = f->window().menuBar()->actions();
        QStringList texts;
        for (QAction* menu : menus) {
            texts << menu->text();
            for (QAction* a : menu->menu()->actions())
                texts << a->text() + a->shortcut().toString();
        }
        QCOMPARE(texts,
                 (QStringList{"Dosya", "Bilgileri Yedekle", "Bilgileri Geri Al", "", "Stoklar", "", "Kapat",
                              "Araçlar", "Etiket YazdırCtrl+E", "Müşteriye Haber Ver...Ctrl+B",
                              "Kayda GitCtrl+G", "Otomatik Yedekler..."}));
        f->click(QStringLiteral("cmdAdd"));
        f->window().findChild<QAction*>(QStringLiteral("HaberVer"))->trigger();
        QVERIFY(!notifyWindow());
    }
};

// The desktop's link opener is reachable only on a display: a private X server, gone at the end.
int main(int argc, char** argv) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return 1;
    const pid_t server = fork();
    if (server == 0) {
        close(pipeFds[0]);
        if (FILE* null = freopen("/dev/null", "w", stderr); !null)
            _exit(127);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string display;
    char c;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n')
        display += c;
    close(pipeFds[0]);
    if (display.empty()) {
        waitpid(server, nullptr, 0);
        fprintf(stderr, "Xvfb did not start: skipped\n");
        return 77;
    }
    qputenv("DISPLAY", QByteArray(":") + QByteArray::fromStdString(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result;
    {
        QApplication app(argc, argv);
        TestNotify test;
        result = QTest::qExec(&test, argc, argv);
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return result;
}

#include "tst_notify.moc"
