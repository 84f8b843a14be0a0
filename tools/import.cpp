// Converts an old Access (Jet) database of the workshop into a database of the program,
// without a window: kts-import [--keep-incomplete] OLD.mdb NEW.mdb. Non-zero exit on any failure.
#include "ImportError.h"
#include "JetConversion.h"
#include "JetReaderProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    QStringList args = app.arguments().mid(1);
    // The converter's own reading process (the program starts it so, and so does this command).
    if (args.size() == 2 && args[0] == QLatin1String("--read"))
        return jet::serveJetReader(args[1]);
    const bool keepIncomplete = args.removeAll(QStringLiteral("--keep-incomplete")) > 0;
    if (args.size() != 2) {
        err << "usage: kts-import [--keep-incomplete] OLD.mdb NEW.mdb\n"
               "Converts an Access (Jet) database of the service program into the program's format.\n"
               "NEW.mdb must not exist, or must be OLD.mdb itself: then the original is kept beside it\n"
               "as NAME.access-yedek.mdb. When OLD.mdb gives fewer tables, columns or rows than it\n"
               "declares, nothing is put in place (exit 3) unless --keep-incomplete is given.\n";
        return 2;
    }
    try {
        const jet::ReaderProgram reader{QCoreApplication::applicationFilePath()};
        const jet::TargetSchema schema = jet::JetConversion::schemaOf(args[0], reader);
        jet::JetConversion conversion(args[0], args[1], schema, reader);
        const jet::ConversionReport& r = conversion.prepare();
        out << r.source << " -> " << r.target << " (" << QFileInfo(schema.fileName).completeBaseName()
            << ")\n";
        for (const jet::TableCount& t : r.tables) {
            out << "  " << t.table << ": " << t.copied << " of " << t.declared << " rows";
            if (t.duplicates)
                out << ", " << t.duplicates << " with a code already taken";
            if (t.rows < t.declared)
                out << ", " << t.declared - t.rows << " could not be read";
            out << '\n';
        }
        for (const QString& t : r.missingTables)
            out << "  " << t << ": not in the old file, left empty\n";
        for (const QString& t : r.unknownTables)
            out << "  table " << t << ": not part of the program, not copied\n";
        for (const QString& c : r.unknownColumns)
            out << "  column " << c << ": not part of the program, not copied\n";
        for (const QString& c : r.missingColumns)
            out << "  column " << c << ": not in the old file, left empty (Null)\n";
        if (!r.shortfalls().isEmpty() && !keepIncomplete) {
            err << "kts-import: " << r.source
                << " gave less than it declares (damaged?); nothing written. "
                   "Use --keep-incomplete to keep such a conversion.\n";
            return 3;
        }
        conversion.commit();
        for (const QString& f : conversion.report().duplicateFiles)
            out << "  rows set aside: " << f << '\n';
        if (!conversion.report().kept.isEmpty())
            out << "  original kept as " << conversion.report().kept << '\n';
    } catch (const jet::ImportError& e) {
        err << "kts-import: " << e.text() << '\n';
        return 1;
    }
    return 0;
}
