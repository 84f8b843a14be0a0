// Sets up the PostgreSQL server a workshop's desks share: kts-server init|move|check. The
// connection string is used as given; libpq reads the password from ~/.pgpass.
#include "ServerSetup.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    return serversetup::run(app.arguments().mid(1), out, err);
}
