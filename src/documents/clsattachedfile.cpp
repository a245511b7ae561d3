#include "clsattachedfile.h"

#include "apperror.h"
#include "clock.h"
#include "daterules.h"
#include "db.h"
#include "documentfiles.h"
#include "documentsdatabase.h"
#include "documentslocation.h"
#include "glaccount.h"
#include "global.h"
#include "modutility.h"
#include "persistence.h"
#include "sessionrights.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

const QString Source = QStringLiteral("clsAttachedFile");

QVariant today()
{
    return DateRules::toDb(Clock::instance().today());
}

// The columns of an attachment's row that the user sees: an edit and a removal find them
// unchanged. The table keeps no audit twin.
const QStringList Shown = {QStringLiteral("DocDesc"), QStringLiteral("FileSource"), QStringLiteral("OpenDate"),
                           QStringLiteral("CloseDate")};
const qsizetype ShownFileSource = Shown.indexOf(QStringLiteral("FileSource"));
const Persistence::StoredTable ShownRow(Persistence::StoredTable::NoAudit{}, QStringLiteral("AttachedDocument"),
                                        Shown, QStringLiteral("DocPath = ?"));

} // namespace

WrittenContents::~WrittenContents()
{
    for (const Written& w : std::as_const(m_written))
        remove(w);
}

void WrittenContents::add(const Written& written)
{
    if (!written.database.isEmpty() || !written.copy.isEmpty())
        m_written.append(written);
}

void WrittenContents::removeOutside(const QString& database)
{
    for (qsizetype i = m_written.size() - 1; i >= 0; --i) {
        Written& w = m_written[i];
        if (w.database.isEmpty() || w.database == database)
            continue;
        // The folder copy stays: the next documents database takes its contents from it.
        remove({w.database, w.fileName, QString()});
        w.database.clear();
        if (w.copy.isEmpty())
            m_written.removeAt(i);
    }
}

void WrittenContents::remove(const Written& written)
{
    // Undoing is a courtesy to the documents database: it never hides why the save failed. A
    // row left behind (the connection lost, a role that may not delete) is named by no attachment,
    // under a name never given out again, so nothing reads it.
    if (!written.database.isEmpty() && Db::isOpen(written.database)) {
        try {
            const QSqlDatabase db = Db::open(written.database);
            Db::Transaction tx(db);
            Db::exec(db, QStringLiteral("DELETE FROM Document WHERE FileName = ?"), {written.fileName});
            tx.commit();
        } catch (const AppError&) {
        }
    }
    if (!written.copy.isEmpty())
        QFile::remove(written.copy);
}

void clsAttachedFile::setFileSource(const QString& path)
{
    m_fileSource = path;
    m_fileName = modUtility::GetFileNameFromPath(path);
}

WrittenContents::Written clsAttachedFile::SaveAttachedDocToDB(const QString& docName, const QString& folder)
{
    const QString copy = DocumentFiles::copyPath(folder, docName);
    const QSqlDatabase db = DocumentsDatabase::connectionForWrite();
    WrittenContents::Written written{QString(), docName, QString()};
    bool wroteCopy = false;
    try {
        Db::Transaction tx(db, QStringLiteral("attach documents"));
        // The rows the update changes tell whether the document is stored already: only then
        // are its contents left as they are.
        const qint64 found = Db::execCount(
            db,
            QStringLiteral("UPDATE Document SET OpenDate = ?, DocDesc = ?, CloseDate = ? WHERE FileName = ?"),
            {DateRules::toDb(m_openDate), Db::text(m_docDesc), DateRules::toDb(m_closeDate), docName});
        // A copy already in the folder is the document as first stored; otherwise the picked file
        // is read, and its copy written from the same bytes.
        const bool haveCopy = QFileInfo(copy).isFile();
        const QString from = haveCopy ? copy : m_fileSource;
        // An attachment stored long ago whose contents are nowhere any more keeps its row: its
        // description and dates may still change.
        const bool lost =
            found == 0 && !haveCopy && !DocumentFiles::sourceProblem(from).isEmpty() && isDocumentInDB();
        if (found == 0 && !lost) {
            // The contents go into the row piece by piece, and into the folder copy from the same
            // pieces: a large file is never held in memory whole.
            const qint64 size = DocumentFiles::checkedSize(from, Db::largestValue(db));
            Db::exec(db,
                     QStringLiteral("INSERT INTO Document (FileName, CreateDate, CreateUser, OpenDate, DocDesc, "
                                    "CloseDate) VALUES (?, ?, ?, ?, ?, ?)"),
                     {docName, today(), Db::text(Global::loginName()), DateRules::toDb(m_openDate),
                      Db::text(m_docDesc), DateRules::toDb(m_closeDate)});
            Db::ValueWriter content = DocumentsDatabase::contentWriter(tx, docName, size);
            std::optional<DocumentFiles::Writer> copyOut;
            if (!haveCopy)
                copyOut.emplace(copy);
            DocumentFiles::readPieces(from, size, [&](const char* data, qint64 n) {
                content.write(data, n);
                if (copyOut)
                    copyOut->write(data, n);
            });
            content.finish();
            if (copyOut) {
                copyOut->commit();
                wroteCopy = true;
            }
            written.database = Global::docDBPath;
        }
        tx.commit();
    } catch (...) {
        // A copy whose contents never reached the database would be taken for the stored document.
        if (wroteCopy)
            QFile::remove(copy);
        throw;
    }
    if (wroteCopy)
        written.copy = copy;
    return written;
}

WrittenContents::Written clsAttachedFile::CopyAndSaveAttachFile()
{
    if (!m_isChanged)
        return {};
    return SaveAttachedDocToDB(m_docPath, Global::getAttachedDocFolder());
}

void clsAttachedFile::Save(int kind, qint32 accountId, qint32 itemId, const QString& accountNumber,
                           WrittenContents* written)
{
    if (!m_isChanged)
        return;
    if (kind < 0 || kind > 2)
        throw AppError(AppError::ObjectError1001, Source + QStringLiteral(".Save"),
                       QStringLiteral("Documents cannot be attached to owners of kind %1.").arg(kind));
    // An item's document stored without the item's id would be listed as one of the account's.
    if (kind != 2 && itemId < 1)
        throw AppError(AppError::ObjectError1001, Source + QStringLiteral(".Save"),
                       QStringLiteral("The item must be stored before its documents are."));
    Persistence::RestoreOnFailure keep(m_foundInDB);
    WrittenContents mine; // what this save wrote, when no caller keeps account of it
    WrittenContents& added = written ? *written : mine;
    try {
        if (m_loaded.isEmpty()) {
            // No row of the main database without its contents: they are stored first. When an
            // administrator names another documents database in between, they are stored again
            // there, and go from the one named before.
            for (int attempt = 1; ; ++attempt) {
                added.add(CopyAndSaveAttachFile());
                if (storeRow(kind, accountId, itemId, accountNumber) == RowStore::Stored) {
                    added.removeOutside(Global::docDBPath);
                    break;
                }
                if (attempt == 2)
                    throw AppError(AppError::DatabaseError, Source + QStringLiteral(".Save"),
                                   QStringLiteral("The documents database was changed while the document was being "
                                                  "saved, so nothing was saved. Please try again."));
            }
        } else {
            // A stored attachment is edited only while its row holds what was loaded: a refused
            // edit writes nothing, the documents database included.
            storeRow(kind, accountId, itemId, accountNumber);
            added.add(CopyAndSaveAttachFile());
        }
    } catch (const AppError& e) {
        raiseNotSaved(e);
    }
    keep.release();
    if (!written)
        mine.keep();
}

void clsAttachedFile::SaveContents(WrittenContents& written)
{
    try {
        written.add(CopyAndSaveAttachFile());
    } catch (const AppError& e) {
        raiseNotSaved(e);
    }
}

void clsAttachedFile::raiseNotSaved(const AppError& e) const
{
    // The user learns which of the attachments was not saved; a refusal that names it already
    // is not told twice.
    if (e.description().startsWith(conflict().subject))
        throw e;
    throw AppError(e.number(), e.source(),
                   QStringLiteral("The document \"%1\" was not saved. %2").arg(m_fileName, e.description()))
        .withDetails(e.details())
        .withRetry(e.retry());
}

clsAttachedFile::RowStore clsAttachedFile::storeRow(int kind, qint32 accountId, qint32 itemId,
                                                    const QString& accountNumber)
{
    // The table keeps no audit twin.
    static const Persistence::StoredTable table(
        QStringLiteral("AttachedDocument"),
        {QStringLiteral("GLAcctId"), QStringLiteral("RecItemId"), QStringLiteral("AmortizableItemId"),
         QStringLiteral("DocPath"), QStringLiteral("DocDesc"), QStringLiteral("FileSource"),
         QStringLiteral("OpenDate"), QStringLiteral("CloseDate"), QStringLiteral("CreateDate"),
         QStringLiteral("CreateUser")},
        QStringLiteral("DocPath = ?"));
    const QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("attach documents"));
    if (!m_loaded.isEmpty()) {
        // The description and dates, while the row holds what this user loaded or last saved;
        // the picked path stays as it was.
        Persistence::Row row(ShownRow, {Db::text(m_docDesc), m_loaded.value(ShownFileSource),
                                        DateRules::toDb(m_openDate), DateRules::toDb(m_closeDate)});
        row.keyValues = {m_docPath};
        row.loaded = m_loaded;
        row.conflict = conflict();
        Persistence::storeRow(tx, false, row);
        m_foundInDB = true;
    } else {
        // The row is stored only beside the name of the documents database that holds the contents.
        if (DocumentsLocation::inUse(tx) != Global::docDBPath)
            return RowStore::DocumentsDatabaseChanged;
        // The picked path, the owner and the creation columns are written once, by the insert.
        const qint64 found = Db::execCount(
            db,
            QStringLiteral("UPDATE AttachedDocument SET OpenDate = ?, DocDesc = ?, CloseDate = ? WHERE DocPath = ?"),
            {DateRules::toDb(m_openDate), Db::text(m_docDesc), DateRules::toDb(m_closeDate), m_docPath});
        m_foundInDB = found > 0;
    }
    if (!m_foundInDB) {
        GLAccount::requireStored(db, accountId > 0 ? QVariant(accountId) : QVariant(), accountNumber);
        const qint32 none = -2;
        Persistence::Row row(table,
                             {accountId, kind == 1 ? itemId : none, kind == 0 ? itemId : none, m_docPath,
                              Db::text(m_docDesc), Db::text(m_fileSource), DateRules::toDb(m_openDate),
                              DateRules::toDb(m_closeDate), today(), Db::text(Global::loginName())});
        row.audited = false;
        Persistence::storeRow(tx, true, row);
    }
    // What this user now knows the row to hold, read while his write holds it.
    QSqlQuery q = Db::exec(db,
                           QStringLiteral("SELECT %1 FROM AttachedDocument WHERE DocPath = ?")
                               .arg(Shown.join(QStringLiteral(", "))),
                           {m_docPath});
    QVariantList stored;
    if (q.next())
        stored = Persistence::loadedValues(q, 0, int(Shown.size()));
    tx.commit();
    m_loaded = stored;
    return RowStore::Stored;
}

void clsAttachedFile::removeRow() const
{
    const QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("remove attached documents"));
    // Asked first: a row gone already is no refusal, a user gone is.
    SessionRights::require(db, SessionRights::Right::StillAUser);
    if (m_loaded.isEmpty()) {
        Db::exec(db, QStringLiteral("DELETE FROM AttachedDocument WHERE DocPath = ?"), {m_docPath});
    } else {
        Persistence::Row row(ShownRow, m_loaded);
        row.keyValues = {m_docPath};
        row.loaded = m_loaded;
        row.conflict = conflict();
        try {
            Persistence::removeRow(tx, row);
        } catch (const AppError& e) {
            if (e.number() != AppError::DeletedMeanwhile)
                throw;
        }
    }
    tx.commit();
}

Persistence::Conflict clsAttachedFile::conflict() const
{
    return {QStringLiteral("The document \"%1\"").arg(m_fileName.isEmpty() ? m_docPath : m_fileName),
            QStringLiteral("the list of documents")};
}

bool clsAttachedFile::isDocumentInDB() const
{
    return Db::scalar(Global::getConnection(),
                      QStringLiteral("SELECT 1 FROM AttachedDocument WHERE DocPath = ?"), {m_docPath})
        .isValid();
}
