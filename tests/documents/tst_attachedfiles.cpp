#include "apperror.h"
#include "clsattachedfilelist.h"
#include "daterules.h"
#include "documentfetch.h"
#include "documentfiles.h"
#include "documentsdatabase.h"
#include "documentsfixture.h"
#include "documentslocation.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modutility.h"
#include "otherwriter.h"
#include "valuestream.h"
#include "wholefile.h"

#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

// Attached documents: the stored names, the order and atomicity of a save under each failure,
// the lists an owner loads, and getting a document back out.
class tst_AttachedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void names_data();
    void names();
    void storedNames_data();
    void storedNames();
    void saveWritesContentsCopyAndRow_data();
    void saveWritesContentsCopyAndRow();
    void secondSaveUpdatesAndEditWorksWithoutSource();
    void emptyFileIsStoredAsEmptyContents();
    void refusedSourcesWriteNothing_data();
    void refusedSourcesWriteNothing();
    void failureLeavesNothingHalfWrittenAndRetryWorks_data();
    void failureLeavesNothingHalfWrittenAndRetryWorks();
    void documentsDatabaseReplacedWhileOpen();
    void writesGoToTheActiveDocumentsDatabase();
    void accountDocumentsValidAtDate();
    void ownerListsAndDelete();
    void editOverAnotherUsersChange_data();
    void editOverAnotherUsersChange();
    void fetchFallsBackAndRefusesForeignNames();
    void writeWholeLeavesOldFileOnFailure();
    void foreignFileIsRefusedUntouched_data();
    void foreignFileIsRefusedUntouched();
};

namespace {

// A list of one owner with one new attachment of the file.
clsAttachedfileList listWith(int kind, const QString& source, const QString& open = {},
                             const QString& close = {})
{
    ModelFixture::addAccount(7);
    clsAttachedfileList list;
    list.setAccountId(7, QStringLiteral("7"));
    list.setItemType(kind);
    list.setRecItemId(kind == 2 ? -1 : 42);
    list.AddFile(modUtility::GetUniqueFileName(source), QStringLiteral("He said \"hi\"; O'Neil \\ %_ é"),
                 source, open, close);
    return list;
}

QString raised(const std::function<void()>& work)
{
    try {
        work();
    } catch (const AppError& e) {
        return e.description();
    }
    return {};
}

} // namespace

void tst_AttachedFiles::names_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << u"/home/u/report.pdf"_qs << u".pdf"_qs << u"report.pdf"_qs;
    QTest::newRow("last dot wins") << u"/a/b.tar.gz"_qs << u".gz"_qs << u"b.tar.gz"_qs;
    QTest::newRow("dotted folder, no extension") << u"/x/my.dir/README"_qs << QString() << u"README"_qs;
    QTest::newRow("short path returned whole") << u"/ab"_qs << QString() << u"/ab"_qs;
    QTest::newRow("trailing dot") << u"/a/notes."_qs << u"."_qs << u"notes."_qs;
}

void tst_AttachedFiles::names()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(QString, fileName);
    QCOMPARE(modUtility::GetFileExtension(path), extension);
    QCOMPARE(modUtility::GetFileNameFromPath(path), fileName);
    const QString stored = modUtility::GetUniqueFileName(path);
    QCOMPARE(stored.size(), 38 + extension.size());
    QCOMPARE(stored.left(38), stored.left(38).toUpper());
    QVERIFY(modUtility::isStoredFileName(stored));
    QVERIFY(stored.startsWith(QLatin1Char('{')) && stored.at(37) == QLatin1Char('}'));
}

void tst_AttachedFiles::storedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    const QString guid = u"{0F8FAD5B-D9CB-469F-A165-70867728950E}"_qs;
    QTest::newRow("guid only") << guid << true;
    QTest::newRow("guid and extension") << guid + u".pdf"_qs << true;
    QTest::newRow("longest extension") << guid + u".abcdefghijk"_qs << true;
    QTest::newRow("one too long") << guid + u".abcdefghijkl"_qs << false;
    QTest::newRow("parent folder") << u"../../etc/passwd"_qs << false;
    QTest::newRow("slash after guid") << guid + u"/../x"_qs << false;
    QTest::newRow("backslash") << guid + u".a\\b"_qs << false;
    QTest::newRow("two dots") << guid + u"..pdf"_qs << false;
    QTest::newRow("no braces") << guid.mid(1, 36) + u".pdf"_qs << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_AttachedFiles::storedNames()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QCOMPARE(modUtility::isStoredFileName(name), valid);
    // A name that may not become a file name is refused, never followed.
    const QString copy = raised([&] { DocumentFiles::copyPath(u"/tmp"_qs, name); });
    QCOMPARE(copy.isEmpty(), valid);
}

void tst_AttachedFiles::saveWritesContentsCopyAndRow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint32>("recItemId");
    QTest::addColumn<qint32>("amortizableItemId");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("restarted"); // the server ended every session before the attach
    QTest::newRow("amortizable item") << 0 << -2 << 42 << QString() << QString() << false;
    QTest::newRow("reconciling item") << 1 << 42 << -2 << u"01/15/2024"_qs << QString() << false;
    QTest::newRow("account") << 2 << -2 << -2 << u"01/31/2024"_qs << u"12/31/2024"_qs << false;
    QTest::newRow("account, after a server restart") << 2 << -2 << -2 << u"01/31/2024"_qs << u"12/31/2024"_qs << true;
}

void tst_AttachedFiles::saveWritesContentsCopyAndRow()
{
    QFETCH(int, kind);
    QFETCH(qint32, recItemId);
    QFETCH(qint32, amortizableItemId);
    QFETCH(QString, open);
    QFETCH(QString, close);
    QFETCH(bool, restarted);
    DocumentsFixture fx;
    const QString source = fx.file(u"statement.pdf"_qs, 2500000); // more than one piece
    clsAttachedfileList list = listWith(kind, source, open, close);
    const clsAttachedFile& file = list.getFiles().first();
    if (restarted && TestDb::onServer())
        for (const QSqlDatabase& db : {fx.db, fx.docs()})
            TestDb::serverAdmin(u"SELECT pg_terminate_backend(%1, 10000)"_qs.arg(Db::scalar(db, u"SELECT pg_backend_pid()"_qs).toLongLong()));
    QCOMPARE(raised([&] { list.SaveFiles(); }), QString());

    // Byte for byte: the original, the database's contents and the folder copy.
    const QByteArray original = fx.read(source);
    QCOMPARE(fx.content(file.getDocPath()), original);
    QCOMPARE(fx.read(fx.copyOf(file.getDocPath())), original);
    QVERIFY(file.isDocumentInDB());
    // On a server the contents are kept as they are, so that each piece read back is read alone
    // rather than unpacked from the start.
    if (TestDb::onServer())
        QCOMPARE(Db::scalar(fx.docs(), u"SELECT pg_column_size(Content) >= length(Content) FROM Document"_qs).toBool(),
                 true);
    // And back out of the database, piece by piece.
    QVERIFY(QFile::remove(fx.copyOf(file.getDocPath())));
    QVERIFY(modUtility::ExtractDocumentFromDB(file.getDocPath(), fx.folder()));
    QCOMPARE(fx.read(fx.copyOf(file.getDocPath())), original);

    QSqlQuery row = Db::exec(fx.db,
                             u"SELECT GLAcctId, RecItemId, AmortizableItemId, DocDesc, FileSource, OpenDate, "
                             "CloseDate, CreateDate, CreateUser FROM AttachedDocument WHERE DocPath = ?"_qs,
                             {file.getDocPath()});
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toInt(), 7);
    QCOMPARE(row.value(1).toInt(), recItemId);
    QCOMPARE(row.value(2).toInt(), amortizableItemId);
    QCOMPARE(row.value(3).toString(), file.getDocDesc());
    QCOMPARE(row.value(4).toString(), source);
    QCOMPARE(row.value(5), DateRules::toDb(open));
    QCOMPARE(row.value(6), DateRules::toDb(close));
    QCOMPARE(row.value(7).toString(), u"2024-03-15"_qs);
    QCOMPARE(row.value(8).toString(), u"preparer"_qs);
    QSqlQuery doc =
        Db::exec(fx.docs(), u"SELECT CreateDate, CreateUser, OpenDate, DocDesc, CloseDate FROM Document"_qs);
    QVERIFY(doc.next());
    QCOMPARE(doc.value(0).toString(), u"2024-03-15"_qs);
    QCOMPARE(doc.value(1).toString(), u"preparer"_qs);
    QCOMPARE(doc.value(2), DateRules::toDb(open));
    QCOMPARE(doc.value(3).toString(), file.getDocDesc());
    QCOMPARE(doc.value(4), DateRules::toDb(close));
}

void tst_AttachedFiles::secondSaveUpdatesAndEditWorksWithoutSource()
{
    DocumentsFixture fx;
    const QString source = fx.file(u"invoice.txt"_qs);
    clsAttachedfileList list = listWith(1, source);
    const QString key = list.getFiles().first().getDocPath();
    list.SaveFiles();
    list.SaveFiles();
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 1);
    QCOMPARE(fx.documentRows(), 1);

    // Loaded again later: the picked file and the folder copy are gone, the description changes.
    QFile::remove(source);
    QFile::remove(fx.copyOf(key));
    clsAttachedfileList loaded;
    loaded.setAccountId(7);
    loaded.setItemType(1);
    loaded.setRecItemId(42);
    loaded.initialize();
    QCOMPARE(loaded.getFiles().size(), 1);
    QVERIFY(!loaded.getIsDirty());
    loaded.SaveFiles(); // not changed: nothing happens
    loaded.EditFile(key, u"Final invoice"_qs, u"02/01/2024"_qs);
    loaded.SaveFiles();
    QCOMPARE(fx.value(u"SELECT DocDesc || OpenDate FROM AttachedDocument"_qs).toString(),
             u"Final invoice2024-02-01"_qs);
    QCOMPARE(Db::scalar(fx.docs(), u"SELECT DocDesc FROM Document"_qs).toString(), u"Final invoice"_qs);
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 1);
    // The contents lost everywhere: the stored row's description still changes, and nothing
    // stands in for the contents.
    Db::exec(fx.docs(), u"DELETE FROM Document"_qs);
    loaded.EditFile(key, u"Lost"_qs);
    loaded.SaveFiles();
    QCOMPARE(fx.value(u"SELECT DocDesc FROM AttachedDocument"_qs).toString(), u"Lost"_qs);
    QCOMPARE(fx.documentRows(), 0);
}

void tst_AttachedFiles::emptyFileIsStoredAsEmptyContents()
{
    DocumentsFixture fx;
    const QString source = fx.file(u"empty"_qs, 0);
    clsAttachedfileList list = listWith(2, source, u"01/31/2024"_qs);
    const QString key = list.getFiles().first().getDocPath();
    QCOMPARE(key.size(), 38); // no extension
    list.SaveFiles();
    const QVariant content = Db::scalar(fx.docs(), u"SELECT Content FROM Document"_qs);
    QVERIFY(!content.isNull());
    QCOMPARE(content.toByteArray().size(), 0);
    QFile::remove(fx.copyOf(key));
    QVERIFY(modUtility::ExtractDocumentFromDB(key, fx.folder()));
    QCOMPARE(QFileInfo(fx.copyOf(key)).size(), 0);
    // Contents never stored are "not in the database", not an empty document.
    Db::exec(fx.docs(), u"UPDATE Document SET Content = NULL"_qs);
    QFile::remove(fx.copyOf(key));
    QVERIFY(!modUtility::ExtractDocumentFromDB(key, fx.folder()));
    QVERIFY(!QFileInfo::exists(fx.copyOf(key)));
}

void tst_AttachedFiles::refusedSourcesWriteNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << u"missing.pdf"_qs << u"cannot be found"_qs;
    QTest::newRow("folder") << u"folder.d"_qs << u"is a folder"_qs;
    QTest::newRow("fifo") << u"pipe"_qs << u"not a regular file"_qs;
    QTest::newRow("device") << u"/dev/zero"_qs << u"not a regular file"_qs;
    QTest::newRow("relative") << u"docs/a.pdf"_qs << u"full path"_qs;
    QTest::newRow("the open database") << u"docs.db"_qs << u"database that Corvantis is using"_qs;
    QTest::newRow("the open database's log") << u"docs.db-wal"_qs << u"database that Corvantis is using"_qs;
    QTest::newRow("over the blob limit") << u"big.bin"_qs << u"too large"_qs;
}

void tst_AttachedFiles::refusedSourcesWriteNothing()
{
    QFETCH(QString, source);
    QFETCH(QString, message);
    if (TestDb::onServer() && (source.startsWith(u"docs.db"_qs) || source == u"big.bin"_qs))
        QSKIP("a database file and its value limit are SQLite's");
    DocumentsFixture fx;
    QDir(fx.seams.folder()).mkdir(u"folder.d"_qs);
    QVERIFY(::mkfifo(QFile::encodeName(fx.seams.path(u"pipe"_qs)).constData(), 0600) == 0);
    fx.file(u"big.bin"_qs, 5000);
    // The documents database takes values of at most 4,000 bytes.
    Db::limitLargestValue(fx.docs(), 4000);
    const QString path = source.startsWith(u'/') || source.contains(u'/') ? source : fx.seams.path(source);

    clsAttachedfileList list = listWith(1, path);
    const QString error = raised([&] { list.SaveFiles(); }); // a FIFO must not block here
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(fx.documentRows(), 0);
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 0);
    QVERIFY(QDir(fx.folder()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void tst_AttachedFiles::failureLeavesNothingHalfWrittenAndRetryWorks_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("file where the folder should be") << u"folder"_qs << u"Could not create the folder"_qs;
    QTest::newRow("folder where the copy should be") << u"copy"_qs << u"could not be written"_qs;
    QTest::newRow("source deleted") << u"source"_qs << u"cannot be found"_qs;
    QTest::newRow("copy fails part-way") << u"copy limit"_qs << u"could not be written"_qs;
    QTest::newRow("documents database locked") << u"locked"_qs << u"in use by another user"_qs;
    QTest::newRow("documents database deleted") << u"deleted"_qs << u"Could not find file"_qs;
    // The contents were stored before the main database's row failed: they go again.
    QTest::newRow("main insert fails") << u"trigger"_qs << u"refused"_qs;
    QTest::newRow("account deleted meanwhile") << u"account"_qs << u"Account 7 was deleted by preparer"_qs;
}

void tst_AttachedFiles::failureLeavesNothingHalfWrittenAndRetryWorks()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    if (TestDb::onServer() && failure == u"deleted"_qs)
        QSKIP("a server database is not a file");
    DocumentsFixture fx;
    // Larger than three pieces.
    const QString source = fx.file(u"schedule.xlsx"_qs, failure == u"copy limit"_qs ? 3500000 : 100000);
    clsAttachedfileList list = listWith(0, source);
    const QString key = list.getFiles().first().getDocPath();
    fx.docs(); // the connection is open, as in a session

    std::function<void()> mend;
    QSqlDatabase holder;
    if (failure == u"folder"_qs) {
        QDir().mkpath(QFileInfo(fx.folder()).path());
        TestDb::textFile(QFileInfo(fx.folder()).path(), u"AttachedDoc"_qs, "in the way");
        mend = [&] { QFile::remove(fx.folder()); };
    } else if (failure == u"copy"_qs) {
        QDir().mkpath(fx.copyOf(key));
        mend = [&] { QDir(fx.copyOf(key)).removeRecursively(); };
    } else if (failure == u"source"_qs) {
        QVERIFY(QFile::rename(source, source + u".away"_qs));
        mend = [&] { QFile::rename(source + u".away"_qs, source); };
    } else if (failure == u"copy limit"_qs) {
        // The folder copy stops taking bytes after the first two pieces, which the database took.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 2500000;
        setrlimit(RLIMIT_FSIZE, &small);
        mend = [saved] { setrlimit(RLIMIT_FSIZE, &saved); };
    } else if (failure == u"locked"_qs) {
        const bool server = TestDb::onServer();
        Db::exec(fx.docs(), server ? u"SET lock_timeout = 200"_qs : u"PRAGMA busy_timeout = 200"_qs);
        holder = Db::open(fx.docsPath, u"holder"_qs);
        Db::exec(holder, server ? u"BEGIN; LOCK TABLE Document IN EXCLUSIVE MODE"_qs : u"BEGIN EXCLUSIVE"_qs);
        mend = [&] { Db::exec(holder, u"ROLLBACK"_qs); };
    } else if (failure == u"deleted"_qs) {
        QVERIFY(QFile::rename(fx.docsPath, fx.docsPath + u".away"_qs));
        mend = [&] { QFile::rename(fx.docsPath + u".away"_qs, fx.docsPath); };
    } else if (failure == u"account"_qs) {
        GLAccount account;
        account.Load(u"7"_qs);
        account.remove();
        mend = [] { ModelFixture::addAccount(7); };
    } else {
        TestDb::failInserts(fx.db, u"AttachedDocument"_qs);
        mend = [&] { TestDb::mendInserts(fx.db, u"AttachedDocument"_qs); };
    }

    const QString error = raised([&] { list.SaveFiles(); });
    QVERIFY2(error.contains(message), qPrintable(error));
    mend();
    // The documents database and the folder as they were: no contents that no row names, no copy,
    // and no temporary file beside it.
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 0);
    QCOMPARE(fx.documentRows(), 0);
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // The same list saved again: everything lands, once.
    list.SaveFiles();
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 1);
    QCOMPARE(fx.documentRows(), 1);
    QCOMPARE(fx.content(key), fx.read(source));
    QCOMPARE(fx.read(fx.copyOf(key)), fx.read(source));
}

void tst_AttachedFiles::documentsDatabaseReplacedWhileOpen()
{
    if (TestDb::onServer())
        QSKIP("a server database is not a file that can be replaced");
    DocumentsFixture fx;
    fx.docs();
    // Another copy put in place of the open file: writes through the old connection would be lost.
    const QString fresh = TestDb::documents(fx.seams.folder(), u"fresh.db"_qs);
    QVERIFY(QFile::remove(fx.docsPath));
    QVERIFY(QFile::rename(fresh, fx.docsPath));
    clsAttachedfileList list = listWith(2, fx.file(u"a.pdf"_qs), u"01/31/2024"_qs);
    QVERIFY(raised([&] { list.SaveFiles(); }).contains(u"moved, replaced or deleted"_qs));
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 0);
    list.SaveFiles(); // the file now at the path
    QCOMPARE(fx.documentRows(), 1);
    Db::close(fx.docsPath);
    QCOMPARE(fx.documentRows(), 1); // read afresh from the file itself
}

void tst_AttachedFiles::writesGoToTheActiveDocumentsDatabase()
{
    DocumentsFixture fx;
    const QString other = TestDb::documents(fx.seams.folder(), u"other.db"_qs);
    clsAttachedfileList first = listWith(1, fx.file(u"a.txt"_qs));
    first.SaveFiles();
    fx.useDocuments(other);
    clsAttachedfileList second = listWith(1, fx.file(u"b.txt"_qs));
    second.SaveFiles();
    QCOMPARE(fx.documentRows(), 1);
    QCOMPARE(Db::scalar(Global::getDocDBConnection(other), u"SELECT FileName FROM Document"_qs).toString(),
             second.getFiles().first().getDocPath());
}

void tst_AttachedFiles::accountDocumentsValidAtDate()
{
    DocumentsFixture fx;
    const auto add = [&](qint32 account, qint32 rec, qint32 amort, const QString& name, const QVariant& open,
                         const QVariant& close) {
        Db::exec(fx.db,
                 u"INSERT INTO AttachedDocument (GLAcctId, RecItemId, AmortizableItemId, DocPath, DocDesc, "
                 "OpenDate, CloseDate) VALUES (?, ?, ?, ?, ?, ?, ?)"_qs,
                 {account, rec, amort, name, name, open, close});
    };
    add(7, -2, -2, u"opens at the date"_qs, u"2024-03-31"_qs, QVariant());
    add(7, -2, -2, u"closes after"_qs, u"2024-01-01"_qs, u"2024-04-01"_qs);
    add(7, -2, -2, u"closes at the date"_qs, u"2024-01-01"_qs, u"2024-03-31"_qs);
    add(7, -2, -2, u"opens after"_qs, u"2024-04-01"_qs, QVariant());
    add(7, 5, -2, u"of an item"_qs, u"2024-01-01"_qs, QVariant());
    add(8, -2, -2, u"other account"_qs, u"2024-01-01"_qs, QVariant());
    clsAttachedfileList list;
    list.setAccountId(7);
    list.setItemType(2);
    list.setDocCheckDate(u"03/31/2024"_qs);
    list.initialize();
    QStringList names;
    for (const clsAttachedFile& f : list.getFiles())
        names << f.getDocDesc() + u' ' + f.getOpenDate() + u' ' + f.getCloseDate();
    names.sort();
    QCOMPARE(names,
             (QStringList{u"closes after 01/01/2024 04/01/2024"_qs, u"opens at the date 03/31/2024 "_qs}));
}

void tst_AttachedFiles::ownerListsAndDelete()
{
    DocumentsFixture fx;
    clsAttachedfileList items = listWith(0, fx.file(u"a.pdf"_qs));
    items.AddFile(modUtility::GetUniqueFileName(u"b.pdf"_qs), u"second"_qs, fx.file(u"b.pdf"_qs));
    items.SaveFiles();
    listWith(1, fx.file(u"c.pdf"_qs)).SaveFiles(); // same id, other kind
    // A row with an empty stored name, as a damaged database might hold.
    Db::exec(fx.db, u"INSERT INTO AttachedDocument (GLAcctId, RecItemId, AmortizableItemId, DocPath) "
                    "VALUES (7, -2, 42, '')"_qs);

    clsAttachedfileList loaded;
    loaded.setAccountId(7);
    loaded.setItemType(0);
    loaded.setRecItemId(42);
    loaded.initialize();
    QCOMPARE(loaded.getFiles().size(), 3);
    // An item never stored has no id its documents could carry.
    clsAttachedfileList unstored = listWith(1, fx.file(u"d.pdf"_qs));
    unstored.setRecItemId(-1);
    QVERIFY(raised([&] { unstored.SaveFiles(); }).contains(u"must be stored"_qs));
    loaded.DeleteFile(QString()); // an empty name deletes nothing
    loaded.DeleteFile(u"{not there}"_qs);
    QVERIFY(!loaded.getIsDirty());
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 4);
    const QString key = items.getFiles().first().getDocPath();
    loaded.DeleteFile(key);
    QVERIFY(loaded.getIsDirty());
    QCOMPARE(loaded.getFiles().size(), 2);
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 3);
    // The contents and the folder copy stay.
    QCOMPARE(fx.documentRows(), 3);
    QVERIFY(QFileInfo::exists(fx.copyOf(key)));
}

void tst_AttachedFiles::editOverAnotherUsersChange_data()
{
    QTest::addColumn<bool>("loaded");  // the list read from the database, else the one that saved it
    QTest::addColumn<bool>("deleted"); // else described anew
    QTest::addColumn<bool>("withOwner"); // saved with the owner's balance and a new document
    QTest::newRow("loaded, deleted") << true << true << false;
    QTest::newRow("saved, deleted") << false << true << false;
    QTest::newRow("loaded, described") << true << false << false;
    QTest::newRow("saved, described") << false << false << false;
    QTest::newRow("loaded, deleted, with the balance") << true << true << true;
    QTest::newRow("saved, described, with the balance") << false << false << true;
}

// Another user deletes or describes an attachment this user holds: his edit of it is refused and
// writes nothing, in either database, nor does the owner's store that goes with it (a
// reconciliation's balance); a deleted one never comes back. The message names the document once.
void tst_AttachedFiles::editOverAnotherUsersChange()
{
    QFETCH(bool, loaded);
    QFETCH(bool, deleted);
    QFETCH(bool, withOwner);
    DocumentsFixture fx;
    clsAttachedfileList mine = listWith(1, fx.file(u"invoice.txt"_qs));
    mine.SaveFiles();
    const QString key = mine.getFiles().first().getDocPath();
    if (loaded) {
        mine = clsAttachedfileList();
        mine.setAccountId(7);
        mine.setItemType(1);
        mine.setRecItemId(42);
        mine.initialize();
    }
    Db::exec(Db::open(Global::mainDatabasePath, u"other user"_qs),
             deleted ? u"DELETE FROM AttachedDocument"_qs : u"UPDATE AttachedDocument SET DocDesc = 'Their words'"_qs);
    const QString left = fx.value(u"SELECT DocDesc FROM AttachedDocument"_qs).toString();
    const QVariant document = Db::scalar(fx.docs(), u"SELECT DocDesc FROM Document"_qs);

    mine.EditFile(key, u"Mine"_qs, u"02/01/2024"_qs);
    auto account = std::make_shared<GLAccount>();
    account->Load(u"7"_qs);
    GLAccountBalance balance;
    balance.Load(account, u"01/31/2024"_qs);
    balance.beginEdit();
    balance.setComment(u"explained"_qs);
    if (withOwner) {
        const QString added = fx.file(u"statement.txt"_qs);
        mine.AddFile(modUtility::GetUniqueFileName(added), u"new"_qs, added);
    }
    const qint64 documents = fx.documentRows();
    const QString refused =
        raised([&] { withOwner ? mine.SaveFiles([&] { balance.applyEdit(); }) : mine.SaveFiles(); });
    QVERIFY2(refused.contains(deleted ? u"was deleted by another user"_qs : u"was changed by another user"_qs),
             qPrintable(refused));
    QCOMPARE(refused.count(u"invoice.txt"_qs), 1);
    QCOMPARE(fx.rows(u"GLAccountBalance"_qs) + fx.rows(u"GLAccountBalanceAudit"_qs), 0);
    QCOMPARE(fx.documentRows(), documents);
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), deleted ? 0 : 1);
    QCOMPARE(fx.value(u"SELECT DocDesc FROM AttachedDocument"_qs).toString(), left);
    QCOMPARE(Db::scalar(fx.docs(), u"SELECT DocDesc FROM Document"_qs), document);
}

void tst_AttachedFiles::fetchFallsBackAndRefusesForeignNames()
{
    DocumentsFixture fx;
    const QString source = fx.file(u"a.pdf"_qs);
    clsAttachedfileList list = listWith(1, source);
    const QString key = list.getFiles().first().getDocPath();
    list.SaveFiles();
    QCOMPARE(DocumentFetch::locate(key, source), fx.copyOf(key));
    QFile::remove(fx.copyOf(key));
    QCOMPARE(DocumentFetch::locate(key, source), fx.copyOf(key)); // written back from the database
    QCOMPARE(fx.read(fx.copyOf(key)), fx.read(source));

    const QString unsaved = modUtility::GetUniqueFileName(source);
    QCOMPARE(DocumentFetch::locate(unsaved, source), source); // not stored yet: the picked file
    QCOMPARE(DocumentFetch::locate(unsaved, fx.seams.path(u"gone.pdf"_qs)), QString());
    QVERIFY(raised([&] { DocumentFetch::locate(u"../../main.db"_qs, source); }).contains(u"not valid"_qs));
    // The database unreachable: the picked file stands in; without it the failure is told.
    QFile::remove(fx.copyOf(key));
    if (TestDb::onServer())
        fx.useDocuments(TestDb::serverName(u"nowhere"_qs));
    else
        QVERIFY(QFile::rename(fx.docsPath, fx.docsPath + u".away"_qs));
    QCOMPARE(DocumentFetch::locate(key, source), source);
    // A server database that is not there is told so, not taken for a database of another kind.
    QVERIFY(raised([&] { DocumentFetch::locate(key, QString()); })
                .contains(TestDb::onServer() ? u"Could not connect to the database nowhere on "_qs : u"Could not find file"_qs));
}

void tst_AttachedFiles::writeWholeLeavesOldFileOnFailure()
{
    DocumentsFixture fx;
    const QString target = TestDb::textFile(fx.seams.folder(), u"old.txt"_qs, "old contents");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    const QString error = raised([&] { DocumentFiles::writeWhole(target, QByteArray(5000, 'x')); });
    setrlimit(RLIMIT_FSIZE, &saved);
    QVERIFY2(error.contains(u"could not be written"_qs), qPrintable(error));
    QCOMPARE(fx.read(target), QByteArray("old contents"));
    QCOMPARE(QDir(fx.seams.folder()).entryList({u"old.txt*"_qs}, QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(raised([&] { DocumentFiles::copyWhole(target, target); }).contains(u"onto itself"_qs));
    const QString pipe = fx.seams.path(u"pipe"_qs);
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(DocumentFiles::targetProblem(target, pipe).endsWith(specialFileReason() + u'.'));
}

void tst_AttachedFiles::foreignFileIsRefusedUntouched_data()
{
    QTest::addColumn<QByteArray>("content"); // "main" for the main database itself
    QTest::newRow("zero-byte file") << QByteArray();
    QTest::newRow("text file") << QByteArray("Account,Amount\n1010,5\n");
    QTest::newRow("another program's database in WAL mode") << QByteArray("wal");
    QTest::newRow("the main database") << QByteArray("main");
}

// Every way in (the check of the login and the administration dialog, reading a document,
// storing one) refuses it in the same words and leaves it as it was, with nothing new beside it.
void tst_AttachedFiles::foreignFileIsRefusedUntouched()
{
    QFETCH(QByteArray, content);
    const bool main = content == "main";
    if (TestDb::onServer() && !main)
        QSKIP("a file is not a server database");
    DocumentsFixture fx;
    Global::getFirstFieldValue(u"SELECT count(*) FROM Users"_qs); // in use, as after the login
    const QString path = main ? Global::mainDatabasePath
                              : TestDb::textFile(fx.seams.folder(), u"x.db"_qs, content == "wal" ? "" : content);
    if (content == "wal")
        FileLocks::runOtherProgram(path, u"PRAGMA journal_mode = WAL; CREATE TABLE Ledger (Account TEXT);"_qs);
    const QByteArray before = fx.read(path);
    const QString source = fx.file(u"a.pdf"_qs);
    const QStringList listing = QDir(fx.seams.folder()).entryList(QDir::Files | QDir::Hidden);
    fx.useDocuments(path);

    QVERIFY(!DocumentsLocation::isDocumentsDatabase(path));
    const QString refused = u"'%1' is not a valid Corvantis documents database"_qs.arg(path);
    QVERIFY(raised([] { DocumentsDatabase::connection(); }).contains(refused));
    clsAttachedfileList list = listWith(2, source, u"01/31/2024"_qs);
    QVERIFY(raised([&] { list.SaveFiles(); }).contains(refused));
    QCOMPARE(QDir(fx.seams.folder()).entryList(QDir::Files | QDir::Hidden), listing);
    QVERIFY(main || (!Db::isConnectedFile(path) && fx.read(path) == before));
}

QTEST_GUILESS_MAIN(tst_AttachedFiles)
#include "tst_attachedfiles.moc"
