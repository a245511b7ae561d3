#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <memory>

// The account types, fixed in the program. Only "A" (Asset) and "X" (Expense) are debit types.
class GLAccountType
{
public:
    GLAccountType() : m_code(QStringLiteral("N")), m_name(QStringLiteral("Null")) {} // the null type
    GLAccountType(QString code, QString name) : m_code(std::move(code)), m_name(std::move(name)) {}

    const QString& getCode() const { return m_code; }
    const QString& getName() const { return m_name; }
    bool isDebit() const { return isDebitCode(m_code); }
    // The one rule for the debit side: "A" and "X", the codes compared exactly.
    static bool isDebitCode(const QString& code) { return code == QStringLiteral("A") || code == QStringLiteral("X"); }
    bool isCredit() const { return !isDebit(); }
    bool isNull() const { return m_code == QStringLiteral("N"); }
    bool equals(const GLAccountType& other) const { return m_code == other.m_code && m_name == other.m_name; }

private:
    QString m_code;
    QString m_name;
};

class GLAccountTypeList
{
public:
    GLAccountTypeList();
    qsizetype count() const { return m_types.size(); }
    // The type of the code, letter case ignored; the null type for any other code.
    GLAccountType getGLAccountType(const QString& code) const;
    // The member at a position counted from 1 (a combo box's index plus 1); raises outside 1 to count.
    const GLAccountType& getGLAccountTypeAt(qsizetype position) const;
    static GLAccountType getNull() { return GLAccountType(); }
    QList<GLAccountType>::const_iterator begin() const { return m_types.cbegin(); }
    QList<GLAccountType>::const_iterator end() const { return m_types.cend(); }

private:
    QList<GLAccountType> m_types;
};

// A reconciliation type, one row of table ReconciliationType; the null type has code "N".
class RecType
{
public:
    RecType() : m_code(QStringLiteral("N")), m_name(QStringLiteral("Null")) {}
    RecType(QString code, QString name, QString help)
        : m_code(std::move(code)), m_name(std::move(name)), m_help(std::move(help))
    {
    }
    const QString& getCode() const { return m_code; }
    const QString& getName() const { return m_name; }
    const QString& getHelp() const { return m_help; }
    bool isNull() const { return m_code == QStringLiteral("N"); }
    bool equals(const RecType& other) const
    {
        return m_code == other.m_code && m_name == other.m_name && m_help == other.m_help;
    }

private:
    QString m_code;
    QString m_name;
    QString m_help;
};

// An ERP (consolidation) account number, one row of table ERPNumbers; the null one is "N".
class ERPNumber
{
public:
    ERPNumber() : m_number(QStringLiteral("N")), m_description(QStringLiteral("Null")) {}
    ERPNumber(QString number, QString description) : m_number(std::move(number)), m_description(std::move(description)) {}
    const QString& getERPNumber() const { return m_number; }
    const QString& getERPNumberDesc() const { return m_description; }
    bool isNull() const { return m_number == QStringLiteral("N"); }
    bool equals(const ERPNumber& other) const
    {
        return m_number == other.m_number && m_description == other.m_description;
    }

private:
    QString m_number;
    QString m_description;
};

// The lookup tables are never written by the program: each is read once per connection, and
// reload() makes the next list read them again (after the administration dialogs change them).
class RecTypeList
{
public:
    RecTypeList();
    explicit RecTypeList(const QSqlDatabase& db);
    qsizetype count() const { return m_types->size(); }
    // The type of the code, letter case ignored; the null type for a code not in the table.
    RecType getRecType(const QString& code) const;
    // The member at a position counted from 1; raises outside 1 to count.
    const RecType& getRecTypeAt(qsizetype position) const;
    static RecType getNull() { return RecType(); }
    QList<RecType>::const_iterator begin() const { return m_types->cbegin(); }
    QList<RecType>::const_iterator end() const { return m_types->cend(); }
    static void reload();

private:
    std::shared_ptr<const QList<RecType>> m_types;
};

class ERPNumberList
{
public:
    ERPNumberList();
    explicit ERPNumberList(const QSqlDatabase& db);
    qsizetype count() const { return m_numbers->size(); }
    // The ERP number of the code, letter case ignored; the null one for the empty code or "N".
    // A code not in the table is kept as it is (with no description), so that an account
    // holding it writes it back unchanged.
    ERPNumber getERPNumber(const QString& code) const;
    // The member at a position counted from 1; raises outside 1 to count.
    const ERPNumber& getERPNumberAt(qsizetype position) const;
    static ERPNumber getNull() { return ERPNumber(); }
    QList<ERPNumber>::const_iterator begin() const { return m_numbers->cbegin(); }
    QList<ERPNumber>::const_iterator end() const { return m_numbers->cend(); }
    static void reload();

private:
    std::shared_ptr<const QList<ERPNumber>> m_numbers;
};

// The help text for a pair of account type and reconciliation type.
class GLAccountClassification
{
public:
    const QString& getHelp() const { return m_help; }
    void Load(const QString& accountTypeCode, const QString& recTypeCode);

private:
    QString m_help;
};

namespace ReferenceLists {
// The key a cache of one connection's rows is kept under: the connection's name and its driver,
// since a name can be reused by a later connection.
QString cacheKey(const QSqlDatabase& db);
} // namespace ReferenceLists
