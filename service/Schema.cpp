#include "Schema.h"

#include "engine/Database.h"
#include "engine/DatabaseFiles.h"
#include "engine/Text.h"

#include <QDir>
#include <QFileInfo>

namespace schema {

namespace {

QString table(const QString& name, const QStringList& fields) {
    return QStringLiteral("CREATE TABLE %1 (\n    ID INTEGER PRIMARY KEY,\n    %2\n)")
        .arg(name, fields.join(QStringLiteral(",\n    ")));
}

QStringList texts(const QStringList& names) {
    QStringList out;
    for (const QString& n : names)
        out << n + QStringLiteral(" TEXT");
    return out;
}

// Case-insensitive look-ups compare the folded field; this index serves them. It uses only
// SQLite's built-in functions, so the file stays usable in any SQLite tool.
QString foldedIndex(const QString& table, const QString& field) {
    return QStringLiteral("CREATE INDEX %1_%2_Fold ON %1 (%3)").arg(table, field, engine::foldSql(field));
}

} // namespace

QStringList servisStatements() {
    QStringList servis{QStringLiteral("ServisKayitNo TEXT"), QStringLiteral("KayitTarih DATE"),
                       QStringLiteral("KayitSaat TIME"),     QStringLiteral("TeslimTarihi DATE"),
                       QStringLiteral("TeslimSaati TIME"),   QStringLiteral("Nerde SMALLINT"),
                       QStringLiteral("SonDurum SMALLINT")};
    servis << texts({QStringLiteral("Unvan"), QStringLiteral("Adres1"), QStringLiteral("Adres2"),
                     QStringLiteral("Sehir"), QStringLiteral("Telefon"), QStringLiteral("VergiDa"),
                     QStringLiteral("VergiNo"), QStringLiteral("Ilgili"), QStringLiteral("Sistem"),
                     QStringLiteral("MarkaModel"), QStringLiteral("SeriNo"), QStringLiteral("ServisiYapan"),
                     QStringLiteral("TeslimAlan"), QStringLiteral("TahilatBilgisi"),
                     QStringLiteral("BasvuruSebebi"), QStringLiteral("YapilanIs"), QStringLiteral("Sonuc"),
                     QStringLiteral("Email")});
    return {
        table(QStringLiteral("Servis"), servis),
        QStringLiteral("CREATE UNIQUE INDEX Servis_ServisKayitNo ON Servis (ServisKayitNo)"),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("Unvan")),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("Sehir")),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("ServisiYapan")),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("SeriNo")),
        table(QStringLiteral("Cari"),
              texts({QStringLiteral("Unvan"), QStringLiteral("Adres1"), QStringLiteral("Adres2"),
                     QStringLiteral("Sehir"), QStringLiteral("Telefon"), QStringLiteral("VergiDa"),
                     QStringLiteral("VergiNo"), QStringLiteral("Email")})),
        foldedIndex(QStringLiteral("Cari"), QStringLiteral("Unvan")),
    };
}

QStringList stokStatements() {
    QStringList hareket{QStringLiteral("StokHarKod TEXT"), QStringLiteral("Tarih DATE")};
    hareket << texts({QStringLiteral("SeriNo"), QStringLiteral("StokAd"), QStringLiteral("Unvan"),
                      QStringLiteral("Barkod"), QStringLiteral("KayitNo")});
    return {
        table(QStringLiteral("StokHareket"), hareket),
        QStringLiteral("CREATE INDEX StokHareket_KayitNo ON StokHareket (KayitNo)"),
        QStringLiteral("CREATE INDEX StokHareket_StokHarKod ON StokHareket (StokHarKod)"),
        table(QStringLiteral("StokKartlar"),
              texts({QStringLiteral("StokKod"), QStringLiteral("StokAd"), QStringLiteral("Barkod"),
                     QStringLiteral("Serino"), QStringLiteral("Gurup"), QStringLiteral("AltGurup")})),
        QStringLiteral("CREATE INDEX StokKartlar_StokKod ON StokKartlar (StokKod)"),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("StokKod")),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("StokAd")),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("Barkod")),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("Serino")),
        table(QStringLiteral("Gurup"), texts({QStringLiteral("Gurup")})),
        table(QStringLiteral("AltGurup"), texts({QStringLiteral("Gurup"), QStringLiteral("AltGurup")})),
        QStringLiteral("CREATE INDEX AltGurup_Gurup ON AltGurup (Gurup)"),
    };
}

QStringList createMissingDatabases(const QString& directory) {
    QDir().mkpath(directory);
    const QDir dir(directory);
    QStringList made;
    const std::pair<QString, QStringList> files[] = {{kServisFile, servisStatements()},
                                                     {kStokFile, stokStatements()}};
    for (const auto& [name, statements] : files) {
        const QString path = dir.filePath(name);
        if (QFileInfo::exists(path))
            continue;
        engine::createDatabaseFile(path, statements);
        made << path;
    }
    return made;
}

QString checkDatabaseFile(const QString& path, const QString& fileName) {
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        return QStringLiteral("\"%1\" dosyası bulunamadı.").arg(shown);
    QFile file(path);
    // An empty or foreign file would pass for an empty database with SQLite.
    if (!file.open(QIODevice::ReadOnly) || file.read(16) != QByteArray("SQLite format 3", 16))
        return QStringLiteral("\"%1\" bir veritabanı dosyası değil.").arg(shown);
    QString error;
    const engine::TableFields found = engine::readTables(path, &error);
    if (!error.isEmpty())
        return QStringLiteral("\"%1\" okunamadı: %2").arg(shown, error);
    const bool servis = fileName.compare(kServisFile, Qt::CaseInsensitive) == 0;
    const engine::TableFields wanted = engine::tablesOf(servis ? servisStatements() : stokStatements());
    for (auto table = wanted.begin(); table != wanted.end(); ++table) {
        auto have = found.end();
        for (auto it = found.begin(); it != found.end(); ++it)
            if (it.key().compare(table.key(), Qt::CaseInsensitive) == 0)
                have = it;
        if (have == found.end())
            return QStringLiteral("\"%1\" dosyasında \"%2\" tablosu yok; bu dosya bir %3 dosyası değil.")
                .arg(shown, table.key(), fileName);
        for (const QString& field : table.value())
            if (!have.value().contains(field, Qt::CaseInsensitive))
                return QStringLiteral("\"%1\" dosyasının \"%2\" tablosunda \"%3\" alanı yok.")
                    .arg(shown, table.key(), field);
    }
    return {};
}

} // namespace schema
