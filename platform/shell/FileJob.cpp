#include "FileJob.h"

#include "Asker.h"
#include "FileLayer.h"
#include "FileOpRecord.h"
#include "files/SystemError.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <future>

namespace shell {

namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr std::chrono::milliseconds kProgressPoll(20);

bool isWildcard(const QString& name) {
    return name.contains(u'*') || name.contains(u'?');
}

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath();
}

// "Servis.mdb" becomes "Servis (2).mdb", then "(3)" and so on, whichever is free first.
QString freeName(const QString& path) {
    const QFileInfo info(path);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 2;; ++n) {
        const QString candidate =
            info.dir().filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

qint64 sizeOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir())
        return info.size();
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

} // namespace

FileJob::FileJob(qint32 function, QStringList sources, QStringList destinations, quint16 flags, Asker& asker)
    : function_(function)
    , sources_(std::move(sources))
    , destinations_(std::move(destinations))
    , flags_(flags)
    , asker_(asker) {}

bool FileJob::fail(const QString& text) {
    failed_ = true;
    asker_.failed(text);
    return false;
}

void FileJob::report(const QString& file, qint64 done) {
    Q_EMIT progress(file, done, total_);
}

QStringList FileJob::expand(const QString& source) const {
    const QFileInfo info(source);
    if (!isWildcard(info.fileName()))
        return {source};
    QDir::Filters filters = QDir::Files | QDir::Hidden;
    if (!(flags_ & FOF_FILESONLY))
        filters |= QDir::Dirs | QDir::NoDotAndDotDot;
    QStringList out;
    for (const QString& name : info.dir().entryList({info.fileName()}, filters, QDir::Name))
        out << info.dir().filePath(name);
    return out;
}

bool FileJob::ensureFolder(const QString& folder) {
    if (QFileInfo(folder).isDir())
        return true;
    if (!(flags_ & (FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION)) && !asker_.makeFolder(folder)) {
        aborted_ = true;
        return false;
    }
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("\"%1\" klasörü oluşturulamadı.").arg(QDir::toNativeSeparators(folder)));
    return true;
}

bool FileJob::targetsFor(const QStringList& sources, QList<Item>& items) {
    if (destinations_.isEmpty())
        return fail(QStringLiteral("Hedef belirtilmedi."));
    if (flags_ & FOF_MULTIDESTFILES) {
        if (destinations_.size() < sources.size())
            return fail(QStringLiteral("Her kaynak dosyanın bir hedefi olmalı."));
        for (int i = 0; i < sources.size(); ++i) {
            QString target = destinations_[i];
            if (QFileInfo(target).isDir())
                target = QDir(target).filePath(QFileInfo(sources[i]).fileName());
            else if (function_ == FO_RENAME && !target.contains(u'/'))
                target = QFileInfo(sources[i]).dir().filePath(target);
            items << Item{sources[i], target};
        }
        return true;
    }
    const QString dest = destinations_.front();
    // One source onto a name that is not a folder: that name is the target.
    if (sources.size() == 1 && !QFileInfo(dest).isDir() && !dest.endsWith(u'/')) {
        const QString target = function_ == FO_RENAME && !dest.contains(u'/')
                                   ? QFileInfo(sources.front()).dir().filePath(dest)
                                   : dest;
        items << Item{sources.front(), target};
        return true;
    }
    for (const QString& s : sources)
        items << Item{s, QDir(dest).filePath(QFileInfo(s).fileName())};
    return true;
}

bool FileJob::collect(QList<Item>& items) {
    QStringList sources;
    for (const QString& s : std::as_const(sources_)) {
        const QStringList found = expand(s);
        if (found.isEmpty() || (found.size() == 1 && !QFileInfo::exists(found.front())))
            return fail(QStringLiteral("\"%1\" bulunamadı.").arg(QDir::toNativeSeparators(s)));
        sources << found;
    }
    if (function_ == FO_DELETE) {
        for (const QString& s : std::as_const(sources))
            items << Item{s, {}};
        return true;
    }
    return targetsFor(sources, items);
}

FileJob::Step FileJob::resolveCollision(Item& item) {
    if (!QFileInfo::exists(item.target))
        return Step::Go;
    if (sameFile(item.source, item.target)) {
        if (flags_ & FOF_RENAMEONCOLLISION) {
            item.target = freeName(item.target);
            return Step::Go;
        }
        fail(QStringLiteral("\"%1\" kendi üzerine kopyalanamaz.").arg(QDir::toNativeSeparators(item.source)));
        return Step::Stop;
    }
    if (flags_ & FOF_RENAMEONCOLLISION) {
        item.target = freeName(item.target);
        return Step::Go;
    }
    if (replaceAll_ || (flags_ & FOF_NOCONFIRMATION))
        return Step::Go;
    switch (asker_.replaceFile(item.target)) {
    case Reply::YesToAll:
        replaceAll_ = true;
        return Step::Go;
    case Reply::Yes:
        return Step::Go;
    case Reply::No:
        aborted_ = true;
        return Step::Skip;
    case Reply::Cancel:
        break;
    }
    aborted_ = true;
    cancelled_ = true;
    return Step::Stop;
}

// Waits for `work`, run on a thread of its own, telling the listener meanwhile, so that a read
// or write that waits for a busy disk never keeps the progress window from answering.
template <typename Work> auto FileJob::whileReporting(const QString& file, Work&& work) {
    auto running = std::async(std::launch::async, std::forward<Work>(work));
    while (running.wait_for(kProgressPoll) != std::future_status::ready)
        report(file, done_);
    return running.get();
}

bool FileJob::copyFile(const Item& item) {
    QFile in(item.source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("\"%1\" okunamadı.\n\n%2")
                .arg(QDir::toNativeSeparators(item.source), platform::turkishSystemError(in.errorString())));
    QString why;
    std::unique_ptr<TargetFile> out = fileLayer().create(item.target, &why);
    if (!out)
        return fail(QStringLiteral("\"%1\" yazılamadı.\n\n%2")
                        .arg(QDir::toNativeSeparators(item.target), platform::turkishSystemError(why)));
    const QString name = QFileInfo(item.source).fileName();
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        bool written = true;
        const qint64 n = whileReporting(name, [&] {
            const qint64 read = in.read(buffer.data(), kChunk);
            written = read <= 0 || out->write(buffer.constData(), read);
            return read;
        });
        if (n < 0)
            return fail(QStringLiteral("\"%1\" okunamadı.\n\n%2")
                            .arg(QDir::toNativeSeparators(item.source),
                                 platform::turkishSystemError(in.errorString())));
        if (!written)
            return fail(QStringLiteral("\"%1\" yazılamadı.\n\n%2")
                            .arg(QDir::toNativeSeparators(item.target),
                                 platform::turkishSystemError(out->errorString())));
        if (n == 0)
            break;
        done_ += n;
        report(name, done_);
        if (cancelled_) {
            aborted_ = true;
            return true; // the unfinished copy is dropped with `out`
        }
    }
    // A "Vazgeç" while the disk catches up stops the files after this one.
    if (!whileReporting(name, [&] { return out->commit(); }))
        return fail(QStringLiteral("\"%1\" yazılamadı.\n\n%2")
                        .arg(QDir::toNativeSeparators(item.target),
                             platform::turkishSystemError(out->errorString())));
    return true;
}

bool FileJob::copyTree(const Item& item) {
    if (!QFileInfo(item.source).isDir())
        return copyFile(item);
    if (!QDir().mkpath(item.target))
        return fail(
            QStringLiteral("\"%1\" klasörü oluşturulamadı.").arg(QDir::toNativeSeparators(item.target)));
    const QDir from(item.source);
    const QStringList names = from.entryList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& n : names) {
        if (!copyTree({from.filePath(n), QDir(item.target).filePath(n)}))
            return false;
        if (cancelled_)
            return true;
    }
    return true;
}

bool FileJob::moveItem(const Item& item) {
    const QByteArray from = QFile::encodeName(item.source);
    const QByteArray to = QFile::encodeName(item.target);
    // rename() replaces the target in one step; only across file systems is a copy needed.
    if (std::rename(from.constData(), to.constData()) == 0) {
        done_ += function_ == FO_RENAME ? 1 : sizeOf(item.target);
        report(QFileInfo(item.source).fileName(), done_);
        return true;
    }
    if (const int error = errno; error != EXDEV)
        return fail(QStringLiteral("\"%1\" taşınamadı.\n\n%2")
                        .arg(QDir::toNativeSeparators(item.source), platform::turkishSystemError(error)));
    if (!copyTree(item) || cancelled_)
        return !failed_;
    const bool removed =
        QFileInfo(item.source).isDir() ? QDir(item.source).removeRecursively() : QFile::remove(item.source);
    if (!removed)
        return fail(QStringLiteral("\"%1\" silinemedi.").arg(QDir::toNativeSeparators(item.source)));
    return true;
}

bool FileJob::deleteItems(const QStringList& sources) {
    const bool toTrash = flags_ & FOF_ALLOWUNDO;
    if (!(flags_ & FOF_NOCONFIRMATION) && !asker_.deleteFiles(QFileInfo(sources.front()).fileName(),
                                                              static_cast<int>(sources.size()), toTrash)) {
        aborted_ = true;
        return true;
    }
    for (const QString& s : sources) {
        const bool ok = toTrash ? QFile::moveToTrash(s)
                                : (QFileInfo(s).isDir() ? QDir(s).removeRecursively() : QFile::remove(s));
        if (!ok)
            return fail(
                toTrash ? QStringLiteral("\"%1\" Çöp Kutusu'na taşınamadı.").arg(QDir::toNativeSeparators(s))
                        : QStringLiteral("\"%1\" silinemedi.").arg(QDir::toNativeSeparators(s)));
        report(QFileInfo(s).fileName(), ++done_);
        if (cancelled_) {
            aborted_ = true;
            return true;
        }
    }
    return true;
}

bool FileJob::run() {
    QList<Item> items;
    if (!collect(items))
        return !failed_;
    if (function_ == FO_DELETE) {
        QStringList sources;
        total_ = items.size();
        for (const Item& i : std::as_const(items))
            sources << i.source;
        return deleteItems(sources);
    }
    const bool bytes = function_ == FO_COPY || function_ == FO_MOVE;
    for (const Item& i : std::as_const(items))
        total_ += bytes ? sizeOf(i.source) : 1;
    for (Item item : items) {
        if (!ensureFolder(QFileInfo(item.target).absolutePath()))
            return !failed_;
        switch (resolveCollision(item)) {
        case Step::Stop:
            return !failed_;
        case Step::Skip:
            continue;
        case Step::Go:
            break;
        }
        const bool ok = function_ == FO_COPY ? copyTree(item) : moveItem(item);
        if (!ok)
            return false;
        if (cancelled_) {
            aborted_ = true;
            return true;
        }
    }
    return true;
}

} // namespace shell
