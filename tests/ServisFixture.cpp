#include "ServisFixture.h"

#include "ProgramDirectory.h"
#include "ProgramStyle.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

QVariantMap record(const QString& code, const QString& title, int status) {
    return {{"ServisKayitNo", code},
            {"KayitTarih", "2026-03-04"},
            {"KayitSaat", "09:15:00"},
            {"TeslimTarihi", "2026-03-06"},
            {"TeslimSaati", "17:30:00"},
            {"Nerde", 1},
            {"SonDurum", status},
            {"Unvan", title},
            {"Adres1", "Atatürk Cad. 5"},
            {"Adres2", "Kat 2"},
            {"Sehir", title.section(' ', 0, 0)},
            {"Telefon", "03122223344"},
            {"VergiDa", "Çankaya"},
            {"VergiNo", "1234567890"},
            {"Ilgili", "Ayşe"},
            {"Sistem", "Yazıcı"},
            {"MarkaModel", "Laser 1020"},
            {"SeriNo", "SN-" + code},
            {"ServisiYapan", "Oğuz"},
            {"TeslimAlan", "Mehmet"},
            {"TahilatBilgisi", "Nakit"},
            {"BasvuruSebebi", "Kağıt sıkışıyor"},
            {"YapilanIs", "Merdane değişti"},
            {"Sonuc", "Çalışıyor"},
            {"Email", "info@ornek.com.tr"}};
}

ServisFixture::ServisFixture() {
    // The program's look, as the program sets it at start-up.
    static const bool styled = (applyProgramStyle(), true);
    Q_UNUSED(styled);
    setProgramDirectory(db.dir());
    // Settings of one test must not leak into the next.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(db.dir() + QStringLiteral("/config")));
}

ServisFixture::~ServisFixture() {
    window_.reset();
}

void ServisFixture::addRecord(const QVariantMap& fields) {
    QStringList marks;
    for (int i = 0; i < fields.size(); ++i)
        marks << "?";
    TestDatabase::sql(
        db.servis(),
        QStringLiteral("INSERT INTO Servis (%1) VALUES (%2)").arg(fields.keys().join(','), marks.join(',')),
        fields.values());
}

void ServisFixture::addUsedItem(const QString& code, const QString& name) {
    TestDatabase::sql(
        db.stok(),
        QStringLiteral("INSERT INTO StokHareket (StokHarKod, Tarih, StokAd, KayitNo) VALUES (?, ?, ?, ?)"),
        {"K-" + name, "2026-03-04", name, code});
}

void ServisFixture::addCustomer(const QString& title, const QString& city) {
    TestDatabase::sql(db.servis(), QStringLiteral("INSERT INTO Cari (Unvan, Sehir) VALUES (?, ?)"),
                      {title, city});
}

frmServis& ServisFixture::open() {
    window_ = std::make_unique<frmServis>();
    if (!window_->Form_Load())
        qFatal("the service window did not open");
    // Window shortcuts (F1, F3) and focus need an active window.
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get()))
        qFatal("the service window did not become active");
    return *window_;
}

QString ServisFixture::caption() const {
    return child<QLabel>("Data1_Caption")->text();
}

QString ServisFixture::code() const {
    return child<QLineEdit>("MaskEdBox1")->displayText();
}

QStringList ServisFixture::gridItems() const {
    const QAbstractItemModel* m = child<QTableView>("DBGrid1")->model();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, 0).data().toString();
    return out;
}

void ServisFixture::click(const QString& buttonName) {
    auto* b = child<QAbstractButton>(buttonName);
    if (!b)
        qFatal("no button %s", qPrintable(buttonName));
    QTest::mouseClick(b, Qt::LeftButton);
}

QStringList ServisFixture::sounds() const {
    QStringList names;
    for (const QString& file : player.played)
        names << QFileInfo(file).fileName();
    return names;
}
