#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

class Amortization;

// Writes periods and their audit rows inside the caller's transaction, so that a whole schedule
// runs on the statements prepared once per connection.
class AmortizationWriter
{
public:
    explicit AmortizationWriter(const QSqlDatabase& db) : m_db(db) {}

    // Inserts a new period (it then holds the new id and the create date and user written) or
    // updates a stored one whose values changed since it was read or stored, and writes its audit
    // row; a stored period as it was gets neither. An update that finds no row raises.
    void write(Amortization& period, const QString& now);

    // Adds every period of a schedule none of whose periods is stored yet, with a few statements
    // per Persistence::BatchRows periods rather than two per period; each period then holds its
    // new id and create stamp. Returns false, writing nothing, for any other schedule: those are
    // written period by period.
    bool addAll(QList<Amortization>& periods, const QString& now);

private:
    QSqlDatabase m_db;
};
