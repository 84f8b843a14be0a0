#pragma once

#include <QList>
#include <QString>
#include <optional>

// The installation log st6unst.log, which the uninstaller reads: one line per file the
// installation put in place, "<kind><TAB><path>", UTF-8; lines starting with '#' are comments.
//   file      a program file, relative to the folder of the log; removed by the uninstaller
//   shortcut  a desktop entry, by absolute path; removed by the uninstaller
//   data      a data file the installation laid down, relative; never removed
namespace install_log {

inline const QString kFileName = QStringLiteral("st6unst.log");
// A log is a few kilobytes; one larger than this is not read at all.
inline constexpr qint64 kMaxBytes = 1024 * 1024;

enum class Kind { File, Shortcut, Data };

struct Entry {
    Kind kind = Kind::File;
    QString path;
    bool operator==(const Entry&) const = default;
};

// False when the log could not be written whole, or a path holds a line break or a tab.
bool write(const QString& logPath, const QList<Entry>& entries);
// Nothing when the log cannot be read: not a regular file, larger than kMaxBytes, not UTF-8 text,
// line ends other than LF or CR LF, or not a single entry. Lines of another form, relative shortcut
// paths and file or data paths that leave the log's folder are passed over.
std::optional<QList<Entry>> read(const QString& logPath);

} // namespace install_log
