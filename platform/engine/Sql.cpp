#include "Sql.h"

#include "DbError.h"
#include "Text.h"

#include <QDate>

namespace engine {

namespace {

enum class Tok { End, Ident, String, Number, Date, Op, LParen, RParen, Comma, Star, Semicolon, Param };

struct Token {
    Tok kind = Tok::End;
    QString text; // identifier name, literal value or operator
    bool bracketed = false;
};

QVector<Token> tokenize(const QString& s, int errorNumber) {
    QVector<Token> out;
    const auto fail = [&](const QString& why) {
        throw DbError(errorNumber, QStringLiteral("Sorgu çözümlenemedi (%1): %2").arg(why, s));
    };
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'\'' || c == u'"') {
            QString v;
            ++i;
            for (;;) {
                if (i >= n)
                    fail(QStringLiteral("kapanmayan metin"));
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        v += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                v += s[i++];
            }
            out.push_back({Tok::String, v, false});
        } else if (c == u'[') {
            const qsizetype end = s.indexOf(u']', i);
            if (end < 0)
                fail(QStringLiteral("kapanmayan köşeli ayraç"));
            out.push_back({Tok::Ident, s.mid(i + 1, end - i - 1), true});
            i = end + 1;
        } else if (c == u'#') {
            const qsizetype end = s.indexOf(u'#', i + 1);
            if (end < 0)
                fail(QStringLiteral("kapanmayan tarih"));
            out.push_back({Tok::Date, s.mid(i + 1, end - i - 1), false});
            i = end + 1;
        } else if (c.isDigit()) {
            qsizetype j = i;
            while (j < n && (s[j].isDigit() || s[j] == u'.'))
                ++j;
            out.push_back({Tok::Number, s.mid(i, j - i), false});
            i = j;
        } else if (c.isLetter() || c == u'_') {
            qsizetype j = i;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_'))
                ++j;
            out.push_back({Tok::Ident, s.mid(i, j - i), false});
            i = j;
        } else if (c == u'(') {
            out.push_back({Tok::LParen, c, false});
            ++i;
        } else if (c == u')') {
            out.push_back({Tok::RParen, c, false});
            ++i;
        } else if (c == u',') {
            out.push_back({Tok::Comma, c, false});
            ++i;
        } else if (c == u'*') {
            out.push_back({Tok::Star, c, false});
            ++i;
        } else if (c == u';') {
            out.push_back({Tok::Semicolon, c, false});
            ++i;
        } else if (c == u'?') {
            out.push_back({Tok::Param, c, false});
            ++i;
        } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
            QString op = c;
            if (i + 1 < n && (s[i + 1] == u'=' || (c == u'<' && s[i + 1] == u'>')))
                op += s[i + 1];
            if (op == u"!")
                fail(QStringLiteral("beklenmeyen '!'"));
            out.push_back({Tok::Op, op == u"!=" ? QStringLiteral("<>") : op, false});
            i += op.size();
        } else {
            fail(QStringLiteral("beklenmeyen '%1'").arg(c));
        }
    }
    out.push_back({});
    return out;
}

QString quoteIdent(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// Recursive-descent translator of one expression over the fields of one table.
class Parser {
public:
    Parser(QVector<Token> tokens, const TableInfo* table, QString source, int errorNumber,
           QVariantList params = {})
        : t_(std::move(tokens))
        , table_(table)
        , source_(std::move(source))
        , error_(errorNumber)
        , params_(std::move(params)) {}

    bool atKeyword(const char* kw, int ahead = 0) const {
        const Token& k = t_[std::min<qsizetype>(pos_ + ahead, t_.size() - 1)];
        return k.kind == Tok::Ident && !k.bracketed &&
               k.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }
    const Token& peek() const { return t_[pos_]; }
    Token take() { return t_[pos_ < t_.size() - 1 ? pos_++ : pos_]; }
    void expectKeyword(const char* kw) {
        if (!atKeyword(kw))
            fail(QStringLiteral("'%1' bekleniyordu").arg(QLatin1String(kw)));
        ++pos_;
    }
    [[noreturn]] void fail(const QString& why) const {
        throw DbError(error_, QStringLiteral("Sorgu çözümlenemedi (%1): %2").arg(why, source_));
    }
    void setTable(const TableInfo* table) { table_ = table; }
    void setEvaluation(Evaluation how) { how_ = how; }

    Fragment expression() {
        Fragment f;
        orExpr(f);
        return f;
    }

    const FieldInfo& field(const Token& tok) const {
        const int i = table_->indexOf(tok.text);
        if (i < 0)
            throw DbError(
                ErrTooFewParameters,
                QStringLiteral("Bilinmeyen alan adı '%1' (%2 tablosunda yok).").arg(tok.text, table_->name));
        return table_->fields[i];
    }

    bool isFieldToken(const Token& tok) const {
        return tok.kind == Tok::Ident &&
               (tok.bracketed ||
                !(atWord(tok, "AND") || atWord(tok, "OR") || atWord(tok, "NOT") || atWord(tok, "LIKE") ||
                  atWord(tok, "IS") || atWord(tok, "NULL") || atWord(tok, "ORDER") || atWord(tok, "BY")));
    }
    static bool atWord(const Token& tok, const char* kw) {
        return tok.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }

    QString orderList() {
        QStringList parts;
        for (;;) {
            const Token tok = take();
            if (!isFieldToken(tok))
                fail(QStringLiteral("sıralama alanı bekleniyordu"));
            const FieldInfo& f = field(tok);
            QString direction;
            if (atKeyword("DESC")) {
                ++pos_;
                direction = QStringLiteral(" DESC");
            } else if (atKeyword("ASC")) {
                ++pos_;
            }
            if (f.type == FieldType::Text)
                parts << orderKeySql(f.name, table_->dialect) + direction;
            parts << quoteIdent(f.name) + direction;
            if (peek().kind != Tok::Comma) {
                // The key last, in the same direction, makes the order total; an index on the
                // key expression and the field then serves the whole list without a sort.
                parts << quoteIdent(table_->key) + direction;
                break;
            }
            ++pos_;
        }
        return parts.join(QStringLiteral(", "));
    }

private:
    // An operand: a field, a literal or a parenthesised expression.
    struct Operand {
        enum Kind { Field, Literal, Expr } kind = Literal;
        const FieldInfo* field = nullptr;
        QVariant value;
        Fragment expr;
    };

    void orExpr(Fragment& out) {
        andExpr(out);
        while (atKeyword("OR")) {
            ++pos_;
            out.sql += QStringLiteral(" OR ");
            andExpr(out);
        }
    }
    void andExpr(Fragment& out) {
        notExpr(out);
        while (atKeyword("AND")) {
            ++pos_;
            out.sql += QStringLiteral(" AND ");
            notExpr(out);
        }
    }
    // Each nesting level costs stack; far more than any real criterion uses is refused.
    static constexpr int kMaxDepth = 200;
    struct Nesting {
        Parser& p;
        explicit Nesting(Parser& parser)
            : p(parser) {
            if (++p.depth_ > kMaxDepth)
                p.fail(QStringLiteral("ifade çok derin iç içe"));
        }
        ~Nesting() { --p.depth_; }
    };

    void notExpr(Fragment& out) {
        const Nesting level(*this);
        if (atKeyword("NOT")) {
            ++pos_;
            out.sql += QStringLiteral("NOT ");
            notExpr(out);
            return;
        }
        predicate(out);
    }

    Operand operand() {
        const Token tok = take();
        Operand o;
        switch (tok.kind) {
        case Tok::Ident:
            if (!isFieldToken(tok))
                fail(QStringLiteral("'%1' burada beklenmiyordu").arg(tok.text));
            o.kind = Operand::Field;
            o.field = &field(tok);
            return o;
        case Tok::String:
            o.value = tok.text;
            return o;
        case Tok::Number:
            o.value =
                tok.text.contains(u'.') ? QVariant(tok.text.toDouble()) : QVariant(tok.text.toLongLong());
            return o;
        case Tok::Date: {
            const QDate d = parseDate(tok.text);
            if (!d.isValid())
                fail(QStringLiteral("geçersiz tarih #%1#").arg(tok.text));
            o.value = d.toString(Qt::ISODate);
            return o;
        }
        case Tok::Param:
            if (nextParam_ >= params_.size())
                fail(QStringLiteral("'?' için değer verilmedi"));
            o.value = params_[nextParam_++];
            return o;
        case Tok::LParen: {
            const Nesting level(*this);
            o.kind = Operand::Expr;
            o.expr.sql = QStringLiteral("(");
            orExpr(o.expr);
            if (take().kind != Tok::RParen)
                fail(QStringLiteral("')' bekleniyordu"));
            o.expr.sql += QStringLiteral(")");
            return o;
        }
        default:
            fail(QStringLiteral("ifade bekleniyordu"));
        }
    }

    static QDate parseDate(const QString& s) {
        QDate d = QDate::fromString(s.trimmed(), Qt::ISODate);
        if (!d.isValid())
            d = QDate::fromString(s.trimmed(), QStringLiteral("M/d/yyyy"));
        return d;
    }

    void put(Fragment& out, const Operand& o) {
        switch (o.kind) {
        case Operand::Field:
            out.sql += quoteIdent(o.field->name);
            break;
        case Operand::Literal:
            out.sql += QLatin1Char('?');
            out.params << o.value;
            break;
        case Operand::Expr:
            out.sql += o.expr.sql;
            out.params << o.expr.params;
            break;
        }
    }

    // A text comparison folds both sides. Equality with a value that holds no letters gives the
    // same answer byte-exact, and then an ordinary index on the field serves the query. A server
    // is asked both ways, so that its planner takes whichever index the field has (a barcode has
    // only the folded one); SQLite's, with no statistics, would then walk a whole order index.
    void compare(Fragment& out, const Operand& a, const QString& op, const Operand& b) {
        const Operand* fieldSide = a.kind == Operand::Field ? &a : (b.kind == Operand::Field ? &b : nullptr);
        const Operand* literalSide =
            a.kind == Operand::Literal ? &a : (b.kind == Operand::Literal ? &b : nullptr);
        const bool textLiteral = literalSide && literalSide->value.typeId() == QMetaType::QString;
        const auto plain = [&](const Operand& x, const Operand& y) {
            put(out, x);
            out.sql += QLatin1Char(' ') + op + QLatin1Char(' ');
            put(out, y);
        };
        if (fieldSide && textLiteral && fieldSide->field->type == FieldType::Integer) {
            bool ok = false;
            const qlonglong n = literalSide->value.toString().trimmed().toLongLong(&ok);
            if (ok) {
                Operand number = *literalSide;
                number.value = n;
                return literalSide == &a ? plain(number, b) : plain(a, number);
            }
        }
        const bool bothTextFields = a.kind == Operand::Field && b.kind == Operand::Field &&
                                    a.field->type == FieldType::Text && b.field->type == FieldType::Text;
        if (!textLiteral && !bothTextFields)
            return plain(a, b);
        const bool letterless = fieldSide && textLiteral && fieldSide->field->type == FieldType::Text &&
                                (op == u"=" || op == u"<>") &&
                                !hasCasedLetters(literalSide->value.toString());
        const bool bothWays = letterless && op == u"=" && table_->dialect == Dialect::Postgres;
        if (letterless && !bothWays)
            return plain(a, b);
        if (bothWays) {
            out.sql += QLatin1Char('(');
            plain(a, b);
            out.sql += QStringLiteral(" AND ");
        }
        putFolded(out, a);
        out.sql += QLatin1Char(' ') + op + QLatin1Char(' ');
        putFolded(out, b);
        if (bothWays)
            out.sql += QLatin1Char(')');
    }

    void putFolded(Fragment& out, const Operand& o) {
        if (o.kind == Operand::Field) {
            out.sql += foldSql(o.field->name, table_->dialect);
        } else if (o.kind == Operand::Literal) {
            out.sql += QLatin1Char('?');
            out.params << foldText(o.value.toString());
        } else {
            out.sql += table_->dialect == Dialect::Postgres ? foldExpressionSql(o.expr.sql, Dialect::Postgres)
                                                            : QStringLiteral("kts_fold") + o.expr.sql;
            out.params << o.expr.params;
        }
    }

    // Like: the fixed text before the first wildcard narrows the search to a range of the
    // folded field (an index on the folded field serves it); the pattern itself decides.
    void like(Fragment& out, const Operand& a, const Operand& b, bool negate) {
        if (negate)
            out.sql += QStringLiteral("NOT ");
        if (a.kind == Operand::Field && b.kind == Operand::Literal && how_ != Evaluation::RowByRow) {
            const QString pattern = b.value.toString();
            qsizetype cut = 0;
            while (cut < pattern.size() && !QStringView(u"*?#[").contains(pattern[cut]))
                ++cut;
            const QString prefix = pattern.left(cut);
            const QString rest = pattern.mid(cut);
            if (how_ == Evaluation::IndexedForValues && table_->dialect == Dialect::Postgres &&
                !prefix.isEmpty() && rest == u"*") {
                QString escaped = foldText(prefix);
                escaped.replace(u'\\', QStringLiteral("\\\\"))
                    .replace(u'%', QStringLiteral("\\%"))
                    .replace(u'_', QStringLiteral("\\_"));
                out.sql +=
                    QStringLiteral("(%1 LIKE ? ESCAPE '\\')").arg(foldSql(a.field->name, table_->dialect));
                out.params << escaped + QLatin1Char('%');
                return;
            }
            if (!prefix.isEmpty() || rest == u"*") {
                const bool folded = hasCasedLetters(prefix);
                const QString column =
                    folded ? foldSql(a.field->name, table_->dialect) : quoteIdent(a.field->name);
                const QString low = folded ? foldText(prefix) : prefix;
                if (rest.isEmpty()) {
                    out.sql += QStringLiteral("(%1 = ?)").arg(column);
                    out.params << low;
                    return;
                }
                out.sql += QStringLiteral("(%1 >= ? AND %1 < ?").arg(column);
                out.params << low << low + QChar(0xDBFF) + QChar(0xDFFF);
                if (rest != u"*") {
                    out.sql += QStringLiteral(" AND ");
                    matchPattern(out, a, b);
                }
                out.sql += QLatin1Char(')');
                return;
            }
        }
        if (table_->dialect == Dialect::Postgres)
            return matchPattern(out, a, b);
        out.sql += QStringLiteral("kts_like(");
        put(out, a);
        out.sql += QStringLiteral(", ");
        put(out, b);
        out.sql += QLatin1Char(')');
    }

    // The pattern test itself: the SQLite store's own function, or on a server a regular
    // expression over the folded text, which only a pattern given as a value can become.
    void matchPattern(Fragment& out, const Operand& a, const Operand& b) {
        if (table_->dialect == Dialect::Sqlite) {
            out.sql += QStringLiteral("kts_like(");
            put(out, a);
            out.sql += QStringLiteral(", ?)");
            out.params << b.value;
            return;
        }
        if (b.kind != Operand::Literal)
            fail(QStringLiteral("sunucuda Like deseni bir değer olmalı"));
        if (!b.value.isValid() || b.value.isNull()) {
            out.sql += QStringLiteral("NULL");
            return;
        }
        out.sql += QLatin1Char('(');
        putFolded(out, a);
        out.sql += QStringLiteral(" ~ ?)");
        out.params << likeRegex(b.value.toString());
    }

    void predicate(Fragment& out) {
        const Operand a = operand();
        if (peek().kind == Tok::Op) {
            const QString op = take().text;
            compare(out, a, op, operand());
        } else if (atKeyword("LIKE") || (atKeyword("NOT") && atKeyword("LIKE", 1))) {
            const bool negate = atKeyword("NOT");
            pos_ += negate ? 2 : 1;
            like(out, a, operand(), negate);
        } else if (atKeyword("IS")) {
            ++pos_;
            const bool negate = atKeyword("NOT");
            if (negate)
                ++pos_;
            expectKeyword("NULL");
            put(out, a);
            out.sql += negate ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL");
        } else if (a.kind == Operand::Expr) {
            put(out, a);
        } else {
            fail(QStringLiteral("karşılaştırma bekleniyordu"));
        }
    }

    QVector<Token> t_;
    qsizetype pos_ = 0;
    Evaluation how_ = Evaluation::Indexed;
    const TableInfo* table_;
    QString source_;
    int error_;
    QVariantList params_; // the values of "?" in order
    qsizetype nextParam_ = 0;
    int depth_ = 0;
};

void expectEnd(Parser& p) {
    if (p.peek().kind == Tok::Semicolon)
        p.take();
    if (p.peek().kind != Tok::End)
        p.fail(QStringLiteral("fazla metin '%1'").arg(p.peek().text));
}

} // namespace

namespace {

SourceQuery parseSource(const QString& text, const TableLookup& lookup, Evaluation how) {
    if (text.trimmed().isEmpty())
        throw DbError(ErrNoRecordSource, QStringLiteral("Veri kaynağına kayıt kaynağı verilmemiş."));
    Parser p(tokenize(text, ErrSyntaxInFrom), nullptr, text, ErrSyntaxInFrom);
    SourceQuery q;
    if (!p.atKeyword("SELECT")) {
        const Token tok = p.take();
        if (tok.kind != Tok::Ident)
            p.fail(QStringLiteral("tablo adı bekleniyordu"));
        expectEnd(p);
        q.table = lookup(tok.text).name;
        return q;
    }
    p.take();
    if (p.take().kind != Tok::Star)
        p.fail(QStringLiteral("yalnız 'SELECT *' desteklenir"));
    p.expectKeyword("FROM");
    const Token tableTok = p.take();
    if (tableTok.kind != Tok::Ident)
        p.fail(QStringLiteral("tablo adı bekleniyordu"));
    const TableInfo& table = lookup(tableTok.text);
    p.setTable(&table);
    p.setEvaluation(how);
    q.table = table.name;
    if (p.atKeyword("WHERE")) {
        p.take();
        q.where = p.expression();
    }
    if (p.atKeyword("ORDER")) {
        p.take();
        p.expectKeyword("BY");
        q.orderBy = p.orderList();
    }
    expectEnd(p);
    return q;
}

} // namespace

SourceQuery parseRecordSource(const QString& text, const TableLookup& lookup) {
    SourceQuery q = parseSource(text, lookup, Evaluation::Indexed);
    if (!q.where.empty())
        q.whereForValues = lookup(q.table).dialect == Dialect::Postgres
                               ? parseSource(text, lookup, Evaluation::IndexedForValues).where
                               : q.where;
    return q;
}

Fragment translateCriteria(const QString& text, const TableInfo& table, Evaluation how) {
    Parser p(tokenize(text, ErrSyntaxInExpression), &table, text, ErrSyntaxInExpression);
    p.setEvaluation(how);
    Fragment f = p.expression();
    expectEnd(p);
    return f;
}

QString translateSort(const QString& text, const TableInfo& table) {
    Parser p(tokenize(text, ErrSyntaxInExpression), &table, text, ErrSyntaxInExpression);
    const QString order = p.orderList();
    expectEnd(p);
    return order;
}

Change translateStatement(const QString& text, const TableLookup& lookup, const QVariantList& params) {
    Parser p(tokenize(text, ErrSyntaxInFrom), nullptr, text, ErrSyntaxInFrom, params);
    p.expectKeyword("DELETE");
    if (p.peek().kind == Tok::Star)
        p.take();
    p.expectKeyword("FROM");
    const Token tableTok = p.take();
    if (tableTok.kind != Tok::Ident)
        p.fail(QStringLiteral("tablo adı bekleniyordu"));
    const TableInfo& table = lookup(tableTok.text);
    p.setTable(&table);
    Change f{{QStringLiteral("DELETE FROM %1").arg(quoteIdent(table.name)), {}}, table.name};
    if (p.atKeyword("WHERE")) {
        p.take();
        const Fragment w = p.expression();
        f.sql += QStringLiteral(" WHERE ") + w.sql;
        f.params = w.params;
    }
    expectEnd(p);
    return f;
}

} // namespace engine
