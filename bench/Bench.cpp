#include "Bench.h"

#include "BenchServer.h"
#include "ProgramDirectory.h"
#include "RecordCode.h"
#include "Schema.h"
#include "Settings.h"
#include "StockBench.h"
#include "WindowDriver.h"
#include "engine/Database.h"
#include "engine/Text.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QTest>
#include <QTime>

namespace {

// The list panel's fields by Combo1 position, as the window names them.
const char* const kListFields[] = {"ServisKayitNo", "Unvan", "Sehir", "ServisiYapan", "SeriNo"};
constexpr int kTechnicianField = 3;
// Typed into the title box of a new record; ASCII only, so that SQLite's own LIKE in the
// baseline agrees with the program's Turkish comparison.
constexpr int kTypedTitles = 12;  // customers whose titles are typed for the type-ahead
constexpr int kTypedLetters = 10; // letters typed of each
constexpr int kStatusResetRuns = 3;

QString file(const QString& directory, const QString& name) {
    return QDir(directory).filePath(name);
}

// A column's fold as the server's indexes hold it, for the baseline's SQL there.
std::string serverFold(const char* column) {
    return engine::foldSql(QString::fromLatin1(column), engine::Dialect::Postgres).toStdString();
}

// What showing a record reads: its row and its used items.
class RawShow {
public:
    // A server names the result's columns once it has sent one: the code's column is found then.
    RawShow(RawDb& servis, RawDb& stok)
        : row_(servis, "SELECT * FROM Servis WHERE ID = ?")
        , items_(stok, "SELECT * FROM StokHareket WHERE KayitNo = ?")
        , code_(servis.onServer() ? -1 : row_.column("ServisKayitNo")) {}

    struct Shown {
        std::string code;
        int items = 0;
    };

    Shown show(sqlite3_int64 id) {
        row_.bind(1, id);
        require(row_.step(), QStringLiteral("record %1 vanished").arg(id));
        if (code_ < 0)
            code_ = row_.column("ServisKayitNo");
        row_.readRow();
        Shown out{row_.text(code_)};
        row_.reset();
        out.items = items_.bind(1, out.code).rows();
        return out;
    }

private:
    RawQuery row_;
    RawQuery items_;
    int code_;
};

sqlite3_int64 number(RawDb& db, const std::string& sql, std::string_view value = {}) {
    RawQuery q(db, sql);
    if (!value.empty())
        q.bind(1, value);
    require(q.step(), text("no result: " + sql));
    return q.int64(0);
}

std::string firstText(RawDb& db, const std::string& sql) {
    RawQuery q(db, sql);
    require(q.step(), text("no result: " + sql));
    return q.text(0);
}

// The baseline's writes reach the window's record sets at their next move, as another desk's do;
// a move before the timed runs takes them in, so that no run pays for reloading the keys.
void takeInOutsideWrites(WindowDriver& d) {
    d.records().moveFirst();
    d.window().Data2()->rs().moveFirst();
    settle();
}

// Counts the paint events of a widget: the value list's time must include drawing its rows.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget)
        : QObject(widget) {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

Bench::Bench(const QString& dataFolder, int repeat, BenchServer* server)
    : dataFolder_(dataFolder)
    , repeat_(repeat)
    , server_(server)
    , run_(QFileInfo(dataFolder).absolutePath() + QStringLiteral("/run-XXXXXX")) {
    require(run_.isValid(), QStringLiteral("cannot make a working folder beside %1").arg(dataFolder));
    // The program's settings (the last record code) go to the working folder, not the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(run_.filePath(QStringLiteral("config"))));
    // A data set cached by an older program lacks the tables and indexes added since: brought up to
    // date once here, so that neither the baseline nor the program's start-up pays for it.
    for (const QString& name : {schema::kServisFile, schema::kStokFile}) {
        const QString failed = schema::checkDatabaseFile(file(dataFolder_, name), name);
        require(failed.isEmpty(), failed);
    }
    if (server_) {
        std::fprintf(stderr, "kts-bench: loading the data set onto the server...\n");
        server_->load(dataFolder_);
    }
}

Bench::~Bench() = default;

QString Bench::freshProgramDirectory() {
    const QString dir = run_.filePath(QStringLiteral("program-%1").arg(++copies_));
    QDir().mkpath(dir);
    for (const QString& name : {schema::kServisFile, schema::kStokFile})
        require(QFile::copy(file(dataFolder_, name), file(dir, name)),
                QStringLiteral("cannot copy %1 to %2").arg(name, dir));
    return dir;
}

Bench::Place Bench::freshPlace() {
    if (!server_)
        return {freshProgramDirectory(), {}};
    // The window keeps a program directory (settings, sounds); its data are on the server.
    const QString dir = run_.filePath(QStringLiteral("program-%1").arg(++copies_));
    QDir().mkpath(dir);
    return {dir, server_->freshDatabase()};
}

void Bench::usePlace(const Place& place) {
    setProgramDirectory(place.dir);
    if (server_)
        engine::setServer(place.conninfo);
}

std::unique_ptr<RawDb> Bench::rawOpen(const Place& place, const QString& fileName) const {
    if (place.conninfo.isEmpty())
        return std::make_unique<RawDb>(file(place.dir, fileName));
    return std::make_unique<RawDb>(ServerSchema{place.conninfo, schema::serverSchemaOf(fileName)});
}

void Bench::dropPlace(const Place& place) {
    QDir(place.dir).removeRecursively();
    if (!place.conninfo.isEmpty())
        server_->drop(place.conninfo);
}

void Bench::openSession() {
    place_ = freshPlace();
    session_ = place_.dir;
    usePlace(place_);
    servis_ = rawOpen(place_, schema::kServisFile);
    stok_ = rawOpen(place_, schema::kStokFile);
    facts_.records = int(number(*servis_, "SELECT count(*) FROM Servis"));
    facts_.customers = int(number(*servis_, "SELECT count(*) FROM Cari"));
    facts_.firstId = number(*servis_, "SELECT ID FROM Servis ORDER BY ID LIMIT 1");
    const std::string code = firstText(*servis_, "SELECT ServisKayitNo FROM Servis ORDER BY ID LIMIT 1");
    facts_.firstCode = text(code);
    facts_.firstItems = int(number(*stok_, "SELECT count(*) FROM StokHareket WHERE KayitNo = ?", code));
}

Report Bench::run() {
    openSession();
    Report report;
    report.peakRssMb = memory();
    report.peakRssTargetMb = 150;
    report.results << startup();
    {
        // Record work with the list panel closed, as the window starts; list work with it open.
        WindowDriver d;
        report.results << nextRecord(d);
        d.setListPanel(true);
        // On a server the baseline compares the folded fields, which its indexes hold.
        report.results
            << filter(d, {.name = QStringLiteral("filter_like"), .target = {.maxRatio = 1.5}}, 1,
                      QStringLiteral("AN*"),
                      servis_->sql("SELECT ID FROM Servis WHERE Unvan LIKE 'AN%' ORDER BY ID",
                                   "SELECT ID FROM Servis WHERE " + serverFold("Unvan") +
                                       " LIKE 'AN%' ORDER BY ID"))
            // A city as stored ("Ankara") typed in other letter case.
            << filter(d, {.name = QStringLiteral("filter_equal"), .target = {.maxRatio = 2}}, 2,
                      QStringLiteral("ANKARA"),
                      servis_->sql("SELECT ID FROM Servis WHERE Sehir = ? COLLATE NOCASE ORDER BY ID",
                                   "SELECT ID FROM Servis WHERE " + serverFold("Sehir") + " = ? ORDER BY ID"))
            << findNext(d) << valueList(d);
        d.setListPanel(false);
        report.results << typeahead(d) << typeaheadLookup(d) << saveNew(d) << deleteRecord(d);
        report.results << historyCount(d) << historyList(d);
        report.results << StockBench(d, *stok_, repeat_, dialogs_).run();
    }
    report.results << drawPage(QStringLiteral("print_draw"), 0) << pdfPage()
                   << drawPage(QStringLiteral("print_draw_200_items"), 200);
    servis_.reset();
    stok_.reset();
    report.results << statusReset();
    if (server_) {
        serverTargets(report);
        report.notes << QStringLiteral("not run on a server: backup, restore, auto_backup, restore_verified, "
                                       "backup_restore_unanswered (operations on the files)");
        return report;
    }
    openSession();
    servis_.reset(); // the restore replaces the files under any connection left open
    stok_.reset();
    {
        WindowDriver d;
        dialogs_.longestCheckGapMs = 0;
        report.results << backup(d) << restore(d) << autoBackup(d, &report.notes) << restoreVerified(d)
                       << backupResponsiveness();
    }
    return report;
}

// The process's peak so far with the data set open and the value list filled: measured first,
// before any timed work has passed through the heap.
double Bench::memory() {
    WindowDriver d;
    d.setListPanel(true);
    d.chooseField(1);
    settle();
    return peakResidentMb();
}

Result Bench::startup() {
    Result r{.name = QStringLiteral("startup"), .target = {.maxRatio = 1.5}};
    r.rawMs = medianOf(repeat_, [&](int) {
        if (server_) {
            const ServerSchema servisAt{place_.conninfo, schema::serverSchemaOf(schema::kServisFile)};
            const ServerSchema stokAt{place_.conninfo, schema::serverSchemaOf(schema::kStokFile)};
            return elapsedMs([&] {
                RawDb servis(servisAt);
                RawDb stok(stokAt);
                RawQuery customers(servis, "SELECT ID FROM Cari ORDER BY ID");
                RawQuery records(servis, "SELECT ID FROM Servis ORDER BY ID");
                RawShow show(servis, stok);
                customers.ids();
                show.show(records.ids().front());
            });
        }
        return elapsedMs([&] {
            RawDb servis(file(session_, schema::kServisFile));
            RawDb stok(file(session_, schema::kStokFile));
            RawQuery customers(servis, "SELECT ID FROM Cari ORDER BY ID");
            RawQuery records(servis, "SELECT ID FROM Servis ORDER BY ID");
            RawShow show(servis, stok);
            customers.ids();
            show.show(records.ids().front());
        });
    });
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int) {
        std::unique_ptr<frmServis> window;
        const double ms = ours.time([&] { window = loadWindow(); });
        WindowDriver d(std::move(window));
        require(d.records().recordCount() == facts_.records &&
                    d.window().Data2()->rs().recordCount() == facts_.customers,
                QStringLiteral("start-up: wrong record or customer count"));
        require(d.code() == facts_.firstCode && d.gridRows() == facts_.firstItems,
                QStringLiteral("start-up: first record %1 with %2 items shown as %3 with %4")
                    .arg(facts_.firstCode)
                    .arg(facts_.firstItems)
                    .arg(d.code())
                    .arg(d.gridRows()));
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

Result Bench::nextRecord(WindowDriver& d) {
    Result r{.name = QStringLiteral("next_record"), .target = {.maxMs = 2}};
    RawQuery keys(*servis_, "SELECT ID FROM Servis ORDER BY ID");
    const std::vector<sqlite3_int64> ids = keys.ids();
    require(int(ids.size()) > repeat_, QStringLiteral("next_record: too few records"));
    RawShow raw(*servis_, *stok_);
    std::vector<RawShow::Shown> expected;
    r.rawMs = medianOf(repeat_,
                       [&](int i) { return elapsedMs([&] { expected.push_back(raw.show(ids[i + 1])); }); });

    d.click(QStringLiteral("Data1_First"));
    settle();
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        const double ms = ours.time([&] {
            d.click(QStringLiteral("Data1_Next"));
            settle();
        });
        require(d.code() == text(expected[i].code) && d.gridRows() == expected[i].items,
                QStringLiteral("next_record: shows %1 with %2 items, expected %3 with %4")
                    .arg(d.code())
                    .arg(d.gridRows())
                    .arg(text(expected[i].code))
                    .arg(expected[i].items));
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// Ticking the filter box with a value typed for a field of the list panel; the baseline binds the
// same value where its query has a parameter.
Result Bench::filter(WindowDriver& d, Result r, int field, const QString& value, const std::string& rawSql) {
    RawQuery query(*servis_, rawSql);
    if (rawSql.find('?') != std::string::npos)
        query.bind(1, (servis_->onServer() ? engine::foldText(value) : value).toStdString());
    size_t matches = 0;
    r.rawMs = medianOf(repeat_, [&](int) { return elapsedMs([&] { matches = query.ids().size(); }); });

    d.chooseField(field);
    const auto untick = [&] {
        if (d.filterOn()) {
            d.click(QStringLiteral("Check1"));
            settle();
        }
    };
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int) {
        untick();
        // Typed every time, as a user does, so that the click on the box also takes the focus out
        // of the value combo.
        d.setFilterText(value);
        const double ms = ours.time([&] {
            d.click(QStringLiteral("Check1"));
            settle();
        });
        require(d.filterOn() && size_t(d.records().recordCount()) == matches,
                QStringLiteral("%1: %2 records shown, %3 expected")
                    .arg(r.name)
                    .arg(d.records().recordCount())
                    .arg(matches));
        return ms;
    });
    r.storeMs = ours.storeMs();
    untick();
    return r;
}

// "Tekrar Ara" on the technician of the first record: thousands of matches in the full set.
Result Bench::findNext(WindowDriver& d) {
    Result r{.name = QStringLiteral("find_next"), .target = {.maxMs = 5}};
    const std::string technician = firstText(*servis_, "SELECT ServisiYapan FROM Servis ORDER BY ID LIMIT 1");
    RawQuery next(*servis_, "SELECT ID FROM Servis WHERE ServisiYapan = ? AND ID > ? ORDER BY ID LIMIT 1");
    RawShow raw(*servis_, *stok_);
    std::vector<std::string> expected;
    sqlite3_int64 from = facts_.firstId;
    r.rawMs = medianOf(repeat_, [&](int) {
        return elapsedMs([&] {
            next.bind(1, technician).bind(2, from);
            require(next.step(), QStringLiteral("find_next: too few matches"));
            from = next.int64(0);
            next.reset();
            expected.push_back(raw.show(from).code);
        });
    });

    d.chooseField(kTechnicianField);
    settle();
    d.pickFromList(0);
    settle();
    require(d.code() == facts_.firstCode,
            QStringLiteral("find_next: the pick did not land on the first record"));
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        const double ms = ours.time([&] {
            d.click(QStringLiteral("CmdSonraki"));
            settle();
        });
        require(dialogs_.shown.isEmpty() && d.code() == text(expected[i]),
                QStringLiteral("find_next: landed on %1, expected %2").arg(d.code(), text(expected[i])));
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// Choosing another field of the list panel: the list then shows that field of every record.
Result Bench::valueList(WindowDriver& d) {
    Result r{.name = QStringLiteral("value_list"), .target = {.maxMs = 50}};
    auto* list = d.child<QListView>(QStringLiteral("DBList1"));
    const int visible = list->viewport()->height() / std::max(1, list->sizeHintForRow(0)) + 1;
    const auto fieldOf = [](int i) { return (kTechnicianField + 1 + i) % int(std::size(kListFields)); };

    RawQuery keys(*servis_, "SELECT ID FROM Servis ORDER BY ID");
    std::vector<std::unique_ptr<RawQuery>> values;
    // On a server the rows shown come in one statement rather than one round trip each.
    const std::string where =
        servis_->sql(" FROM Servis WHERE ID = ?", " FROM Servis WHERE ID = ANY (?::bigint[]) ORDER BY ID");
    for (const char* field : kListFields)
        values.push_back(std::make_unique<RawQuery>(*servis_, "SELECT " + std::string(field) + where));
    std::vector<std::string> firstValues;
    r.rawMs = medianOf(repeat_, [&](int i) {
        if (servis_->onServer())
            return elapsedMs([&] {
                const std::vector<sqlite3_int64> ids = keys.ids();
                std::string shown = "{";
                for (int row = 0; row < visible && row < int(ids.size()); ++row) {
                    if (row)
                        shown += ',';
                    shown += std::to_string(ids[size_t(row)]);
                }
                RawQuery& value = *values[fieldOf(i)];
                value.bind(1, shown + '}');
                require(value.step(), QStringLiteral("value_list: no rows"));
                firstValues.push_back(value.text(0));
                while (value.step())
                    value.text(0);
                value.reset();
            });
        return elapsedMs([&] {
            const std::vector<sqlite3_int64> ids = keys.ids();
            RawQuery& value = *values[fieldOf(i)];
            for (int row = 0; row < visible && row < int(ids.size()); ++row) {
                value.bind(1, ids[row]);
                value.step();
                if (row == 0)
                    firstValues.push_back(value.text(0));
                value.reset();
            }
        });
    });

    PaintCounter counter(list->viewport());
    auto* combo = d.child<QComboBox>(QStringLiteral("Combo1"));
    auto* caption = d.child<QLabel>(QStringLiteral("Label2"));
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        counter.paints = 0;
        const double ms = ours.time([&] {
            d.chooseField(fieldOf(i));
            settle();
        });
        require(counter.paints > 0, QStringLiteral("value_list: the list was not drawn"));
        require(caption->text() == combo->currentText() + QStringLiteral(" Listesi") &&
                    list->model()->rowCount() == facts_.records &&
                    list->model()->index(0, 0).data().toString() == text(firstValues[i]),
                QStringLiteral("value_list: the list of %1 is wrong").arg(combo->currentText()));
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// The first letters of some customers' titles, as a user types them to find the customer.
std::vector<QString> Bench::typedTitles() {
    std::vector<QString> titles;
    RawQuery sample(*servis_, "SELECT Unvan FROM Cari WHERE ID % ? = 1 ORDER BY ID");
    sample.bind(1, std::max<sqlite3_int64>(1, facts_.customers / kTypedTitles));
    while (sample.step() && titles.size() < size_t(kTypedTitles))
        titles.push_back(text(sample.text(0)).left(kTypedLetters));
    sample.reset();
    return titles;
}

// The baseline of a customer look-up: the plain prefix query for each prefix typed, reading the
// customer found.
double Bench::rawPrefixLookups(const std::vector<QString>& titles) {
    RawQuery first(*servis_, servis_->sql("SELECT ID FROM Cari WHERE Unvan LIKE ? || '%' ORDER BY ID LIMIT 1",
                                          "SELECT ID FROM Cari WHERE " + serverFold("Unvan") +
                                              " LIKE ? || '%' ORDER BY ID LIMIT 1"));
    RawQuery customer(*servis_, "SELECT * FROM Cari WHERE ID = ?");
    std::vector<double> raw;
    for (const QString& title : titles) {
        for (qsizetype n = 1; n <= title.size(); ++n) {
            // The server's baseline looks the folded prefix up in the folded index.
            const std::string prefix =
                (servis_->onServer() ? engine::foldText(title.left(n)) : title.left(n)).toStdString();
            raw.push_back(elapsedMs([&] {
                first.bind(1, prefix);
                if (first.step()) {
                    customer.bind(1, first.int64(0));
                    customer.step();
                    customer.readRow();
                    customer.reset();
                }
                first.reset();
            }));
        }
    }
    return median(raw);
}

// One keystroke in the title box of a new record, completing from the first customer whose title
// begins with what is typed: looking up, filling the boxes and painting them. The keystrokes are
// those of a user typing existing customers' titles letter by letter.
Result Bench::typeahead(WindowDriver& d) {
    Result r{.name = QStringLiteral("typeahead"), .target = {.maxMs = 5}};
    const std::vector<QString> titles = typedTitles();
    r.rawMs = rawPrefixLookups(titles);
    QWidget* box = d.child<QWidget>(QStringLiteral("Text1_0"));
    OursClock clock;
    for (const QString& title : titles) {
        d.click(QStringLiteral("cmdAdd"));
        settle();
        box->setFocus();
        for (QChar c : title) {
            clock.time([&] {
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
                settle();
            });
        }
        require(engine::foldText(d.title()).startsWith(engine::foldText(title)),
                QStringLiteral("typeahead: typing '%1' gave '%2'").arg(title, d.title()));
        d.click(QStringLiteral("Evet_Hayir_1"));
        settle();
    }
    r.oursMs = clock.ms();
    r.storeMs = clock.storeMs();
    return r;
}

// The look-up of the same keystrokes alone, through the customer data source as the window does
// it (criterion text, find, reading the customer), against the plain prefix query: the part of a
// keystroke that the engine can be compared on, painting aside.
Result Bench::typeaheadLookup(WindowDriver& d) {
    Result r{.name = QStringLiteral("typeahead_lookup"), .target = {.maxRatio = 2}};
    const std::vector<QString> titles = typedTitles();
    r.rawMs = rawPrefixLookups(titles);
    engine::Recordset& cari = d.window().Data2()->rs();
    OursClock clock;
    for (const QString& title : titles) {
        for (qsizetype n = 1; n <= title.size(); ++n) {
            const QString prefix = title.left(n);
            clock.time([&] {
                cari.findFirst(QStringLiteral("Unvan Like ") +
                               engine::sqlQuote(engine::likeLiteral(prefix) + u'*'));
                for (int f = 0; !cari.noMatch() && f < cari.table().fields.size(); ++f)
                    cari.value(f);
            });
            require(!cari.noMatch(), QStringLiteral("typeahead_lookup: nothing found for '%1'").arg(prefix));
        }
    }
    r.oursMs = clock.ms();
    r.storeMs = clock.storeMs();
    return r;
}

// Confirming a new record with a new customer: the record and the customer row are written.
Result Bench::saveNew(WindowDriver& d) {
    Result r{.name = QStringLiteral("save_new"), .target = {.maxMs = 30}};
    QString last = text(firstText(*servis_, "SELECT ServisKayitNo FROM Servis ORDER BY ID DESC LIMIT 1"));

    RawQuery insert(*servis_,
                    "INSERT INTO Servis (ServisKayitNo, KayitTarih, KayitSaat, TeslimTarihi, TeslimSaati, "
                    "Nerde, SonDurum, Unvan, Adres1, Adres2, Sehir, Telefon, VergiDa, VergiNo, Ilgili, "
                    "Sistem, MarkaModel, SeriNo, ServisiYapan, TeslimAlan, TahilatBilgisi, BasvuruSebebi, "
                    "YapilanIs, Sonuc, Email) VALUES (?, ?, ?, ?, ?, 0, 0, ?, '', '', '', '', '', '', "
                    "'', '', '', '', '', '', '', '', '', '', '')");
    // The customer look-up compares titles without regard to case, through the Cari fold index.
    RawQuery known(*servis_, "SELECT ID FROM Cari WHERE " +
                                 servis_->sql(engine::foldSql(QStringLiteral("Unvan")).toStdString(),
                                              serverFold("Unvan")) +
                                 " = ? LIMIT 1");
    RawQuery addCustomer(*servis_,
                         "INSERT INTO Cari (Unvan, Adres1, Adres2, Sehir, Telefon, VergiDa, VergiNo, Email) "
                         "VALUES (?, '', '', '', '', '', '', '')");
    r.rawMs = medianOf(repeat_, [&](int i) {
        last = recordcode::proposeNext(last);
        const std::string code = last.toStdString();
        const QString title = QStringLiteral("Deneme Müşterisi R%1").arg(i + 1);
        const std::string utf8 = title.toStdString();
        const std::string folded = engine::foldText(title).toStdString();
        const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
        const std::string now = QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
        return elapsedMs([&] {
            insert.bind(1, code).bind(2, today).bind(3, now).bind(4, today).bind(5, now).bind(6, utf8).run();
            known.bind(1, folded);
            const bool exists = known.step();
            known.reset();
            if (!exists)
                addCustomer.bind(1, utf8).run();
        });
    });

    settings::setDataNo(last); // the window's proposals follow the baseline's codes
    takeInOutsideWrites(d);
    QWidget* box = d.child<QWidget>(QStringLiteral("Text1_0"));
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        d.click(QStringLiteral("cmdAdd"));
        settle();
        const QString code = d.code();
        d.type(box, QStringLiteral("Deneme Müşterisi %1").arg(i + 1));
        const QString title = d.title();
        const double ms = ours.time([&] {
            d.click(QStringLiteral("Evet_Hayir_0"));
            settle();
        });
        RawQuery saved(*servis_, "SELECT count(*) FROM Servis WHERE ServisKayitNo = ? AND Unvan = ?");
        saved.bind(1, code.toStdString()).bind(2, title.toStdString()).step();
        require(dialogs_.shown.isEmpty() && d.window().KayitModu == 0 && saved.int64(0) == 1 &&
                    number(*servis_, "SELECT count(*) FROM Cari WHERE Unvan = ?", title.toStdString()) == 1,
                QStringLiteral("save_new: %1 '%2' was not stored with its customer").arg(code, title));
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// Deleting a record from the middle of the set, with its used items, on a scripted "Evet".
Result Bench::deleteRecord(WindowDriver& d) {
    Result r{.name = QStringLiteral("delete_record"), .target = {.maxMs = 30}};
    RawQuery at(*servis_, "SELECT ID, ServisKayitNo FROM Servis ORDER BY ID LIMIT 1 OFFSET ?");
    RawQuery items(*stok_, "DELETE FROM StokHareket WHERE KayitNo = ?");
    RawQuery row(*servis_, "DELETE FROM Servis WHERE ID = ?");
    RawShow show(*servis_, *stok_);
    const auto gone = [&](const std::string& code) {
        return number(*servis_, "SELECT count(*) FROM Servis WHERE ServisKayitNo = ?", code) == 0 &&
               number(*stok_, "SELECT count(*) FROM StokHareket WHERE KayitNo = ?", code) == 0;
    };
    r.rawMs = medianOf(repeat_, [&](int i) {
        at.bind(1, sqlite3_int64(facts_.records / 2 + 2 * repeat_ + i));
        require(at.step(), QStringLiteral("delete_record: too few records"));
        const sqlite3_int64 id = at.int64(0);
        const std::string code = at.text(1);
        at.reset();
        const double ms = elapsedMs([&] {
            items.bind(1, code).run();
            row.bind(1, id).run();
            show.show(facts_.firstId);
        });
        require(gone(code), text("delete_record: raw delete of " + code + " left rows"));
        return ms;
    });

    takeInOutsideWrites(d);
    OursClock ours;
    r.oursMs = medianOf(repeat_, [&](int i) {
        const int before = d.records().recordCount();
        d.records().setAbsolutePosition(before / 2 - i);
        settle();
        const QString code = d.code();
        dialogs_.answers << ui::Answer::Yes;
        const double ms = ours.time([&] {
            d.click(QStringLiteral("cmdDelete"));
            settle();
        });
        require(dialogs_.shown.size() == 1 && dialogs_.shown[0].buttons == ui::Buttons::YesNo,
                QStringLiteral("delete_record: expected exactly the delete question"));
        dialogs_.shown.clear();
        require(gone(code.toStdString()) && d.records().recordCount() == before - 1,
                QStringLiteral("delete_record: %1 was not deleted with its used items").arg(code));
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// F1 over the whole data set, on a fresh copy each time so that every run does the same work.
Result Bench::statusReset() {
    Result r{.name = QStringLiteral("status_reset"), .target = {.maxMs = 10000}};
    const int runs = std::min(repeat_, kStatusResetRuns);
    const engine::Dialect dialect = server_ ? engine::Dialect::Postgres : engine::Dialect::Sqlite;
    const QString fold = engine::foldSql(QStringLiteral("Unvan"), dialect);
    const auto qualified = [&](const QString& table) {
        if (server_)
            return engine::foldExpressionSql(table + QStringLiteral(".unvan"), dialect).toStdString();
        return QString(fold)
            .replace(QStringLiteral("\"Unvan\""), table + QStringLiteral(".\"Unvan\""))
            .toStdString();
    };
    const std::string update = std::string("UPDATE Servis SET SonDurum = 0 WHERE SonDurum ") +
                               (server_ ? "IS DISTINCT FROM" : "IS NOT") + " 0";
    const std::string customers =
        "INSERT INTO Cari (Unvan, Adres1, Adres2, Sehir, Telefon, VergiDa, VergiNo, Email) "
        "SELECT Unvan, Adres1, Adres2, Sehir, Telefon, VergiDa, VergiNo, Email FROM Servis WHERE ID IN "
        "(SELECT min(ID) FROM Servis GROUP BY " +
        fold.toStdString() + ") AND NOT EXISTS (SELECT 1 FROM Cari c WHERE " +
        qualified(QStringLiteral("c")) + " = " + qualified(QStringLiteral("Servis")) + ") ORDER BY ID";
    const auto outcome = [&](const Place& place) {
        const std::unique_ptr<RawDb> db = rawOpen(place, schema::kServisFile);
        return std::pair{number(*db, "SELECT count(*) FROM Servis WHERE SonDurum <> 0"),
                         number(*db, "SELECT count(*) FROM Cari")};
    };

    sqlite3_int64 customersAfter = 0;
    r.rawMs = medianOf(runs, [&](int) {
        const Place place = freshPlace();
        double ms = 0;
        {
            const std::unique_ptr<RawDb> db = rawOpen(place, schema::kServisFile);
            RawQuery reset(*db, update);
            RawQuery add(*db, customers);
            ms = elapsedMs([&] {
                db->exec(server_ ? "BEGIN" : "BEGIN IMMEDIATE");
                reset.run();
                add.run();
                db->exec("COMMIT");
            });
        }
        const auto [waiting, count] = outcome(place);
        require(waiting == 0, QStringLiteral("status_reset: the baseline left records unreset"));
        customersAfter = count;
        dropPlace(place);
        return ms;
    });
    OursClock ours;
    r.oursMs = medianOf(runs, [&](int) {
        const Place place = freshPlace();
        usePlace(place);
        double ms = 0;
        {
            WindowDriver d;
            ms = ours.time([&] {
                QTest::keyClick(&d.window(), Qt::Key_F1);
                settle();
            });
            require(dialogs_.shown.isEmpty(),
                    QStringLiteral("status_reset: %1").arg(dialogs_.texts().join(' ')));
        }
        const auto [waiting, count] = outcome(place);
        require(waiting == 0 && count == customersAfter,
                QStringLiteral("status_reset: %1 records unreset, %2 customers (%3 expected)")
                    .arg(waiting)
                    .arg(count)
                    .arg(customersAfter));
        dropPlace(place);
        return ms;
    });
    r.storeMs = ours.storeMs();
    return r;
}

// On a server every click and keystroke waits for its round trips: each is held to a frame
// (16 ms) and to twice the same work on libpq alone; start-up, the value list and F1 to twice
// libpq. Printing reads nothing while it draws and keeps its targets.
void Bench::serverTargets(Report& report) const {
    static const QStringList wholeWork{QStringLiteral("startup"), QStringLiteral("value_list"),
                                       QStringLiteral("status_reset"),
                                       QStringLiteral("stock_delete_card_heaviest")};
    for (Result& r : report.results) {
        if (r.name.startsWith(QStringLiteral("print_")))
            continue;
        r.target = wholeWork.contains(r.name) ? Target{.maxRatio = 2} : Target{.maxMs = 16, .maxRatio = 2};
    }
}
