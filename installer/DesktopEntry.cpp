#include "DesktopEntry.h"

namespace {

// Escapes of a string value.
QString escapeValue(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

// The program as the one quoted argument of Exec: inside the quotes ", `, $ and \ take a
// backslash, and a % is doubled so that it is not read as a field code.
QString quoteExec(const QString& program) {
    QString out(u'"');
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\';
        if (c == u'%')
            out += u'%';
        out += c;
    }
    return out + u'"';
}

} // namespace

QString desktopEntry(const QString& name, const QString& comment, const QString& program,
                     const QString& workingDirectory, const QString& icon) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=%1\n"
                          "Comment=%2\n"
                          "Exec=%3\n"
                          "Path=%4\n"
                          "Icon=%5\n"
                          "Terminal=false\n"
                          "Categories=Office;\n")
        .arg(escapeValue(name), escapeValue(comment), escapeValue(quoteExec(program)),
             escapeValue(workingDirectory), escapeValue(icon));
}
