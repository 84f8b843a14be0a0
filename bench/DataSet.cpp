#include "DataSet.h"

#include "Rng.h"
#include "Schema.h"
#include "Words.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_set>
#include <variant>

namespace dataset {

namespace {

// Bumped whenever the generator's output changes, so that older caches are made again.
constexpr int kVersion = 2;
const QString kManifest = QStringLiteral("dataset.txt");

using Value = std::variant<std::string_view, sqlite3_int64>;

// Fills one database file inside one transaction through prepared statements. Durability does
// not matter while a file is made from nothing (it is renamed into place only when complete), so
// the journal and disk synchronisation are off.
class Writer {
public:
    explicit Writer(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            fail("open");
        exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -262144; BEGIN");
    }
    ~Writer() {
        for (sqlite3_stmt* s : statements_)
            sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK)
            fail(sql);
        statements_.push_back(s);
        return s;
    }

    void insert(sqlite3_stmt* s, std::initializer_list<Value> values) {
        int i = 1;
        for (const Value& v : values) {
            if (const auto* text = std::get_if<std::string_view>(&v))
                sqlite3_bind_text(s, i++, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
            else
                sqlite3_bind_int64(s, i++, std::get<sqlite3_int64>(v));
        }
        if (sqlite3_step(s) != SQLITE_DONE)
            fail("insert");
        sqlite3_reset(s);
    }

    void commit() { exec("COMMIT"); }

private:
    void exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql);
    }
    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string("data set: ") + what + ": " + sqlite3_errmsg(db_));
    }

    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};

struct Card {
    std::string code;
    words::Part part;
    std::string barcode;
    std::string serial;
};

class Generator {
public:
    Generator(const QString& folder, const Size& size, uint64_t seed)
        : size_(size)
        , rng_(seed)
        , servis_(QDir(folder).filePath(schema::kServisFile))
        , stok_(QDir(folder).filePath(schema::kStokFile)) {}

    void run() {
        writeStock();
        writeCustomers();
        makeWalkins();
        writeRecords();
        stok_.commit();
        servis_.commit();
    }

private:
    void writeStock() {
        sqlite3_stmt* gurup = stok_.prepare("INSERT INTO Gurup (Gurup) VALUES (?)");
        sqlite3_stmt* alt = stok_.prepare("INSERT INTO AltGurup (Gurup, AltGurup) VALUES (?, ?)");
        for (const words::Group& g : words::groups()) {
            stok_.insert(gurup, {g.name});
            for (const char* sub : g.subgroups)
                stok_.insert(alt, {g.name, sub});
        }
        sqlite3_stmt* card = stok_.prepare("INSERT INTO StokKartlar (StokKod, StokAd, Barkod, Serino, Gurup, "
                                           "AltGurup) VALUES (?, ?, ?, ?, ?, ?)");
        cards_.reserve(size_.cards);
        for (int i = 0; i < size_.cards; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "STK-%06d", i + 1);
            Card c{code, words::part(rng_), words::barcode(rng_), "SN" + words::digits(rng_, 10)};
            stok_.insert(card, {c.code, c.part.name, c.barcode, c.serial, c.part.group, c.part.subgroup});
            cards_.push_back(std::move(c));
        }
    }

    // A title no customer or earlier walk-in carries yet, in any letter case. The word pools run
    // out of plain combinations long before fifty thousand customers: later titles get a branch or
    // a middle name, as real ones do, and at last a number.
    std::string freshTitle(bool company) {
        for (int attempt = 0;; ++attempt) {
            std::string title = company ? words::companyTitle(rng_) : words::personName(rng_);
            if (attempt >= 4)
                title = company ? title + " " + words::branch(rng_) + " Şubesi"
                                : words::firstName(rng_) + " " + title;
            if (attempt >= 8) {
                title += ' ';
                title += std::to_string(attempt);
            }
            if (taken_.insert(words::upperTr(title)).second)
                return title;
        }
    }

    void writeCustomers() {
        sqlite3_stmt* cari =
            servis_.prepare("INSERT INTO Cari (Unvan, Adres1, Adres2, Sehir, Telefon, VergiDa, "
                            "VergiNo, Email) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        customers_.reserve(size_.customers);
        for (int i = 0; i < size_.customers; ++i) {
            const bool company = rng_.percent(60);
            std::string title = freshTitle(company);
            if (rng_.percent(15))
                title = words::upperTr(title);
            words::Customer c = words::customer(rng_, title, company);
            servis_.insert(cari,
                           {c.title, c.address1, c.address2, c.city, c.phone, c.taxOffice, c.taxNo, c.email});
            customers_.push_back(std::move(c));
        }
    }

    // Customers who came without being entered in the customer table; some come back.
    void makeWalkins() {
        const int count = std::max(1, size_.records / 50);
        walkins_.reserve(count);
        for (int i = 0; i < count; ++i)
            walkins_.push_back(words::customer(rng_, freshTitle(false), false));
    }

    // Used items per record: none to five, two on average, exactly 2 x records in all. The first
    // record has some, so that start-up shows a filled grid.
    std::vector<int> itemCounts() {
        static constexpr int kWeights[] = {15, 25, 25, 20, 10, 5};
        std::vector<int> counts(size_.records);
        long long total = 0;
        for (int& c : counts) {
            int w = rng_.below(100);
            c = 0;
            while (w >= kWeights[c])
                w -= kWeights[c++];
            total += c;
        }
        total += counts[0] == 0;
        counts[0] = std::max(counts[0], 1);
        for (; total < size_.usedItems; ++total)
            ++counts[rng_.below(size_.records)];
        while (total > size_.usedItems) {
            const int i = rng_.below(size_.records);
            if (counts[i] > (i == 0 ? 1 : 0)) {
                --counts[i];
                --total;
            }
        }
        return counts;
    }

    static std::string clock(int seconds) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
        return text;
    }

    void writeRecords() {
        sqlite3_stmt* servis = servis_.prepare(
            "INSERT INTO Servis (ServisKayitNo, KayitTarih, KayitSaat, TeslimTarihi, TeslimSaati, Nerde, "
            "SonDurum, "
            "Unvan, Adres1, Adres2, Sehir, Telefon, VergiDa, VergiNo, Ilgili, Sistem, MarkaModel, SeriNo, "
            "ServisiYapan, TeslimAlan, TahilatBilgisi, BasvuruSebebi, YapilanIs, Sonuc, Email) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        sqlite3_stmt* item =
            stok_.prepare("INSERT INTO StokHareket (StokHarKod, Tarih, SeriNo, StokAd, Unvan, "
                          "Barkod, KayitNo) VALUES (?, ?, ?, ?, ?, ?, ?)");
        const std::vector<int> counts = itemCounts();
        const QDate first(2006, 1, 2);
        constexpr long long kDays = 20 * 365 + 5;
        for (int i = 0; i < size_.records; ++i) {
            const QDate day = first.addDays(i * kDays / size_.records);
            const std::string date = day.toString(Qt::ISODate).toStdString();
            const std::string delivered =
                day.addDays(rng_.between(0, 14)).toString(Qt::ISODate).toStdString();
            char code[16];
            std::snprintf(code, sizeof code, "%02d-%04d-%02d", 1 + i / 9999, 1 + i % 9999, day.year() % 100);

            const bool walkin = rng_.percent(8);
            const words::Customer& c = walkin ? walkins_[rng_.skewed(int(walkins_.size()))]
                                              : customers_[rng_.skewed(size_.customers)];
            const std::string title = !walkin && rng_.percent(4) ? words::otherCase(c.title) : c.title;
            const words::Job job = words::job(rng_);
            // Recent records are mostly still waiting; older ones are mostly done.
            const bool recent = i >= size_.records - size_.records / 100;
            const int status = recent && rng_.percent(60) ? 0 : (rng_.percent(88) ? 1 : rng_.between(0, 2));
            const std::string contact = walkin ? std::string() : words::personName(rng_);
            const std::string received = rng_.percent(70) ? words::staff(rng_) : c.title;
            servis_.insert(servis, {code,
                                    date,
                                    clock(rng_.between(8 * 3600 + 1800, 18 * 3600 + 1800)),
                                    delivered,
                                    clock(rng_.between(9 * 3600, 19 * 3600)),
                                    sqlite3_int64(rng_.percent(85)),
                                    sqlite3_int64(status),
                                    title,
                                    c.address1,
                                    c.address2,
                                    c.city,
                                    c.phone,
                                    c.taxOffice,
                                    c.taxNo,
                                    contact,
                                    job.system,
                                    job.model,
                                    job.serial,
                                    words::technician(rng_),
                                    received,
                                    words::payment(rng_),
                                    job.complaint,
                                    job.work,
                                    job.result,
                                    c.email});
            for (int n = 0; n < counts[i]; ++n) {
                const Card& card = cards_[rng_.skewed(size_.cards)];
                stok_.insert(item, {card.code, date, card.serial, card.part.name, title, card.barcode, code});
            }
        }
    }

    Size size_;
    Rng rng_;
    Writer servis_;
    Writer stok_;
    std::vector<Card> cards_;
    std::vector<words::Customer> customers_;
    std::vector<words::Customer> walkins_;
    std::unordered_set<std::string> taken_;
};

QString manifest(const Size& size, uint64_t seed) {
    return QStringLiteral("version %1\nseed %2\nrecords %3\ncustomers %4\ncards %5\nused items %6\n")
        .arg(kVersion)
        .arg(seed)
        .arg(size.records)
        .arg(size.customers)
        .arg(size.cards)
        .arg(size.usedItems);
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Generation runs in a child process, so that the memory it takes does not count in the peak
// resident size the benchmark reports afterwards.
void generateApart(const QString& folder, const Size& size) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("data set: cannot start the generator process");
    if (pid == 0) {
        int rc = 0;
        try {
            generate(folder, size);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            rc = 1;
        }
        std::fflush(nullptr);
        _exit(rc);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("data set: generation failed");
}

} // namespace

Size Size::forRecords(int records) {
    return {records, std::max(1, records / 5), std::max(1, records * 2 / 25), records * 2};
}

QString cacheFolder(int records) {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return QStringLiteral("%1/KelvoraTeknikServis/bench-%2").arg(base).arg(records);
}

void generate(const QString& folder, const Size& size, uint64_t seed) {
    if (schema::createMissingDatabases(folder).size() != 2)
        throw std::runtime_error("data set: " + folder.toStdString() + " already holds database files");
    Generator(folder, size, seed).run();
    QFile file(QDir(folder).filePath(kManifest));
    if (!file.open(QIODevice::WriteOnly) || file.write(manifest(size, seed).toUtf8()) < 0)
        throw std::runtime_error("data set: cannot write " + file.fileName().toStdString());
}

Cached ensure(int records) {
    const Size size = Size::forRecords(records);
    Cached out{cacheFolder(records)};
    const QDir dir(out.folder);
    if (readText(dir.filePath(kManifest)) != manifest(size, kSeed)) {
        // Made beside its place and renamed when complete: an interrupted run leaves no data set
        // that looks usable.
        const QString partial = out.folder + QStringLiteral(".partial");
        QDir(partial).removeRecursively();
        QDir(out.folder).removeRecursively();
        QElapsedTimer timer;
        timer.start();
        generateApart(partial, size);
        if (!QDir().rename(partial, out.folder))
            throw std::runtime_error("data set: cannot move the data set to " + out.folder.toStdString());
        out.generatedSeconds = timer.nsecsElapsed() / 1e9;
    }
    out.bytes = QFileInfo(dir.filePath(schema::kServisFile)).size() +
                QFileInfo(dir.filePath(schema::kStokFile)).size();
    return out;
}

} // namespace dataset
