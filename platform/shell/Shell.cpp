#include "Shell.h"

#include "DialogsAsker.h"
#include "FileJob.h"
#include "ProgressListener.h"

#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

namespace shell {

namespace {

QStringList unpack(const char* list) {
    QStringList out;
    if (!list)
        return out;
    while (*list) {
        const QByteArray name(list);
        out << QString::fromUtf8(name);
        list += name.size() + 1;
    }
    return out;
}

class JobShell : public Shell {
public:
    int fileOperation(FileOpRecord& r) override {
        QWidget* parent = r.hwnd ? QWidget::find(static_cast<WId>(r.hwnd)) : nullptr;
        DialogsAsker asker(parent);
        FileJob job(r.wFunc, unpack(r.pFrom), unpack(r.pTo), r.fFlags, asker);
        std::optional<ProgressListener> progress;
        if (!(r.fFlags & FOF_SILENT)) {
            const QString title = (r.fFlags & FOF_SIMPLEPROGRESS) && r.lpszProgressTitle
                                      ? QString::fromUtf8(r.lpszProgressTitle)
                                      : QString();
            progress.emplace(job, r.wFunc, parent, title);
        }
        const bool ok = job.run();
        r.fAnyOperationsAborted = job.aborted() ? 1 : 0;
        return ok ? 0 : 1;
    }
};

Shell*& currentShell() {
    static JobShell real;
    static Shell* shell = &real;
    return shell;
}

} // namespace

void setShell(Shell* replacement) {
    static Shell* const real = currentShell();
    currentShell() = replacement ? replacement : real;
}

int SHFileOperation(FileOpRecord* record) {
    return currentShell()->fileOperation(*record);
}

} // namespace shell
