#pragma once

#include "db.h"
#include "global.h"
#include "recorders.h"
#include "testdb.h"

#include <QStringList>
#include <QVariantList>

// A fresh main database as the shared connection, a logged-in user, and readers of the rows left.
struct ModelFixture
{
    TestSeams seams;
    QSqlDatabase db;

    explicit ModelFixture(bool tutorial = false)
    {
        Global::mainDatabasePath =
            tutorial ? TestDb::tutorial(seams.folder()) : TestDb::emptyMain(seams.folder());
        Global::userName = QStringLiteral("preparer");
        db = Global::getConnection();
    }

    qint64 rows(const QString& table) const
    {
        return Db::scalar(db, QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    }
    // The Activity column of an audit table, oldest first.
    QStringList activities(const QString& auditTable) const
    {
        QStringList out;
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT Activity FROM %1 ORDER BY AuditId").arg(auditTable));
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    // Every account id with every period-end date of the balances, as (id, "mm/dd/yyyy").
    QList<QPair<QString, QString>> accountDates() const
    {
        QList<QPair<QString, QString>> out;
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT a.glAcctID, d.Date FROM GLAccount a CROSS JOIN "
                                                  "(SELECT DISTINCT Date FROM GLAccountBalance) d"));
        while (q.next()) {
            const QDate d = QDate::fromString(q.value(1).toString(), QStringLiteral("yyyy-MM-dd"));
            out.append({q.value(0).toString(), d.toString(QStringLiteral("MM/dd/yyyy"))});
        }
        return out;
    }
    QVariant value(const QString& sql, const QVariantList& values = {}) const { return Db::scalar(db, sql, values); }
    // Makes the next insert into the audit table fail, as a full disk or a lock would.
    void breakAudit(const QString& auditTable)
    {
        m_broken = auditTable;
        TestDb::failInserts(db, auditTable);
    }
    void mendAudit() const { TestDb::mendInserts(db, m_broken); }
    // The account with that id (numbered by its id) for rows that refer to it: an item or a
    // document is stored only into an account that is there.
    static void addAccount(qint64 id)
    {
        const QSqlDatabase db = Global::getConnection();
        if (Db::scalar(db, QStringLiteral("SELECT 1 FROM GLAccount WHERE glAcctID = ?"), {id}).isValid())
            return;
        Db::exec(db, QStringLiteral("INSERT INTO GLAccount (glAcctID, glacctnbr) VALUES (?, ?)"),
                 {id, QString::number(id)});
        TestDb::continueKeys(db);
    }
    // The next autonumber of the table will be above the 16-bit range.
    void bigIds(const QString& table, qint64 next = 70000) const
    {
        TestDb::numberKeysFrom(db, table, next);
    }

private:
    QString m_broken;
public:
};

inline qint64 units(double whole)
{
    return qint64(whole * 100 + (whole < 0 ? -0.5 : 0.5)) * 100;
}
