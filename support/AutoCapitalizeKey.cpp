#include "AutoCapitalizeKey.h"

#include "codepage/CodePage1254.h"

#include <QByteArray>

namespace {

const QByteArray& turkishLower() {
    static const QByteArray codes = cp1254::fromUnicode(u"ğüşiıöç");
    return codes;
}

const QByteArray& turkishUpper() {
    static const QByteArray codes = cp1254::fromUnicode(u"ĞÜŞİIÖÇ");
    return codes;
}

// Compared by code, not by linguistic order: spaces and line breaks all come before '!'.
bool followsSpace(QStringView text, qsizetype selStart) {
    return selStart >= 1 && selStart <= text.size() && text[selStart - 1].unicode() < u'!';
}

// The capital of a lower-case letter, or -1. "i" is in the Turkish table, so it becomes "İ".
int capitalOf(int code) {
    const qsizetype p = code >= 0 && code <= 255 ? turkishLower().indexOf(static_cast<char>(code)) : -1;
    if (p >= 0)
        return static_cast<uchar>(turkishUpper()[p]);
    if (code >= 'a' && code <= 'z')
        return code - 32;
    return -1;
}

} // namespace

int AutoCapitalizeKey(QStringView text, qsizetype selStart, int& keyAscii) {
    switch (keyAscii) {
    case 1:
    case 7:
    case 14:
    case 16:
    case 19:
    case 20:
        keyAscii = 0;
        return 0;
    default:
        break;
    }
    const int capital = capitalOf(keyAscii);
    if (capital < 0)
        return keyAscii;
    // The period test looks at the end of the whole text, wherever the caret is.
    const bool beginsWord = selStart == 0 || followsSpace(text, selStart) || text.endsWith(u'.');
    return beginsWord ? capital : keyAscii;
}
