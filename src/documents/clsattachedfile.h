#pragma once

#include <QString>
#include <QVariantList>

namespace Persistence {
struct Conflict;
}

// One attached document as held in memory: its stored name (the key everywhere), description,
// the path the user picked and the dates it is valid between.
class clsAttachedFile
{
public:
    const QString& getDocDesc() const { return m_docDesc; }
    void setDocDesc(const QString& desc) { m_docDesc = desc; }
    const QString& getDocPath() const { return m_docPath; }
    void setDocPath(const QString& docPath) { m_docPath = docPath; }
    // The file-name part of the picked path; follows setFileSource.
    const QString& getFileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    // "mm/dd/yyyy" or "" for none.
    const QString& getOpenDate() const { return m_openDate; }
    void setOpenDate(const QString& date) { m_openDate = date; }
    const QString& getCloseDate() const { return m_closeDate; }
    void setCloseDate(const QString& date) { m_closeDate = date; }
    // Added or edited since it was loaded.
    bool getIsChanged() const { return m_isChanged; }
    void setIsChanged(bool changed) { m_isChanged = changed; }
    const QString& getFileSource() const { return m_fileSource; }
    void setFileSource(const QString& path);

    // Stores the document in the documents database under docName, in one transaction: when it is
    // not there yet, the picked file's contents with every column, and its copy in folder when that
    // copy is missing; when it is, only its description and dates. Raises AppError; then nothing of
    // it is left written.
    void SaveAttachedDocToDB(const QString& docName, const QString& folder);
    // The documents database and the folder copy for this attachment (the documents folder).
    void CopyAndSaveAttachFile();
    // Stores a changed attachment of the owner: a new one's contents first, then the main
    // database's row (inserted, or updated when it exists), only while the account is there
    // (`accountNumber` names it when it is not). A row loaded or saved before is updated only
    // while it holds that, and before the documents database is written: raises ChangedMeanwhile
    // or DeletedMeanwhile, writing nothing, when another user changed or deleted it since. Raises
    // AppError; a retry of a failed save works.
    void Save(int kind, qint32 accountId, qint32 itemId, const QString& accountNumber = {});
    // Whether the main database holds a row for this attachment's stored name.
    bool isDocumentInDB() const;
    // The row's description, picked path, open and close date as read from AttachedDocument (as
    // stored); set again by each save, empty while never stored.
    void setLoaded(const QVariantList& values) { m_loaded = values; }
    // Deletes the attachment's row of the main database (its Document row and copy stay). A row
    // loaded or saved goes only while it holds that: raises ChangedMeanwhile, deleting nothing,
    // when another user changed it since. A row already gone is no error.
    void removeRow() const;

private:
    // False, with nothing stored, when a new attachment's contents were just stored in another
    // documents database than the one the main database names now.
    bool storeRow(int kind, qint32 accountId, qint32 itemId, const QString& accountNumber);
    // How a refused edit or removal names the attachment.
    Persistence::Conflict conflict() const;

    QString m_docDesc;
    QString m_docPath;
    QString m_fileName;
    QString m_openDate;
    QString m_closeDate;
    bool m_isChanged = false;
    QString m_fileSource;
    bool m_foundInDB = false; // a row with this stored name existed at the last save
    QVariantList m_loaded;
};
