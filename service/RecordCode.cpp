#include "RecordCode.h"

namespace recordcode {

namespace {

// The number its leading digits spell, as the old basic's Val did for a code group; 0 when none.
int leadingNumber(const QString& s) {
    int n = 0;
    for (QChar c : s) {
        if (!c.isDigit())
            break;
        n = n * 10 + c.digitValue();
    }
    return n;
}

QString pad(int n, int width) {
    return QString::number(n).rightJustified(width, u'0');
}

// An outer group of a stored code that is not two digits is read as its number, so that a
// damaged setting still yields a code of the right shape.
QString outerGroup(const QString& g) {
    if (g.size() == 2 && g[0].isDigit() && g[1].isDigit())
        return g;
    QString digits;
    for (QChar c : g)
        if (c.isDigit())
            digits += c;
    return pad(leadingNumber(digits) % 100, 2);
}

QString completeOuter(QString g) {
    if (g == u"__")
        return QStringLiteral("00");
    while (g.size() < 2)
        g.prepend(u'0');
    return g;
}

} // namespace

QString proposeNext(const QString& dataNo) {
    if (dataNo.isEmpty())
        return kFirst;
    QString middle = dataNo.mid(3, 4);
    middle.remove(u'_');
    int number = leadingNumber(middle) + 1;
    QString first = outerGroup(dataNo.left(2));
    const QString last = outerGroup(dataNo.size() >= 4 ? dataNo.right(2) : QString());
    if (number > 9999) {
        number = 1;
        first = pad((first.toInt() + 1) % 100, 2);
    }
    return first + u'-' + pad(number, 4) + u'-' + last;
}

QString complete(const QString& shown) {
    QString middle = shown.mid(3, 4);
    middle.remove(u'_');
    return completeOuter(shown.left(2)) + u'-' + middle.rightJustified(4, u'0') + u'-' +
           completeOuter(shown.size() >= 4 ? shown.right(2) : QString());
}

bool hasDigit(const QString& shown) {
    return std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.isDigit(); });
}

QString proposeFree(const QString& dataNo, const std::function<bool(const QString&)>& taken) {
    QString code = proposeNext(dataNo);
    // The codes run out after a million steps; the last one is proposed then and refused on save.
    for (int step = 0; step < 1'000'000 && taken(code); ++step)
        code = proposeNext(code);
    return code;
}

} // namespace recordcode
