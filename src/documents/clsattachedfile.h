#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

class AppError;
namespace Persistence {
struct Conflict;
}

// The contents a save of attachments wrote (a Document row it added, a folder copy it made): when
// the save fails or is refused, they are removed again, so that no contents are left that no
// attachment names. A save that succeeds keeps them.
class WrittenContents
{
public:
    WrittenContents() = default;
    ~WrittenContents(); // removes what was not kept
    WrittenContents(const WrittenContents&) = delete;
    WrittenContents& operator=(const WrittenContents&) = delete;

    struct Written
    {
        QString database; // the documents database the row was added to; "" when none was added
        QString fileName;
        QString copy;     // the folder copy made; "" when none was made
    };
    void add(const Written& written);
    // Removes at once what went into another documents database than this one.
    void removeOutside(const QString& database);
    void keep() { m_written.clear(); }

private:
    static void remove(const Written& written);
    QList<Written> m_written;
};

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
    // it is left written. Returns what it added (nothing for a document stored before).
    WrittenContents::Written SaveAttachedDocToDB(const QString& docName, const QString& folder);
    // The documents database and the folder copy for this attachment (the documents folder).
    WrittenContents::Written CopyAndSaveAttachFile();
    // A new attachment whose contents are not stored yet.
    bool isNewAttachment() const { return m_isChanged && m_loaded.isEmpty(); }
    // The first step of Save for a new attachment: its contents, added to `written`; raises as
    // Save does, naming the document.
    void SaveContents(WrittenContents& written);
    // Stores a changed attachment of the owner: a new one's contents first, then the main
    // database's row (inserted, or updated when it exists), only while the account is there
    // (`accountNumber` names it when it is not). A row loaded or saved before is updated only
    // while it holds that, and before the documents database is written: raises ChangedMeanwhile
    // or DeletedMeanwhile, writing nothing, when another user changed or deleted it since. Raises
    // AppError naming the document; then the contents it added are removed again (or, given
    // `written`, left for its owner to remove or keep), and a retry of the save works.
    void Save(int kind, qint32 accountId, qint32 itemId, const QString& accountNumber = {},
              WrittenContents* written = nullptr);
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
    enum class RowStore
    {
        Stored,
        // Nothing stored: a new attachment's contents were just stored in another documents
        // database than the one the main database names now.
        DocumentsDatabaseChanged
    };
    RowStore storeRow(int kind, qint32 accountId, qint32 itemId, const QString& accountNumber);
    // How a refused edit or removal names the attachment.
    Persistence::Conflict conflict() const;
    // The failure of a save, saying which document was not saved (once).
    [[noreturn]] void raiseNotSaved(const AppError& e) const;

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
