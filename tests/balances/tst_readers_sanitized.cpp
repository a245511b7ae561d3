// The balances file readers alone, built with AddressSanitizer and UndefinedBehaviorSanitizer:
// every file that once broke the import, every import fixture, and mutations of the workbook
// fixtures (bytes changed, inserted, removed, files cut short) are read by every reader. A read
// may refuse a file; any fault the sanitizers see ends the run with a failure.
#include "apperror.h"
#include "balancefilereader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

namespace {

int g_reads = 0;

void readWithEveryReader(const QString& path)
{
    if (qEnvironmentVariableIsSet("READERS_TRACE"))
        std::fprintf(stderr, "read %s\n", qPrintable(path));
    for (auto reader : {BalanceFileReader::readCsv, BalanceFileReader::readXls, BalanceFileReader::readXlsx}) {
        ++g_reads;
        try {
            reader(path);
        } catch (const AppError&) {
            // a refusal is an answer
        }
    }
}

QByteArray mutated(QByteArray bytes, std::mt19937& random)
{
    if (bytes.isEmpty())
        return bytes;
    std::uniform_int_distribution<qsizetype> at(0, bytes.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    switch (random() % 4) {
    case 0: bytes[at(random)] = char(byte(random)); break;
    case 1: bytes.insert(at(random), char(byte(random))); break;
    case 2: bytes.remove(at(random), 1); break;
    default: bytes.truncate(at(random)); break;
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FAULTS_FOLDER FIXTURES_FOLDER [MUTATIONS]\n", argv[0]);
        return 2;
    }
    const QDir faults(QString::fromLocal8Bit(argv[1]));
    const QDir fixtures(QString::fromLocal8Bit(argv[2]));
    const int mutations = argc > 3 ? std::atoi(argv[3]) : 200;

    const QStringList kinds{QStringLiteral("*.csv"), QStringLiteral("*.xls"), QStringLiteral("*.xlsx")};
    const QStringList faultFiles = faults.entryList(kinds, QDir::Files);
    if (faultFiles.isEmpty()) {
        std::fprintf(stderr, "no fault files in %s\n", argv[1]);
        return 1;
    }
    for (const QString& name : faultFiles)
        readWithEveryReader(faults.filePath(name));

    QTemporaryDir scratch;
    std::mt19937 random(20241209); // the same mutations in every run
    QList<QString> workbooks;
    for (const QString& name : fixtures.entryList(kinds, QDir::Files))
        workbooks.append(fixtures.filePath(name));
    for (const QString& name : faultFiles)
        if (QFileInfo(faults.filePath(name)).size() < 100000) // not the huge sheet over and over
            workbooks.append(faults.filePath(name));
    for (const QString& source : std::as_const(workbooks)) {
        readWithEveryReader(source);
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray original = in.readAll();
        const QString target = scratch.filePath(QStringLiteral("mutated.") + QFileInfo(source).suffix());
        for (int i = 0; i < mutations; ++i) {
            QFile out(target);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return 1;
            const QByteArray bytes = mutated(original, random);
            out.write(bytes);
            if (qEnvironmentVariableIsSet("READERS_TRACE"))
                std::fprintf(stderr, "mutation %d of %s\n", i, qPrintable(source));
            out.close();
            readWithEveryReader(target);
        }
    }
    std::printf("readers under sanitizers: %d reads of %d fault files and %d workbooks with %d mutations each\n",
                g_reads, int(faultFiles.size()), int(workbooks.size()), mutations);
    std::printf("%d passed, 0 failed\n", g_reads);
    return 0;
}
