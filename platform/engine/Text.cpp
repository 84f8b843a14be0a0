#include "Text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace engine {

char32_t foldChar(char32_t c) {
    if (c == U'i')
        return U'İ';
    if (c >= U'a' && c <= U'z')
        return c - 32;
    switch (c) {
    case U'ı':
        return U'I';
    case U'ğ':
        return U'Ğ';
    case U'ü':
        return U'Ü';
    case U'ş':
        return U'Ş';
    case U'ö':
        return U'Ö';
    case U'ç':
        return U'Ç';
    default:
        return c;
    }
}

QString foldText(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        out.append(QChar(static_cast<char16_t>(foldChar(c.unicode()))));
    }
    return out;
}

static bool isCased(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'))
        return true;
    switch (c) {
    case U'ı':
    case U'İ':
    case U'ğ':
    case U'Ğ':
    case U'ü':
    case U'Ü':
    case U'ş':
    case U'Ş':
    case U'ö':
    case U'Ö':
    case U'ç':
    case U'Ç':
        return true;
    default:
        return false;
    }
}

bool hasCasedLetters(QStringView s) {
    return std::any_of(s.begin(), s.end(), [](QChar c) { return isCased(c.unicode()); });
}

// Matches one bracket class starting after '['; sets `end` past the closing ']'.
// An unterminated bracket is taken literally.
static bool matchClass(const char32_t* p, size_t np, size_t i, char32_t c, size_t& end, bool& ok) {
    size_t j = i;
    bool negate = false;
    if (j < np && p[j] == U'!') {
        negate = true;
        ++j;
    }
    bool hit = false;
    bool first = true;
    while (j < np && (p[j] != U']' || first)) {
        first = false;
        char32_t lo = foldChar(p[j]);
        if (j + 2 < np && p[j + 1] == U'-' && p[j + 2] != U']') {
            const char32_t hi = foldChar(p[j + 2]);
            if (c >= lo && c <= hi)
                hit = true;
            j += 3;
        } else {
            if (c == lo)
                hit = true;
            ++j;
        }
    }
    if (j >= np) {
        ok = false;
        return false;
    }
    ok = true;
    end = j + 1;
    return hit != negate;
}

bool likeMatch(const char32_t* v, size_t nv, const char32_t* p, size_t np) {
    size_t vi = 0, pi = 0;
    size_t starP = SIZE_MAX, starV = 0;
    while (vi < nv) {
        bool advanced = false;
        if (pi < np) {
            const char32_t pc = p[pi];
            const char32_t vc = foldChar(v[vi]);
            if (pc == U'*') {
                starP = pi++;
                starV = vi;
                continue;
            }
            if (pc == U'?') {
                ++pi;
                ++vi;
                advanced = true;
            } else if (pc == U'#') {
                if (vc >= U'0' && vc <= U'9') {
                    ++pi;
                    ++vi;
                    advanced = true;
                }
            } else if (pc == U'[') {
                size_t end = 0;
                bool ok = false;
                const bool hit = matchClass(p, np, pi + 1, vc, end, ok);
                if (!ok) {
                    if (vc == U'[') {
                        ++pi;
                        ++vi;
                        advanced = true;
                    }
                } else if (hit) {
                    pi = end;
                    ++vi;
                    advanced = true;
                }
            } else if (foldChar(pc) == vc) {
                ++pi;
                ++vi;
                advanced = true;
            }
        }
        if (advanced)
            continue;
        if (starP == SIZE_MAX)
            return false;
        pi = starP + 1;
        vi = ++starV;
    }
    while (pi < np && p[pi] == U'*')
        ++pi;
    return pi == np;
}

static std::u32string toU32(QStringView s) {
    std::u32string out;
    out.reserve(s.size());
    for (QChar c : s)
        out.push_back(c.unicode());
    return out;
}

bool likeMatch(QStringView value, QStringView pattern) {
    const auto v = toU32(value);
    const auto p = toU32(pattern);
    return likeMatch(v.data(), v.size(), p.data(), p.size());
}

QString likeLiteral(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'*' || c == u'?' || c == u'#' || c == u'[')
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return out;
}

QString sqlQuote(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString foldExpressionSql(const QString& expression, Dialect dialect) {
    if (dialect == Dialect::Postgres) {
        // upper() under the C collation changes ASCII letters only, whatever the server's locale;
        // the Turkish lower-case letters are turned first, i into İ before upper() sees it.
        return QStringLiteral("upper(translate(%1, 'iığüşöç', 'İIĞÜŞÖÇ') COLLATE \"C\")").arg(expression);
    }
    // i must become İ before upper() turns it into a plain I; upper() leaves non-ASCII alone.
    QString e = expression;
    static const std::array<std::pair<const char16_t*, const char16_t*>, 7> pairs{
        {{u"i", u"İ"}, {u"ı", u"I"}, {u"ğ", u"Ğ"}, {u"ü", u"Ü"}, {u"ş", u"Ş"}, {u"ö", u"Ö"}, {u"ç", u"Ç"}}};
    for (const auto& [from, to] : pairs)
        e = QStringLiteral("replace(%1,'%2','%3')").arg(e, QString::fromUtf16(from), QString::fromUtf16(to));
    return QStringLiteral("upper(%1)").arg(e);
}

QString foldSql(const QString& column, Dialect dialect) {
    // A server keeps the names of our tables' columns in lower case.
    const QString name = dialect == Dialect::Postgres ? column.toLower() : column;
    return foldExpressionSql(QLatin1Char('"') + name + QLatin1Char('"'), dialect);
}

QString orderKeySql(const QString& column, Dialect dialect) {
    // Each Turkish letter becomes its Latin base letter followed by DEL, which sorts after every
    // other ASCII character: Ç after C and before D, İ after I, and so on.
    QString e = foldSql(column, dialect);
    const QString del =
        dialect == Dialect::Postgres ? QStringLiteral("chr(127)") : QStringLiteral("char(127)");
    static const std::array<std::pair<const char16_t*, char16_t>, 6> letters{
        {{u"Ç", u'C'}, {u"Ğ", u'G'}, {u"İ", u'I'}, {u"Ö", u'O'}, {u"Ş", u'S'}, {u"Ü", u'U'}}};
    for (const auto& [letter, base] : letters)
        e = QStringLiteral("replace(%1,'%2','%3'||%4)").arg(e, QString::fromUtf16(letter), QChar(base), del);
    // Compared byte by byte, as SQLite compares texts, whatever the server's locale.
    return dialect == Dialect::Postgres ? QStringLiteral("(%1 COLLATE \"C\")").arg(e) : e;
}

QString isNotSql(Dialect dialect) {
    return dialect == Dialect::Postgres ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT");
}

namespace {

void appendEscaped(QString& out, char32_t c, QStringView special) {
    const QString s = QString::fromUcs4(&c, 1);
    if (c < 0x80 && special.contains(QChar(static_cast<char16_t>(c))))
        out += QLatin1Char('\\');
    out += s;
}

} // namespace

QString likeRegex(QStringView pattern) {
    const std::u32string p = toU32(pattern);
    constexpr QStringView outside = u".^$*+?()[]{}|\\";
    constexpr QStringView inside = u"\\]^-[";
    QString out = QStringLiteral("^");
    for (size_t i = 0; i < p.size();) {
        const char32_t c = p[i];
        if (c == U'*') {
            out += QStringLiteral(".*");
            ++i;
        } else if (c == U'?') {
            out += QLatin1Char('.');
            ++i;
        } else if (c == U'#') {
            out += QStringLiteral("[0-9]");
            ++i;
        } else if (c == U'[') {
            // The class ends at the first ']' that is not its first member; without one the '['
            // is a plain character, as likeMatch takes it.
            size_t j = i + 1;
            const bool negate = j < p.size() && p[j] == U'!';
            if (negate)
                ++j;
            size_t end = j + 1;
            while (end < p.size() && p[end] != U']')
                ++end;
            if (j >= p.size() || end >= p.size()) {
                appendEscaped(out, c, outside);
                ++i;
                continue;
            }
            QString members;
            while (j < end) {
                const char32_t lo = foldChar(p[j]);
                if (j + 2 < end && p[j + 1] == U'-') {
                    const char32_t hi = foldChar(p[j + 2]);
                    // A range backwards holds nothing, as in likeMatch; the server would refuse it.
                    if (lo <= hi) {
                        appendEscaped(members, lo, inside);
                        members += QLatin1Char('-');
                        appendEscaped(members, hi, inside);
                    }
                    j += 3;
                } else {
                    appendEscaped(members, lo, inside);
                    ++j;
                }
            }
            if (members.isEmpty())
                out += negate ? QStringLiteral(".") : QStringLiteral("[^\\s\\S]");
            else
                out += (negate ? QStringLiteral("[^") : QStringLiteral("[")) + members + QLatin1Char(']');
            i = end + 1;
        } else {
            appendEscaped(out, foldChar(c), outside);
            ++i;
        }
    }
    return out + QLatin1Char('$');
}

} // namespace engine
