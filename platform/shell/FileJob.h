#pragma once

#include <QObject>
#include <QStringList>

namespace shell {

class Asker;

// Copies, moves, deletes or renames a list of files on the calling thread, asking its questions
// through an asker and reporting its progress by signal; a listener may cancel it. The flag word
// and the lists have the meaning of the shell's file operation.
class FileJob : public QObject {
    Q_OBJECT

public:
    FileJob(qint32 function, QStringList sources, QStringList destinations, quint16 flags, Asker& asker);

    // Runs to the end. False when something failed (the asker was told what); a file the user
    // skipped or a cancel is no failure but sets aborted().
    bool run();
    bool aborted() const { return aborted_; }
    void cancel() { cancelled_ = true; }

Q_SIGNALS:
    // Bytes for copies and moves across file systems, items for the rest.
    void progress(const QString& file, qint64 done, qint64 total);

private:
    struct Item {
        QString source;
        QString target;
    };
    enum class Step { Go, Skip, Stop };

    bool collect(QList<Item>& items);
    bool targetsFor(const QStringList& sources, QList<Item>& items);
    QStringList expand(const QString& source) const;
    Step resolveCollision(Item& item);
    bool ensureFolder(const QString& folder);
    template <typename Work> auto whileReporting(const QString& file, Work&& work);
    bool copyFile(const Item& item);
    bool copyTree(const Item& item);
    bool moveItem(const Item& item);
    bool deleteItems(const QStringList& sources);
    bool fail(const QString& text);
    void report(const QString& file, qint64 done);

    qint32 function_;
    QStringList sources_;
    QStringList destinations_;
    quint16 flags_;
    Asker& asker_;
    bool failed_ = false;
    bool aborted_ = false;
    bool cancelled_ = false;
    bool replaceAll_ = false;
    qint64 total_ = 0;
    qint64 done_ = 0;
};

} // namespace shell
