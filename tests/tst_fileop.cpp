#include "CSHFileOp.h"
#include "FailingFileLayer.h"
#include "FileOpError.h"
#include "ScriptedDialogs.h"
#include "shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cstring>

namespace {

// Takes the shell's place and keeps what it was handed.
class RecordingShell : public shell::Shell {
public:
    struct Call {
        qint32 function;
        quint16 flags;
        QByteArray from, to, title;
    };
    RecordingShell() { shell::setShell(this); }
    ~RecordingShell() override { shell::setShell(nullptr); }

    int fileOperation(shell::FileOpRecord& r) override {
        calls << Call{r.wFunc, r.fFlags, list(r.pFrom), list(r.pTo),
                      QByteArray(r.lpszProgressTitle, qsizetype(std::strlen(r.lpszProgressTitle)) + 1)};
        r.fAnyOperationsAborted = aborted;
        return result;
    }
    // The buffer up to and with its closing zeros: one zero for an empty list.
    static QByteArray list(const char* p) {
        if (!*p)
            return QByteArray(1, '\0');
        qsizetype n = 0;
        while (p[n] || p[n + 1])
            ++n;
        return QByteArray(p, n + 2);
    }

    QList<Call> calls;
    int result = 0;
    int aborted = 0;
};

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<yok>");
}

// Writes through the real file layer as a slow disk would, each write taking its time.
class SlowFileLayer : public shell::FileLayer {
public:
    SlowFileLayer()
        : real_(shell::fileLayer()) {
        shell::setFileLayer(this);
    }
    ~SlowFileLayer() override { shell::setFileLayer(nullptr); }

    std::unique_ptr<shell::TargetFile> create(const QString& path, QString* error) override {
        auto inner = real_.create(path, error);
        return inner ? std::make_unique<Target>(std::move(inner)) : nullptr;
    }

private:
    class Target : public shell::TargetFile {
    public:
        explicit Target(std::unique_ptr<shell::TargetFile> inner)
            : inner_(std::move(inner)) {}
        bool write(const char* data, qint64 size) override {
            QThread::msleep(300);
            return inner_->write(data, size);
        }
        bool commit() override { return inner_->commit(); }
        QString errorString() const override { return inner_->errorString(); }

    private:
        std::unique_ptr<shell::TargetFile> inner_;
    };
    shell::FileLayer& real_;
};

} // namespace

class TestFileOp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flagWordFollowsTheSwitches_data() {
        QTest::addColumn<bool>("undo");
        QTest::addColumn<bool>("confirmMakeDir");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("folders");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("destinations");
        QTest::addColumn<int>("flags");
        QTest::newRow("defaults") << false << true << true << true << false << false << QString() << 1 << 0;
        QTest::newRow("no confirmations, files only, undo")
            << true << false << false << false << false << false << QString() << 1 << 0x02D0;
        QTest::newRow("silent") << false << true << true << true << false << true << QString() << 1 << 0x0004;
        QTest::newRow("rename on collision")
            << false << true << true << true << true << false << QString() << 1 << 0x0008;
        QTest::newRow("custom text") << false << true << true << true << false << false << "Yedekleniyor" << 1
                                     << 0x0100;
        QTest::newRow("two destinations")
            << false << true << true << true << false << false << QString() << 2 << 0x0001;
        QTest::newRow("no destination")
            << false << true << true << true << false << false << QString() << 0 << 0;
    }
    void flagWordFollowsTheSwitches() {
        QFETCH(bool, undo);
        QFETCH(bool, confirmMakeDir);
        QFETCH(bool, confirm);
        QFETCH(bool, folders);
        QFETCH(bool, rename);
        QFETCH(bool, silent);
        QFETCH(QString, text);
        QFETCH(int, destinations);
        QFETCH(int, flags);
        RecordingShell shell;
        CSHFileOp op;
        op.setAllowUndo(undo);
        op.setConfirmMakeDir(confirmMakeDir);
        op.setConfirmOperation(confirm);
        op.setIncludeDirectories(folders);
        op.setRenameOnCollision(rename);
        op.setSilentMode(silent);
        op.setCustomText(text);
        op.AddSourceFile("/a/Servis.mdb");
        op.AddSourceFile("/a/Stok.mdb");
        for (int i = 0; i < destinations; ++i)
            op.AddDestFile(QStringLiteral("/yedek/%1").arg(i));
        QVERIFY(op.CopyFiles());
        QCOMPARE(shell.calls.size(), 1);
        QCOMPARE(shell.calls[0].function, shell::FO_COPY);
        QCOMPARE(int(shell.calls[0].flags), flags);
        QCOMPARE(shell.calls[0].title, text.toUtf8() + QByteArray(1, '\0'));
        if (destinations == 0)
            QCOMPARE(shell.calls[0].to, QByteArray(1, '\0'));
    }

    void listsArePackedExactlyAndKeptAcrossOperations() {
        RecordingShell shell;
        CSHFileOp op;
        op.AddSourceFile("/a/Servis.mdb");
        op.AddSourceFile(QStringLiteral("/a/Çay.mdb"));
        op.AddDestFile("/yedek");
        QVERIFY(op.CopyFiles());
        QVERIFY(op.MoveFiles()); // nothing cleared: the same lists again
        QVERIFY(op.DeleteFiles());
        QVERIFY(op.RenameFiles());
        const QByteArray from("/a/Servis.mdb\0/a/\xC3\x87"
                              "ay.mdb\0\0",
                              27);
        QCOMPARE(shell.calls.size(), 4);
        const qint32 codes[] = {shell::FO_COPY, shell::FO_MOVE, shell::FO_DELETE, shell::FO_RENAME};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(shell.calls[i].function, codes[i]);
            QCOMPARE(shell.calls[i].from, from);
            QCOMPARE(shell.calls[i].to, QByteArray("/yedek\0\0", 8));
            QCOMPARE(int(shell.calls[i].flags), 0);
        }
        op.setCustomText("Kopya");
        op.CopyFiles();
        QCOMPARE(int(shell.calls.last().flags), 0x0100);
        op.setCustomText(QString());
        op.CopyFiles();
        QCOMPARE(int(shell.calls.last().flags), 0);
        QCOMPARE(shell.calls.last().title, QByteArray(1, '\0'));
    }

    void noSourcesNeverReachTheShell() {
        RecordingShell shell;
        CSHFileOp op;
        op.AddDestFile("/yedek");
        try {
            op.CopyFiles();
            QFAIL("no error raised");
        } catch (const FileOpError& e) {
            QCOMPARE(e.number(), -2147220504);
            QCOMPARE(e.description(), QStringLiteral("No source files specified file operation"));
        }
        QVERIFY(shell.calls.isEmpty());
    }

    void resultNeedsSuccessAndNothingAborted_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("aborted");
        QTest::addColumn<bool>("expected");
        QTest::newRow("done") << 0 << 0 << true;
        QTest::newRow("cancelled in a question") << 0 << 1 << false;
        QTest::newRow("failed") << 1 << 0 << false;
    }
    void resultNeedsSuccessAndNothingAborted() {
        QFETCH(int, result);
        QFETCH(int, aborted);
        QFETCH(bool, expected);
        RecordingShell shell;
        shell.result = result;
        shell.aborted = aborted;
        CSHFileOp op;
        op.AddSourceFile("/a/x");
        op.AddDestFile("/b");
        QCOMPARE(op.CopyFiles(), expected);
        QCOMPARE(op.AnyOperationsAborted(), aborted != 0);
    }

    // Through the real shell: two files onto a folder that holds both already.
    void replaceQuestionsAreAnswered_data() {
        QTest::addColumn<QList<ui::Answer>>("answers");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QByteArrayList>("after"); // a.txt, b.txt, a (2).txt
        QTest::addColumn<bool>("result");
        using A = ui::Answer;
        QTest::newRow("yes, no") << QList<A>{A::Yes, A::No} << true << false << 2
                                 << QByteArrayList{"yeni a", "eski b", "<yok>"} << false;
        QTest::newRow("yes to all") << QList<A>{A::YesToAll} << true << false << 1
                                    << QByteArrayList{"yeni a", "yeni b", "<yok>"} << true;
        QTest::newRow("cancel") << QList<A>{A::Cancel} << true << false << 1
                                << QByteArrayList{"eski a", "eski b", "<yok>"} << false;
        QTest::newRow("no confirmation")
            << QList<A>{} << false << false << 0 << QByteArrayList{"yeni a", "yeni b", "<yok>"} << true;
        QTest::newRow("rename on collision")
            << QList<A>{} << true << true << 0 << QByteArrayList{"eski a", "eski b", "yeni a"} << true;
    }
    void replaceQuestionsAreAnswered() {
        QFETCH(QList<ui::Answer>, answers);
        QFETCH(bool, confirm);
        QFETCH(bool, rename);
        QFETCH(int, questions);
        QFETCH(QByteArrayList, after);
        QFETCH(bool, result);
        QTemporaryDir dir;
        const QDir from(dir.filePath("kaynak")), to(dir.filePath("hedef"));
        QDir().mkpath(from.path());
        QDir().mkpath(to.path());
        for (const char* n : {"a", "b"}) {
            write(from.filePath(QStringLiteral("%1.txt").arg(n)), QByteArray("yeni ") + n);
            write(to.filePath(QStringLiteral("%1.txt").arg(n)), QByteArray("eski ") + n);
        }
        ScriptedDialogs dialogs;
        dialogs.answers = answers;
        CSHFileOp op;
        op.setConfirmOperation(confirm);
        op.setRenameOnCollision(rename);
        op.AddSourceFile(from.filePath("a.txt"));
        op.AddSourceFile(from.filePath("b.txt"));
        op.AddDestFile(to.path());
        QCOMPARE(op.CopyFiles(), result);
        QCOMPARE(dialogs.shown.size(), questions);
        if (questions) {
            QVERIFY(dialogs.shown[0].text.contains("\"a.txt\""));
            QCOMPARE(dialogs.shown[0].buttons, ui::Buttons::YesYesToAllNoCancel);
        }
        QCOMPARE((QByteArrayList{read(to.filePath("a.txt")), read(to.filePath("b.txt")),
                                 read(to.filePath("a (2).txt"))}),
                 after);
    }

    void missingFolderIsCreatedOnlyWhenAllowed_data() {
        QTest::addColumn<bool>("confirmMakeDir");
        QTest::addColumn<QList<ui::Answer>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("copied");
        QTest::newRow("asked, yes") << true << QList<ui::Answer>{ui::Answer::Yes} << 1 << true;
        QTest::newRow("asked, no") << true << QList<ui::Answer>{ui::Answer::No} << 1 << false;
        QTest::newRow("not asked") << false << QList<ui::Answer>{} << 0 << true;
    }
    void missingFolderIsCreatedOnlyWhenAllowed() {
        QFETCH(bool, confirmMakeDir);
        QFETCH(QList<ui::Answer>, answers);
        QFETCH(int, questions);
        QFETCH(bool, copied);
        QTemporaryDir dir;
        write(dir.filePath("a.txt"), "a");
        write(dir.filePath("b.txt"), "b");
        ScriptedDialogs dialogs;
        dialogs.answers = answers;
        CSHFileOp op;
        op.setConfirmMakeDir(confirmMakeDir);
        op.AddSourceFile(dir.filePath("a.txt"));
        op.AddSourceFile(dir.filePath("b.txt"));
        op.AddDestFile(dir.filePath("yeni/klasör"));
        QCOMPARE(op.CopyFiles(), copied);
        QCOMPARE(dialogs.shown.size(), questions);
        if (questions)
            QVERIFY(dialogs.shown[0].text.contains(QStringLiteral("klasör\" klasörü yok")));
        QCOMPARE(QFile::exists(dir.filePath("yeni/klasör/b.txt")), copied);
    }

    // However a copy ends early, the target keeps its old content and no partial file is left.
    void anUnfinishedCopyLeavesTheTargetAlone_data() {
        QTest::addColumn<qint64>("failAfter");
        QTest::addColumn<int>("cancelAfterChecks");
        QTest::addColumn<bool>("reported");
        QTest::newRow("disk full halfway") << qint64(1 << 20) << -1 << true;
        QTest::newRow("disk full at once") << qint64(0) << -1 << true;
        QTest::newRow("Vazgeç in the progress window") << qint64(-1) << 1 << false;
    }
    void anUnfinishedCopyLeavesTheTargetAlone() {
        QFETCH(qint64, failAfter);
        QFETCH(int, cancelAfterChecks);
        QFETCH(bool, reported);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("hedef"));
        write(dir.filePath("Servis.mdb"), QByteArray(3 << 20, 'y'));
        write(dir.filePath("hedef/Servis.mdb"), "eski yedek");
        std::unique_ptr<FailingFileLayer> layer;
        if (failAfter >= 0)
            layer = std::make_unique<FailingFileLayer>(failAfter);
        ScriptedDialogs dialogs;
        dialogs.cancelAfterChecks = cancelAfterChecks;
        CSHFileOp op;
        op.setConfirmOperation(false);
        op.AddSourceFile(dir.filePath("Servis.mdb"));
        op.AddDestFile(dir.filePath("hedef"));
        QVERIFY(!op.CopyFiles());
        QCOMPARE(read(dir.filePath("hedef/Servis.mdb")), QByteArray("eski yedek"));
        QCOMPARE(QDir(dir.filePath("hedef")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Servis.mdb"});
        QCOMPARE(dialogs.shown.size(), reported ? 1 : 0);
        if (reported) { // in Turkish, with the system's own words as a detail
            QVERIFY(dialogs.shown[0].text.contains("Servis.mdb"));
            QVERIFY(dialogs.shown[0].text.contains(QStringLiteral("Diskte yer kalmadı. (%1)")
                                                       .arg(QString::fromLocal8Bit(std::strerror(ENOSPC)))));
        }
        QCOMPARE(dialogs.progressTitles, QStringList{QStringLiteral("Kopyalanıyor...")});
    }

    // A person answers each of the file operation's questions only after the progress window's
    // delay, through Qt's own windows: the question is in front with the keyboard, the progress
    // window out of sight, and the answer counts.
    void aQuestionIsAnsweredAtAPersonsPace_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("result");
        QTest::newRow("replace, before any progress") << "replace"
                                                      << "Dosya Değiştirmeyi Onayla" << true;
        QTest::newRow("replace, with the progress window up") << "slow, then replace"
                                                              << "Dosya Değiştirmeyi Onayla" << true;
        QTest::newRow("a file onto itself") << "onto itself" << QStringLiteral("Dosya İşlemi") << false;
    }
    void aQuestionIsAnsweredAtAPersonsPace() {
        QFETCH(QString, situation);
        QFETCH(QString, title);
        QFETCH(bool, result);
        QTemporaryDir dir;
        const QDir to(dir.filePath("hedef"));
        QDir().mkpath(to.path());
        write(dir.filePath("a.txt"), "yeni a");
        write(to.filePath("a.txt"), "eski a");
        write(dir.filePath("büyük"), QByteArray(3 << 20, 'b'));
        std::unique_ptr<SlowFileLayer> slow;
        CSHFileOp op;
        if (situation == "onto itself") {
            op.AddSourceFile(to.filePath("a.txt"));
        } else {
            if (situation == "slow, then replace") {
                slow = std::make_unique<SlowFileLayer>();
                op.AddSourceFile(dir.filePath("büyük"));
            }
            op.AddSourceFile(dir.filePath("a.txt"));
        }
        op.AddDestFile(to.path());
        LateAnswerer person(800);
        QCOMPARE(op.CopyFiles(), result);
        QCOMPARE(person.seen.size(), 1);
        QCOMPARE(person.seen[0].title, title);
        QVERIFY(person.seen[0].inFront);
        QVERIFY(!person.seen[0].progressInSight);
        QCOMPARE(read(to.filePath("a.txt")), QByteArray(result ? "yeni a" : "eski a"));
    }

    // Choosing an existing file in the save dialog asks nothing: the copy asks, in Turkish.
    void theSaveDialogLeavesTheReplaceQuestionToTheCopy() {
        QTemporaryDir dir;
        write(dir.filePath("Servis.mdb"), "eski");
        bool qtAsked = false;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible())
                    continue;
                if (auto* box = qobject_cast<QMessageBox*>(w)) {
                    qtAsked = true;
                    box->button(QMessageBox::Yes)->click();
                    return;
                }
            }
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                    // As the "Save" button does, from an event of its own: a question it asks
                    // runs its own loop, in which this timer must go on ticking.
                    QMetaObject::invokeMethod(
                        d, [d] { static_cast<QDialog*>(d)->accept(); }, Qt::QueuedConnection);
        });
        tick.start(50);
        ui::FileDialog d;
        d.mode = ui::FileDialog::Mode::Save;
        d.title = QStringLiteral("Bilgilerini Yedekle...");
        d.initDir = dir.path();
        d.fileName = QStringLiteral("Servis.mdb");
        d.filter = QStringLiteral("Veri Dosyaları|*.mdb");
        const QString chosen = ui::dialogs().fileName(nullptr, d);
        QVERIFY(!qtAsked);
        QCOMPARE(QFileInfo(chosen).canonicalFilePath(),
                 QFileInfo(dir.filePath("Servis.mdb")).canonicalFilePath());
    }

    void deleteMoveAndRenameReachTheirPlaces_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<bool>("undo");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QStringList>("present"); // relative to the folder, or "trash:" + name
        QTest::newRow("delete") << shell::FO_DELETE << false << QString() << QStringList{};
        QTest::newRow("delete with undo")
            << shell::FO_DELETE << true << QString() << QStringList{"trash:a.txt"};
        QTest::newRow("move") << shell::FO_MOVE << false << "alt" << QStringList{"alt/a.txt"};
        QTest::newRow("rename") << shell::FO_RENAME << false << "b.txt" << QStringList{"b.txt"};
    }
    void deleteMoveAndRenameReachTheirPlaces() {
        QFETCH(int, operation);
        QFETCH(bool, undo);
        QFETCH(QString, destination);
        QFETCH(QStringList, present);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("alt"));
        // The test's own data folder, so its trash can be emptied.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QString trash = data + "/Trash/files/a.txt";
        QDir(data + "/Trash").removeRecursively();
        QDir().mkpath(data);
        write(dir.filePath("a.txt"), "a");
        ScriptedDialogs dialogs;
        CSHFileOp op;
        op.setAllowUndo(undo);
        op.AddSourceFile(dir.filePath("a.txt"));
        if (!destination.isEmpty())
            op.AddDestFile(destination == "b.txt" ? destination : dir.filePath(destination));
        if (operation == shell::FO_DELETE)
            QVERIFY(op.DeleteFiles());
        else if (operation == shell::FO_MOVE)
            QVERIFY(op.MoveFiles());
        else
            QVERIFY(op.RenameFiles());
        QVERIFY(!QFile::exists(dir.filePath("a.txt")));
        for (const QString& p : present)
            QCOMPARE(read(p.startsWith("trash:") ? trash : dir.filePath(p)), QByteArray("a"));
        QCOMPARE(dialogs.shown.size(), operation == shell::FO_DELETE ? 1 : 0); // deletes ask first
        if (undo) // the trash can tell where the file came from
            QVERIFY(read(data + "/Trash/info/a.txt.trashinfo")
                        .contains(QFile::encodeName(dir.filePath("a.txt"))));
    }
};

QTEST_MAIN(TestFileOp)
#include "tst_fileop.moc"
