#include "JetStartup.h"

#include "ConversionProgress.h"
#include "ImportError.h"
#include "JetConversion.h"
#include "JetHeader.h"
#include "files/RegularFile.h"
#include "ui/Dialogs.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <memory>

namespace {

struct OldFile {
    QString path;
    jet::TargetSchema schema;
};

QString fileList(const QStringList& names) {
    if (names.size() == 1)
        return names.first() + QStringLiteral(" dosyası");
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" ve ") + names.last() +
           QStringLiteral(" dosyaları");
}

QString question(const QVector<OldFile>& files, const QString& dir) {
    QStringList names, kept;
    for (const OldFile& f : files) {
        names << f.schema.fileName;
        kept << QFileInfo(jet::JetConversion::keptPath(f.path)).fileName();
    }
    return QStringLiteral("%1 eski Access biçiminde.\n\nŞimdi programın biçimine dönüştürülsün mü?\n\n"
                          "%2 değiştirilmeden aynı klasörde (%3) %4 adıyla saklanır.")
        .arg(fileList(names),
             files.size() == 1 ? QStringLiteral("Asıl dosya") : QStringLiteral("Asıl dosyalar"),
             QDir::toNativeSeparators(dir), kept.join(QStringLiteral(", ")));
}

QString summary(const QVector<jet::ConversionReport>& reports) {
    QStringList lines{QStringLiteral("Dönüştürme tamamlandı.")};
    for (const jet::ConversionReport& r : reports) {
        QStringList counts;
        qint64 copied = 0;
        for (const jet::TableCount& t : r.tables) {
            counts << QStringLiteral("%1 %2").arg(t.copied).arg(t.table);
            copied += t.copied;
        }
        lines << QStringLiteral("%1: %2 kayıt aktarıldı (%3). Asıl dosya: %4")
                     .arg(QFileInfo(r.target).fileName())
                     .arg(copied)
                     .arg(counts.join(QStringLiteral(", ")), QFileInfo(r.kept).fileName());
        if (r.duplicates() > 0)
            lines << QStringLiteral("Aynı kodla ikinci kez kaydedilmiş %1 kayıt yeni dosyaya alınamadı; "
                                    "bütün alanlarıyla şu dosyaya yazıldı: %2")
                         .arg(r.duplicates())
                         .arg(QDir::toNativeSeparators(r.duplicateFiles.join(QStringLiteral(", "))));
        if (!r.shortfalls().isEmpty())
            lines << QStringLiteral("Eksik gelenler:\n%1").arg(r.shortfalls().join(u'\n'));
        QStringList left = r.unknownTables;
        left << r.unknownColumns;
        if (!left.isEmpty())
            lines << QStringLiteral("Programda karşılığı olmadığı için aktarılmayanlar: %1")
                         .arg(left.join(QStringLiteral(", ")));
    }
    return lines.join(QStringLiteral("\n\n"));
}

const QString kUntouched = QStringLiteral("Asıl dosyalar yerinde ve değişmedi. Program kapanıyor.");

// What each converted file declares and did not give; empty when nothing is missing.
QString shortfalls(const std::vector<std::unique_ptr<jet::JetConversion>>& conversions) {
    QStringList out;
    for (const auto& c : conversions) {
        const QStringList lost = c->report().shortfalls();
        if (!lost.isEmpty())
            out << QStringLiteral("%1:\n%2").arg(QFileInfo(c->report().source).fileName(), lost.join(u'\n'));
    }
    return out.join(QStringLiteral("\n\n"));
}

// The program ends after this message: it goes to the session's log as well.
void lastWord(QWidget* parent, const QString& text, ui::Icon icon) {
    qWarning().noquote() << text;
    ui::MsgBox(parent, text, icon);
}

} // namespace

bool offerJetConversion(QWidget* parent, const QString& programDir, const jet::ReaderProgram& reader) {
    QVector<OldFile> files;
    for (const QString& name : {QStringLiteral("Servis.mdb"), QStringLiteral("Stok.mdb")}) {
        const QString path = QDir(programDir).filePath(name);
        if (platform::isRegularFile(path) && jet::fileFormat(path) != jet::Format::NotJet)
            files << OldFile{path, *jet::schemaForFile(name)};
    }
    if (files.isEmpty())
        return true;

    if (ui::MsgBox(parent, question(files, programDir), ui::Icon::Question, ui::Buttons::YesNo,
                   ui::Answer::Yes) != ui::Answer::Yes) {
        ui::MsgBox(
            parent,
            QStringLiteral("Program kapanıyor; dosyalar değiştirilmedi.\n\nDönüştürmek için programı "
                           "yeniden başlatıp bu soruya Evet deyin ya da her dosya için komut satırında "
                           "şunu çalıştırın:\nkts-import ESKİ.mdb YENİ.mdb"),
            ui::Icon::Information);
        return false;
    }

    // Every file is made and checked first; only then is any put in place.
    std::vector<std::unique_ptr<jet::JetConversion>> conversions;
    try {
        ConversionProgress progress(parent);
        for (const OldFile& f : files) {
            conversions.push_back(std::make_unique<jet::JetConversion>(f.path, f.path, f.schema, reader));
            conversions.back()->prepare([&](const QString& table, qint64 done, qint64 total) {
                return progress.step(f.schema.fileName, table, done, total);
            });
        }
    } catch (const jet::ImportError& e) {
        conversions.clear();
        lastWord(parent,
                 e.cancelled() ? QStringLiteral("Dönüştürme durduruldu.\n\n") + kUntouched
                               : QStringLiteral("Dönüştürme yapılamadı:\n%1\n\n").arg(e.text()) + kUntouched,
                 e.cancelled() ? ui::Icon::Information : ui::Icon::Critical);
        return false;
    }

    const QString lost = shortfalls(conversions);
    if (!lost.isEmpty() &&
        ui::MsgBox(
            parent,
            QStringLiteral("Eski dosyanın bildirdiklerinin hepsi okunamadı; dosya bozuk olabilir.\n\n%1"
                           "\n\nDönüştürülen dosya yine de kullanılsın mı? Asıl dosya her durumda "
                           "değiştirilmeden saklanır.")
                .arg(lost),
            ui::Icon::Exclamation, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes) {
        conversions.clear();
        lastWord(parent, QStringLiteral("Dönüştürülen dosya kullanılmadı.\n\n") + kUntouched,
                 ui::Icon::Information);
        return false;
    }

    QVector<jet::ConversionReport> done;
    for (const auto& c : conversions) {
        try {
            c->commit();
            done << c->report();
        } catch (const jet::ImportError& e) {
            QString text = QStringLiteral("Dönüştürme tamamlanamadı:\n%1\n\n%2 yerinde ve değişmedi.")
                               .arg(e.text(), QFileInfo(c->report().source).fileName());
            if (!done.isEmpty())
                text += QStringLiteral("\n\n") + summary(done);
            lastWord(parent, text + QStringLiteral("\n\nProgram kapanıyor."), ui::Icon::Critical);
            return false;
        }
    }
    ui::MsgBox(parent, summary(done), ui::Icon::Information);
    return true;
}
