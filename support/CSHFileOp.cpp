#include "CSHFileOp.h"

#include "FileOpError.h"
#include "shell/FileOpRecord.h"

namespace {
// Each name followed by a zero, then one more zero that closes the list.
QByteArray packed(const QStringList& names) {
    QString text;
    for (const QString& n : names)
        text += n + QChar(0);
    return (text + QChar(0)).toUtf8();
}
} // namespace

bool CSHFileOp::MoveFiles() {
    return DoFileOperation(shell::FO_MOVE);
}

bool CSHFileOp::CopyFiles() {
    return DoFileOperation(shell::FO_COPY);
}

bool CSHFileOp::DeleteFiles() {
    return DoFileOperation(shell::FO_DELETE);
}

bool CSHFileOp::RenameFiles() {
    return DoFileOperation(shell::FO_RENAME);
}

bool CSHFileOp::DoFileOperation(qint32 function) {
    quint16 flags = 0;
    if (allowUndo_)
        flags |= shell::FOF_ALLOWUNDO;
    if (silentMode_)
        flags |= shell::FOF_SILENT;
    if (renameOnCollision_)
        flags |= shell::FOF_RENAMEONCOLLISION;
    if (!confirmOperation_)
        flags |= shell::FOF_NOCONFIRMATION;
    if (!confirmMakeDir_)
        flags |= shell::FOF_NOCONFIRMMKDIR;
    if (!includeDirectories_)
        flags |= shell::FOF_FILESONLY;
    QString title;
    if (!customText_.isEmpty()) {
        flags |= shell::FOF_SIMPLEPROGRESS;
        title = customText_;
    }
    if (sources_.isEmpty())
        throw FileOpError(FileOpError::kNoSourceFiles,
                          QStringLiteral("No source files specified file operation"));
    if (destinations_.size() > 1)
        flags |= shell::FOF_MULTIDESTFILES;

    // The buffers live until the shell returns.
    const QByteArray from = packed(sources_);
    const QByteArray to = packed(destinations_);
    const QByteArray progressTitle = title.toUtf8();

    shell::FileOpRecord record;
    record.hwnd = parentWnd_;
    record.wFunc = function;
    record.pFrom = from.constData();
    record.pTo = to.constData();
    record.fFlags = flags;
    record.fAnyOperationsAborted = 0;
    record.hNameMappings = nullptr;
    record.lpszProgressTitle = progressTitle.constData();
    const int result = shell::SHFileOperation(&record);
    anyAborted_ = record.fAnyOperationsAborted != 0;
    return result == 0 && record.fAnyOperationsAborted == 0;
}
