// Makes the tutorial databases beside the program: Database/CorvantisTutorialReconciliations.db
// and Database/CorvantisTutorialDocuments.db under the folder given as the only argument.
#include "apperror.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvantis-makedb PROGRAM_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/Database"));
    if (!QDir().mkpath(folder.absolutePath())) {
        std::fprintf(stderr, "corvantis-makedb: cannot create %s\n", qPrintable(folder.absolutePath()));
        return 1;
    }
    try {
        Schema::createTutorialDatabases(folder.absoluteFilePath(QStringLiteral("CorvantisTutorialReconciliations.db")),
                                        folder.absoluteFilePath(QStringLiteral("CorvantisTutorialDocuments.db")));
    } catch (const AppError& e) {
        std::fprintf(stderr, "corvantis-makedb: %s\n", e.what());
        return 1;
    }
    return 0;
}
