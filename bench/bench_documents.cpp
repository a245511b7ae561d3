// Attached documents: a 50 MB document saved (documents row, folder copy, main row) against a plain
// INSERT of the same bytes plus a plain copy of the file, into SQLite files and, when
// CORVANTIS_BENCH_SERVER names a server where new databases may be made, into server databases;
// and one owner's list in a table of 240,000 attachments against the raw SELECT of the same rows.
#include "benchsupport.h"
#include "clsattachedfilelist.h"
#include "db.h"
#include "global.h"
#include "modutility.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// A figure of the process's memory in kB: "VmHWM" the peak since the last reset, "VmRSS" now.
qint64 memoryKb(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Makes the session's two databases, the main one naming the documents one as an administrator
// would have: a document is stored where the main database names.
void makeDatabases(const QString& mainPath, const QString& documentsPath)
{
    Schema::createMainDatabase(mainPath);
    Schema::createDocumentsDatabase(documentsPath);
    const QSqlDatabase main = Global::getConnection();
    Db::exec(main, QStringLiteral("DELETE FROM AttachedDocDBLocation"));
    Db::exec(main, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"), {documentsPath});
}

// Three saves of the 50 MB source through our path against three plain INSERTs of the same bytes
// with a plain copy of the file, into the session's main and documents databases.
int attachSave(const QString& name, const QString& source)
{
    const qint64 size = QFileInfo(source).size();
    const QSqlDatabase main = Global::getConnection();
    const QSqlDatabase docs = Global::getDocDBConnection();
    const QString folder = Global::getAttachedDocFolder();
    int n = 0;
    qint64 peak = 0;
    // A document is attached to an account that is stored.
    const qint64 account = Db::insertReturningId(
        main, QStringLiteral("INSERT INTO GLAccount (glacctnbr, name) VALUES (?, ?)"),
        {QStringLiteral("1010"), QStringLiteral("Operating account")});
    const qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] {
        clsAttachedfileList list;
        list.setAccountId(qint32(account));
        list.setItemType(2);
        list.AddFile(modUtility::GetUniqueFileName(source), QStringLiteral("March statement"), source,
                     QStringLiteral("03/01/2024"));
        const qint64 rss = memoryKb("VmRSS");
        resetPeak();
        list.SaveFiles();
        peak = std::max(peak, memoryKb("VmHWM") - rss);
    });
    const qint64 queries = (Db::statementCount() - before) / 3;
    const double base = Bench::timeIt([&] {
        const QString file = QStringLiteral("baseline-%1-%2.pdf").arg(name).arg(++n);
        QFile f(source);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        QSqlQuery q(docs);
        q.prepare(QStringLiteral("INSERT INTO Document (FileName, Content) VALUES (?, ?)"));
        q.addBindValue(file);
        q.addBindValue(bytes);
        q.exec();
        QFile::copy(source, folder + QLatin1Char('/') + file);
    });
    const qint64 stored =
        Db::scalar(main, QStringLiteral("SELECT count(*) FROM AttachedDocument")).toLongLong();
    const qint64 contents =
        Db::scalar(docs, QStringLiteral("SELECT count(*) FROM Document WHERE length(Content) = ?"), {size})
            .toLongLong();
    if (stored != 3 || contents != 6)
        return Bench::fail(name + QStringLiteral(": the documents were not all stored"));
    Bench::print(name, ours, base, 1, queries);
    std::printf("%s memory: peak %lld MB above the resident size for a %lld MB file\n", qPrintable(name),
                static_cast<long long>(peak / 1024), static_cast<long long>(size / 1024 / 1024));
    return 0;
}

// The same on new databases of the benchmarks' server; nothing when `make bench` started none.
int serverAttachSave(const QString& source)
{
    if (!Bench::engines().contains(Bench::Engine::Server))
        return 0;
    const QStringList databases{QStringLiteral("bench_docs_main"), QStringLiteral("bench_docs_docs")};
    Global::mainDatabasePath = Bench::newServerDatabase(databases.at(0));
    Global::docDBPath = Bench::newServerDatabase(databases.at(1));
    makeDatabases(Global::mainDatabasePath, Global::docDBPath);
    const int failed = attachSave(Bench::named(QStringLiteral("attach-save"), Bench::Engine::Server), source);
    Db::closeAll();
    for (const QString& database : databases)
        Bench::dropServerDatabase(database);
    return failed;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("HOME", QFile::encodeName(dir.path())); // the documents folder lies under it
    QStandardPaths::setTestModeEnabled(true);
    Global::mainDatabasePath = dir.filePath(QStringLiteral("main.db"));
    Global::docDBPath = dir.filePath(QStringLiteral("docs.db"));
    makeDatabases(Global::mainDatabasePath, Global::docDBPath);
    Db::closeAll();
    Global::userName = QStringLiteral("bench");

    // ---- attach-save ----
    const QString source = dir.filePath(QStringLiteral("statement.pdf"));
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly))
            return Bench::fail(QStringLiteral("attach-save: cannot write the source"));
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = char((i * 31 + i / 4096) & 0xff);
        for (int i = 0; i < 50; ++i)
            f.write(block);
    }
    if (const int failed = attachSave(QStringLiteral("attach-save"), source))
        return failed;
    if (const int failed = serverAttachSave(source))
        return failed;
    Global::mainDatabasePath = dir.filePath(QStringLiteral("main.db"));
    Global::docDBPath = dir.filePath(QStringLiteral("docs.db"));
    const QSqlDatabase main = Global::getConnection();

    // ---- attach-list-load ----
    // 2,000 accounts x 120 attachments: 40 account documents, 40 of reconciling items and 40 of
    // amortizable items each.
    {
        Db::Transaction tx(main);
        QSqlQuery q(main);
        q.prepare(
            QStringLiteral("INSERT INTO AttachedDocument (GLAcctId, RecItemId, AmortizableItemId, DocPath, "
                           "DocDesc, FileSource, OpenDate, CloseDate, CreateDate, CreateUser) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, '2024-01-01', 'bench')"));
        for (int account = 1; account <= 2000; ++account)
            for (int i = 0; i < 120; ++i) {
                const int kind = i % 3;
                const int item = account * 100 + i / 3;
                q.addBindValue(account);
                q.addBindValue(kind == 1 ? item : -2);
                q.addBindValue(kind == 0 ? item : -2);
                q.addBindValue(modUtility::GetUniqueFileName(QStringLiteral("x.pdf")));
                q.addBindValue(QStringLiteral("Document %1 of account %2").arg(i).arg(account));
                q.addBindValue(QStringLiteral("/home/ann/Documents/statement-%1.pdf").arg(i));
                q.addBindValue(QStringLiteral("2023-%1-01").arg(1 + i % 12, 2, 10, QLatin1Char('0')));
                q.addBindValue(i % 4 == 0 ? QVariant() : QVariant(QStringLiteral("2025-01-01")));
                if (!q.exec())
                    return Bench::fail(QStringLiteral("attach-list-load: cannot write the rows"));
            }
        tx.commit();
    }
    qint64 rows = 0;
    const qint64 listBefore = Db::statementCount();
    const double listOurs = Bench::timeIt(
        [&] {
            clsAttachedfileList list;
            list.setAccountId(1234);
            list.setItemType(2);
            list.setDocCheckDate(QStringLiteral("03/31/2024"));
            list.initialize();
            rows = list.getFiles().size();
        },
        20);
    const qint64 listQueries = (Db::statementCount() - listBefore) / 20;
    const double listBase = Bench::timeIt(
        [&] {
            Bench::readAll(
                main,
                QStringLiteral(
                    "SELECT DocPath, DocDesc, FileSource, OpenDate, CloseDate FROM AttachedDocument "
                    "WHERE GLAcctId = ? AND RecItemId < 0 AND AmortizableItemId < 0 AND "
                    "OpenDate <= ? AND (CloseDate IS NULL OR CloseDate > ?)"),
                {1234, QStringLiteral("2024-03-31"), QStringLiteral("2024-03-31")});
        },
        20);
    if (rows != 40)
        return Bench::fail(QStringLiteral("attach-list-load: loaded %1 rows, not 40").arg(rows));
    Bench::print(QStringLiteral("attach-list-load"), listOurs, listBase, rows, listQueries);
    return 0;
}
