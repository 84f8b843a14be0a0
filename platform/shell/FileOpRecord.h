#pragma once

#include <QtGlobal>

// The shell's file operation as the old platform called it: a record with the function code,
// the flag word and two lists of names. Each list is a run of zero-terminated names closed by an
// empty one; names are UTF-8, so no file name is lost to a single-byte code page.
namespace shell {

inline constexpr qint32 FO_MOVE = 1;
inline constexpr qint32 FO_COPY = 2;
inline constexpr qint32 FO_DELETE = 3;
inline constexpr qint32 FO_RENAME = 4;

inline constexpr quint16 FOF_MULTIDESTFILES = 0x0001;
inline constexpr quint16 FOF_SILENT = 0x0004;
inline constexpr quint16 FOF_RENAMEONCOLLISION = 0x0008;
inline constexpr quint16 FOF_NOCONFIRMATION = 0x0010;
inline constexpr quint16 FOF_ALLOWUNDO = 0x0040;
inline constexpr quint16 FOF_FILESONLY = 0x0080;
inline constexpr quint16 FOF_SIMPLEPROGRESS = 0x0100;
inline constexpr quint16 FOF_NOCONFIRMMKDIR = 0x0200;

struct FileOpRecord {
    quint32 hwnd = 0; // the owner window's id, 0 for none
    qint32 wFunc = 0;
    const char* pFrom = nullptr;
    const char* pTo = nullptr;
    quint16 fFlags = 0;
    qint32 fAnyOperationsAborted = 0; // set when the user skipped or cancelled some of the work
    void* hNameMappings = nullptr;
    const char* lpszProgressTitle = nullptr;
};

// Runs the operation with its questions and progress window; 0 when nothing failed.
int SHFileOperation(FileOpRecord* record);

} // namespace shell
