// Makes the databases of this system with the program's own schema code.
//
//   corvantis-makedb PROGRAM_FOLDER
//       the tutorial files beside the program: Database/CorvantisTutorialReconciliations.db and
//       Database/CorvantisTutorialDocuments.db under PROGRAM_FOLDER (replaced when they exist);
//   corvantis-makedb --tutorial MAIN DOCUMENTS
//       the tutorial company in the main and documents databases named (files or server
//       databases "postgresql://[user@]host[:port]/dbname"; a server database must hold no table
//       in any schema and its role must be able to create tables there; the two must be two
//       databases, and neither is written unless both can be made);
//   corvantis-makedb --empty MAIN DOCUMENTS ADMIN_NAME
//       the schema without company data; the only user is the administrator ADMIN_NAME, whose
//       password is read from the first line of standard input (it may not be empty or blanks only).
#include "apperror.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: corvantis-makedb PROGRAM_FOLDER\n"
                         "       corvantis-makedb --tutorial MAIN DOCUMENTS\n"
                         "       corvantis-makedb --empty MAIN DOCUMENTS ADMIN_NAME   (password on standard input)\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 3 && args.at(0) == QStringLiteral("--tutorial")) {
            Schema::createTutorialDatabases(args.at(1), args.at(2));
            return 0;
        }
        if (args.size() == 4 && args.at(0) == QStringLiteral("--empty")) {
            QTextStream in(stdin);
            Schema::createStartingDatabases(args.at(1), args.at(2), args.at(3), in.readLine());
            return 0;
        }
        if (args.size() != 1 || args.at(0).startsWith(QStringLiteral("--")))
            return usage();
        const QDir folder(args.at(0) + QStringLiteral("/Database"));
        if (!QDir().mkpath(folder.absolutePath())) {
            std::fprintf(stderr, "corvantis-makedb: cannot create %s\n", qPrintable(folder.absolutePath()));
            return 1;
        }
        Schema::createTutorialDatabases(folder.absoluteFilePath(QStringLiteral("CorvantisTutorialReconciliations.db")),
                                        folder.absoluteFilePath(QStringLiteral("CorvantisTutorialDocuments.db")));
    } catch (const AppError& e) {
        std::fprintf(stderr, "corvantis-makedb: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
