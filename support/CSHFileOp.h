#pragma once

#include <QString>
#include <QStringList>

// Copies, moves, deletes or renames a list of files through the shell's file operation, with
// its progress window and questions. The lists keep their entries across operations until
// cleared.
class CSHFileOp {
public:
    bool AllowUndo() const { return allowUndo_; }
    void setAllowUndo(bool value) { allowUndo_ = value; }
    bool ConfirmMakeDir() const { return confirmMakeDir_; }
    void setConfirmMakeDir(bool value) { confirmMakeDir_ = value; }
    bool ConfirmOperation() const { return confirmOperation_; }
    void setConfirmOperation(bool value) { confirmOperation_ = value; }
    const QString& CustomText() const { return customText_; }
    void setCustomText(const QString& value) { customText_ = value; }
    bool IncludeDirectories() const { return includeDirectories_; }
    void setIncludeDirectories(bool value) { includeDirectories_ = value; }
    quint32 ParentWnd() const { return parentWnd_; }
    void setParentWnd(quint32 value) { parentWnd_ = value; }
    bool RenameOnCollision() const { return renameOnCollision_; }
    void setRenameOnCollision(bool value) { renameOnCollision_ = value; }
    bool SilentMode() const { return silentMode_; }
    void setSilentMode(bool value) { silentMode_ = value; }

    // True only when the shell succeeded and nothing was skipped or cancelled. With no source
    // files a FileOpError is thrown and the shell is not called.
    bool MoveFiles();
    bool CopyFiles();
    bool DeleteFiles();
    bool RenameFiles();
    // After an operation: whether the user skipped or cancelled some of the work (as against a
    // failure, which the shell has reported already).
    bool AnyOperationsAborted() const { return anyAborted_; }

    void ClearSourceFiles() { sources_.clear(); }
    void AddSourceFile(const QString& path) { sources_ << path; }
    void ClearDestFiles() { destinations_.clear(); }
    void AddDestFile(const QString& path) { destinations_ << path; }

private:
    bool DoFileOperation(qint32 function);

    bool allowUndo_ = false;
    bool confirmMakeDir_ = true;
    bool confirmOperation_ = true;
    QString customText_;
    bool includeDirectories_ = true;
    quint32 parentWnd_ = 0;
    bool renameOnCollision_ = false;
    bool silentMode_ = false;
    bool anyAborted_ = false;
    QStringList sources_;
    QStringList destinations_;
};
