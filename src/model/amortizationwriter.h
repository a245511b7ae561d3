#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <optional>

class Amortization;

// Writes periods and their audit rows with statements prepared once, so that a whole schedule is
// one set of prepared statements inside the caller's transaction.
class AmortizationWriter
{
public:
    explicit AmortizationWriter(const QSqlDatabase& db) : m_db(db) {}

    // Inserts a new period (it then holds the new id and the create date and user written) or
    // updates a stored one, and writes its audit row. An update that finds no row raises.
    void write(Amortization& period, const QString& now);
    // One audit row for the period with that activity and create date and user.
    void audit(const Amortization& period, const QString& activity, const QString& createDate,
               const QString& createUser);

private:
    QSqlQuery& run(std::optional<QSqlQuery>& query, const QString& sql, const QVariantList& values);

    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_insert;
    std::optional<QSqlQuery> m_update;
    std::optional<QSqlQuery> m_audit;
};
