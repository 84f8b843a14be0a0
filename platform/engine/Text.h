#pragma once

#include "Schema.h"

#include <QString>
#include <QStringView>

// Text semantics of the workshop's database engine: comparisons ignore letter case, with the
// Turkish pairs i/İ and ı/I (plus ğ ü ş ö ç and ASCII) folded as a Turkish reader expects.
namespace engine {

// Upper-case fold used by every comparison: a-z, i→İ, ı→I, ğ→Ğ, ü→Ü, ş→Ş, ö→Ö, ç→Ç.
char32_t foldChar(char32_t c);
QString foldText(QStringView s);

// True when the text holds a character that folding changes or that is the fold of another
// (a letter): only then can a case-insensitive match differ from a byte-exact one.
bool hasCasedLetters(QStringView s);

// Pattern match with the engine's wildcards: * any run, ? one character, # one digit,
// [abc] [a-z] one of, [!abc] none of. Case-insensitive as above.
bool likeMatch(QStringView value, QStringView pattern);
bool likeMatch(const char32_t* v, size_t nv, const char32_t* p, size_t np);

// The text as a Like pattern that matches exactly itself: wildcard characters are bracketed.
QString likeLiteral(const QString& text);

// The one way to join a value into an SQL text or a criterion: between single quotes, with
// each quote inside doubled, so no typed text can end the literal early.
QString sqlQuote(const QString& value);

// SQL expression (built-in functions only) that folds a column exactly as foldText does;
// indexes on it stay readable by any SQLite tool, and on a server need nothing of ours.
QString foldSql(const QString& column, Dialect dialect = Dialect::Sqlite);
// The same fold of any SQL expression of text.
QString foldExpressionSql(const QString& expression, Dialect dialect);
// SQL expression (built-in functions only) whose byte order is Turkish alphabetical order,
// case-insensitive. Sorted record sets order by it and then by the text itself, so that an
// index on both serves the sort.
QString orderKeySql(const QString& column, Dialect dialect = Dialect::Sqlite);

// "IS NOT" between two values that may be null, as the store spells it.
QString isNotSql(Dialect dialect);

// A Like pattern as a regular expression of the server's, to be matched against the folded text:
// it says exactly what likeMatch says.
QString likeRegex(QStringView pattern);

} // namespace engine
