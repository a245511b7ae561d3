#pragma once

#include "referencelists.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>

namespace Db {
class Transaction;
}
namespace Persistence {
struct Conflict;
}

// One general-ledger account of the chart of accounts, stored in table GLAccount with its audit
// twin GLAccountAudit. Balances, reconciling items and prepaid items refer to it by its id.
class GLAccount
{
public:
    GLAccount();
    GLAccount(const GLAccount& other);
    GLAccount& operator=(const GLAccount& other);
    GLAccount(GLAccount&& other) noexcept;
    GLAccount& operator=(GLAccount&& other) noexcept;
    ~GLAccount();

    void initialize(const QString& id, const QString& number, const QString& name, const QString& comment,
                    const QString& policy, const QString& accountTypeCode, const QString& recTypeCode,
                    const QString& keyControl, const QString& active, const QString& erpNumber,
                    const QString& createUser, const QString& createDate);

    const QString& getID() const { return m_f.id; }
    bool isNew() const { return m_f.id.isEmpty(); }
    const QString& getNumber() const { return m_f.number; }
    void setNumber(const QString& number) { m_f.number = number; }
    const QString& getName() const { return m_f.name; }
    void setName(const QString& name) { m_f.name = name; }
    const QString& getComment() const { return m_f.comment; }
    void setComment(const QString& comment) { m_f.comment = comment; }
    const QString& getPolicy() const { return m_f.policy; }
    void setPolicy(const QString& policy) { m_f.policy = policy; }
    const GLAccountType& getAccountType() const { return m_f.accountType; }
    void setAccountTypeCode(const QString& code);
    const RecType& getRecType() const { return m_f.recType; }
    void setRecTypeCode(const QString& code);
    // "Yes" or "No"; an empty value reads (and becomes) "Yes".
    QString getKeyControl();
    QString getKeyControl() const;
    void setKeyControl(const QString& value) { m_f.keyControl = value; }
    QString getActive();
    QString getActive() const;
    void setActive(const QString& value) { m_f.active = value; }
    const ERPNumber& getERPNumber() const { return m_f.erpNumber; }
    void SetERPNumber(const QString& code);
    const QString& getCreateUser() const { return m_f.createUser; }
    const QString& getCreateDate() const { return m_f.createDate; }

    bool equals(const GLAccount& other) const;

    // Reads the account with that id; the empty id reads the account selected in the
    // administration grid. Without a row nothing changes.
    void Load(const QString& id);
    // Inserts or updates the row with its audit row, in one transaction. A new number (a new
    // account's, or one changed to another by the same-name rule) is checked in that transaction,
    // while no other store can add it: one another account has raises
    // "GLAccount:AccountNumberNotUnique". Raises when the row is gone; on failure the object is as
    // it was before.
    void store();
    // Deletes the row with its "DELETE" audit row; raises (and writes nothing) when it is gone, or
    // when another user changed it since it was loaded.
    void remove();
    void beginEdit();
    void cancelEdit();
    void applyEdit();
    bool isEditing() const { return m_editing; }

    // Shows what is missing and returns false; raises "GLAccount:AccountNumberNotUnique" for a
    // number another account has.
    bool validate();
    bool isValid() const;
    bool isNumberUnique() const;

    // The row's columns in the order they are read and written.
    // `alias` qualifies each column ("a" gives "a.glAcctID, a.glacctnbr, ...").
    static QString selectColumns(const QString& alias = {});
    // The key-control and active flags: an empty one reads "Yes". The SQL form gives the same text
    // for a column, so the set-based filters and the objects agree.
    static QString flagText(const QString& stored);
    static QString flagSql(const QString& column);
    // For a store that writes into accounts (their balances, items and documents), inside its
    // transaction: which of the accounts `ids` are stored, each held until the transaction ends so
    // that no other user deletes it meanwhile; one statement per BatchRows accounts.
    static QSet<qint64> holdStored(const class QSqlDatabase& db, const QList<qint64>& ids);
    // Holds the account with that id (as stored; NULL for none: nothing to hold) as holdStored
    // does; when it is gone, raises DeletedMeanwhile ("Account 1150 was deleted by Robin Chen at
    // 09:48 ..."), naming it by `number`, and nothing may be stored.
    static void requireStored(const class QSqlDatabase& db, const QVariant& id, const QString& number);
    // For a store made under this account as loaded (its reconciliation), inside its transaction:
    // holds the account as requireStored does, and raises ChangedMeanwhile ("Account 1150 was
    // changed by Robin Chen at 09:48 ...") when its reconciliation type is no longer the one loaded.
    void requireAsLoaded(const class QSqlDatabase& db) const;
    // Reads the account that a list showed under `number`, as Load does; when it is gone, raises
    // DeletedMeanwhile: "Account 1150 was deleted by Robin Chen at 09:48."
    void loadListed(const QString& id, const QString& number);
    // Builds the account from a row of selectColumns() without reading the lookup tables again.
    void readRow(const class QSqlQuery& q, const RecTypeList& recTypes, const ERPNumberList& erpNumbers);

private:
    // Who deleted the account with that number and when ("Robin Chen at 09:48"), as its audit
    // rows tell; empty when they do not.
    static QString deletedBy(const class QSqlDatabase& db, const QString& number);
    void requireNumberFree(const Db::Transaction& tx) const;
    QVariantList columnValues() const;
    QVariantList auditValues() const;
    // How a refused store or removal names the account: by its number as loaded.
    Persistence::Conflict conflict() const;

    // What the account holds and stores: copied as one, and put back as one when a store fails.
    struct Fields
    {
        QString id;
        QString number;
        QString name;
        QString comment;
        QString policy;
        GLAccountType accountType;
        RecType recType;
        QString keyControl;
        QString active;
        ERPNumber erpNumber;
        QString createUser;
        QString createDate;
        // The row's columns as last read or stored: an update writes only while the row holds them.
        QVariantList loaded;
    };
    Fields m_f;
    bool m_editing = false;
    std::unique_ptr<GLAccount> m_copy;
};

// Its members (texts, value objects, an owning pointer) move as plain bytes, so that a list of
// thousands grows without copying each account.
Q_DECLARE_TYPEINFO(GLAccount, Q_RELOCATABLE_TYPE);

// Every account, in account-number order, read in one query. Members are found by number with
// letter case ignored; two stored numbers that differ only in case are both kept (the first is the
// one found), so that such a chart still loads.
class GLAccountList
{
public:
    GLAccountList(); // loads
    qsizetype count() const { return m_accounts.size(); }
    const GLAccount& at(qsizetype index) const { return m_accounts.at(index); }
    // The account with that number (letter case ignored), or nullptr.
    const GLAccount* find(const QString& number) const;
    bool exists(const QString& number) const { return find(number) != nullptr; }
    void add(const GLAccount& account);
    QList<GLAccount>::const_iterator begin() const { return m_accounts.cbegin(); }
    QList<GLAccount>::const_iterator end() const { return m_accounts.cend(); }

private:
    void index(qsizetype position) const;
    QList<GLAccount> m_accounts;
    mutable QHash<QString, qsizetype> m_byNumber; // case-folded number -> position of its first account
    mutable bool m_indexed = false;
};
