#include "SystemError.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace platform {

namespace {

struct Sentence {
    std::initializer_list<int> errnums;
    const char* text;
};

const Sentence kSentences[] = {
    {{EROFS}, "Disk yalnızca okunabilir; üzerine yazılamıyor."},
    {{ENOSPC, EDQUOT}, "Diskte yer kalmadı."},
    {{EACCES, EPERM}, "Bu işlem için izniniz yok."},
    {{ENOENT, ENOTDIR}, "Klasör ya da dosya bulunamadı."},
    {{EBUSY, ETXTBSY}, "Dosya başka bir program tarafından kullanılıyor."},
    {{EIO}, "Diske erişilirken bir donanım hatası oluştu."},
};

QString withDetail(const char* sentence, const QString& detail) {
    const QString s = QString::fromUtf8(sentence);
    return detail.isEmpty() ? s : s + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

QString turkishSystemError(int errnum) {
    const QString detail = QString::fromLocal8Bit(std::strerror(errnum));
    for (const Sentence& s : kSentences)
        for (int e : s.errnums)
            if (e == errnum)
                return withDetail(s.text, detail);
    return withDetail("Sistem bir hata bildirdi.", detail);
}

QString turkishSystemError(const QString& systemText) {
    // Qt words its errors with the system's own text, or its translation of the common ones; find
    // which one it quotes.
    for (const Sentence& s : kSentences)
        for (int e : s.errnums)
            for (const QString& known : {qt_error_string(e), QString::fromLocal8Bit(std::strerror(e))})
                if (systemText.contains(known, Qt::CaseInsensitive))
                    return withDetail(s.text, systemText);
    return withDetail("Sistem bir hata bildirdi.", systemText);
}

} // namespace platform
