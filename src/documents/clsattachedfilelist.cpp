#include "clsattachedfilelist.h"

#include "apperror.h"
#include "daterules.h"
#include "db.h"
#include "global.h"
#include "clsattachedfile.h"
#include "persistence.h"

namespace {

const QString Columns = QStringLiteral("DocPath, DocDesc, FileSource, OpenDate, CloseDate");

} // namespace

void clsAttachedfileList::UpdateOpenCloseDates(const QString& openDate, const QString& closeDate)
{
    for (clsAttachedFile& file : m_files) {
        file.setOpenDate(openDate);
        file.setCloseDate(closeDate);
    }
}

void clsAttachedfileList::AddFile(const QString& docPath, const QString& docDesc, const QString& fileSource,
                                  const QString& openDate, const QString& closeDate)
{
    clsAttachedFile file;
    file.setDocPath(docPath);
    file.setDocDesc(docDesc);
    file.setFileSource(fileSource);
    file.setOpenDate(openDate);
    file.setCloseDate(closeDate);
    file.setIsChanged(true);
    m_files.append(file);
    m_isDirty = true;
}

void clsAttachedfileList::EditFile(const QString& docPath, const QString& docDesc, const QString& openDate,
                                   const QString& closeDate)
{
    const qsizetype i = indexOf(docPath);
    if (i < 0)
        return;
    clsAttachedFile& file = m_files[i];
    file.setDocDesc(docDesc);
    file.setOpenDate(openDate);
    file.setCloseDate(closeDate);
    file.setIsChanged(true);
    m_isDirty = true;
}

void clsAttachedfileList::DeleteFile(const QString& docPath)
{
    const qsizetype i = indexOf(docPath);
    if (i < 0)
        return;
    m_files.at(i).removeRow();
    m_files.removeAt(i);
    m_isDirty = true;
}

void clsAttachedfileList::SaveFiles(const std::function<void()>& ownerStore)
{
    if (!m_isDirty && !ownerStore)
        return;
    WrittenContents written; // declared first: removed only once the main database rolled back
    // The attachments as they were, put back when the save fails; a copy of its own, so that the
    // list's attachments stay where callers hold them.
    QList<clsAttachedFile> before = m_files;
    before.detach();
    struct PutBack
    {
        QList<clsAttachedFile>& files;
        QList<clsAttachedFile>& before;
        bool done = false;
        ~PutBack()
        {
            if (!done)
                files = std::move(before);
        }
    } keep{m_files, before};
    // The new documents' contents go first, each in the documents database's own transaction,
    // before the main database is locked for the rows.
    if (m_isDirty)
        for (clsAttachedFile& file : m_files)
            if (file.isNewAttachment())
                file.SaveContents(written);
    {
        // The owner's store tells what it does when a role may not do it.
        Db::Transaction tx(Global::getConnection(),
                           ownerStore ? QString() : QStringLiteral("attach documents"));
        if (ownerStore)
            ownerStore();
        if (m_isDirty) {
            const auto save = [&](clsAttachedFile& file) {
                file.Save(m_itemType, m_accountId, m_recItemId, m_accountNumber, &written);
            };
            // The edited ones first: their guards are what another user may have changed.
            for (clsAttachedFile& file : m_files)
                if (file.getIsChanged() && !file.isNewAttachment())
                    save(file);
            for (clsAttachedFile& file : m_files)
                if (file.isNewAttachment())
                    save(file);
        }
        tx.commit();
    }
    keep.done = true;
    written.keep();
}

void clsAttachedfileList::initialize()
{
    QString sql = QStringLiteral("SELECT %1 FROM AttachedDocument WHERE GLAcctId = ? AND ").arg(Columns);
    QVariantList values{m_accountId};
    switch (m_itemType) {
    case 0:
        sql += QStringLiteral("AmortizableItemId = ?");
        values << m_recItemId;
        break;
    case 1:
        sql += QStringLiteral("RecItemId = ?");
        values << m_recItemId;
        break;
    case 2: {
        // Valid at the date: opened on or before it and not closed at it.
        const QVariant date = DateRules::toDb(m_docCheckDate);
        sql += QStringLiteral("RecItemId < 0 AND AmortizableItemId < 0 AND OpenDate <= ? AND "
                              "(CloseDate IS NULL OR CloseDate > ?)");
        values << date << date;
        break;
    }
    default:
        throw AppError(AppError::ObjectError1001, QStringLiteral("clsAttachedfileList.initialize"),
                       QStringLiteral("Documents cannot be attached to owners of kind %1.").arg(m_itemType));
    }
    QSqlQuery q = Global::openRecordset(sql, values);
    while (q.next()) {
        clsAttachedFile file;
        file.setDocPath(Db::textOf(q.value(0)));
        file.setDocDesc(Db::textOf(q.value(1)));
        file.setFileSource(Db::textOf(q.value(2)));
        file.setOpenDate(DateRules::fromDb(q.value(3)));
        file.setCloseDate(DateRules::fromDb(q.value(4)));
        file.setLoaded(Persistence::loadedValues(q, 1, 4));
        m_files.append(file);
    }
}

qsizetype clsAttachedfileList::indexOf(const QString& docPath) const
{
    // An attachment always has a stored name: an empty one matches nothing.
    if (docPath.isEmpty())
        return -1;
    for (qsizetype i = 0; i < m_files.size(); ++i)
        if (m_files.at(i).getDocPath() == docPath)
            return i;
    return -1;
}
