// Converts an old Access (Jet) database of the workshop into a database of the program,
// without a window: kts-import OLD.mdb NEW.mdb. Non-zero exit on any failure.
#include "ImportError.h"
#include "JetConversion.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "usage: kts-import OLD.mdb NEW.mdb\n"
               "Converts an Access (Jet) database of the service program into the program's format.\n"
               "NEW.mdb must not exist, or must be OLD.mdb itself: then the original is kept beside it\n"
               "as NAME.access-yedek.mdb.\n";
        return 2;
    }
    try {
        const jet::TargetSchema schema = jet::JetConversion::schemaOf(args[1]);
        jet::JetConversion conversion(args[1], args[2], schema);
        const jet::ConversionReport& r = conversion.prepare();
        conversion.commit();
        out << r.source << " -> " << r.target << " (" << QFileInfo(schema.fileName).completeBaseName()
            << ")\n";
        for (const jet::TableCount& t : r.tables) {
            out << "  " << t.table << ": " << t.copied << " of " << t.rows << " rows";
            if (t.duplicates)
                out << ", " << t.duplicates << " with a code already taken";
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
