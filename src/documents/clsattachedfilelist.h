#pragma once

#include "clsattachedfile.h"

#include <QList>
#include <QString>
#include <functional>

// The attachments of one owner: an amortizable item (kind 0), a reconciling item (kind 1) or an
// account for the documents valid at a date (kind 2). Adding and editing change memory until
// SaveFiles; deleting removes the main database's row at once.
class clsAttachedfileList
{
public:
    qint32 getAccountId() const { return m_accountId; }
    void setAccountId(qint32 id, const QString& number = {})
    {
        m_accountId = id;
        m_accountNumber = number;
    }
    qint32 getRecItemId() const { return m_recItemId; }
    void setRecItemId(qint32 id) { m_recItemId = id; }
    const QList<clsAttachedFile>& getFiles() const { return m_files; }
    qint32 getItemType() const { return m_itemType; }
    void setItemType(qint32 kind) { m_itemType = kind; }
    bool getIsDirty() const { return m_isDirty; }
    void setIsDirty(bool dirty) { m_isDirty = dirty; }
    // For kind 2: the date ("mm/dd/yyyy") at which the listed account documents are valid.
    const QString& getDocCheckDate() const { return m_docCheckDate; }
    void setDocCheckDate(const QString& date) { m_docCheckDate = date; }

    // Sets the dates of every attachment, changed or not, without marking anything changed.
    void UpdateOpenCloseDates(const QString& openDate, const QString& closeDate);
    void AddFile(const QString& docPath, const QString& docDesc, const QString& fileSource,
                 const QString& openDate = {}, const QString& closeDate = {});
    // Changes the first attachment stored under docPath; nothing when there is none.
    void EditFile(const QString& docPath, const QString& docDesc, const QString& openDate = {},
                  const QString& closeDate = {});
    // Deletes the main database's row of the first attachment stored under docPath at once and
    // drops it from the list; its contents and folder copy stay. Nothing when there is none.
    void DeleteFile(const QString& docPath);
    // When the list changed, stores every changed attachment, in one transaction of the main
    // database with the owner's own store when one is given (run first in it): all of it is
    // stored, or, when any part fails or is refused, nothing, and the contents already written to
    // the documents database are removed again. New documents' contents are stored before the
    // main database is written, so that no row names contents that are not there. The first
    // failure raises; the list is then as it was, so the save can be retried.
    void SaveFiles(const std::function<void()>& ownerStore = {});
    // Appends the owner's attachments from the main database, in one query.
    void initialize();

private:
    qsizetype indexOf(const QString& docPath) const;

    qint32 m_accountId = 0;
    QString m_accountNumber;
    qint32 m_recItemId = -1;
    QList<clsAttachedFile> m_files;
    qint32 m_itemType = 0;
    bool m_isDirty = false;
    QString m_docCheckDate;
};
