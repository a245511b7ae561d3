#pragma once

#include <QString>
#include <QStringList>
#include <memory>

// The company whose accounts are reconciled: its name and currency, the one row of table Company.
// The row is read once per connection (every report and dialog creates a Company); a store keeps
// that copy current, and reload() makes the next Company read the row again.
class Company
{
public:
    Company(); // reads the row
    ~Company();
    static void reload();
    // The currency codes offered (table SystemType, "CURRENCY" rows), in code order.
    static QStringList currencies();

    void initialize(const QString& name, const QString& currency);
    const QString& getName() const { return m_name; }
    const QString& getCurr() const { return m_currency; }
    void setName(const QString& name) { m_name = name; }
    void setCurr(const QString& currency) { m_currency = currency; }
    bool isValid() const { return !m_name.trimmed().isEmpty(); }

    // Writes the trimmed name and currency ("USD" when blank) into the row. Raises
    // "Company:NameMissing" for a blank name, an error when there is no row to change, and
    // AppError::ChangedMeanwhile when another user changed the row since it was read.
    void store();
    void beginEdit();
    void cancelEdit();
    void applyEdit();

private:
    QString m_name;
    QString m_currency;
    // The row as read or last stored: a store writes only while the row still holds it.
    QString m_loadedName, m_loadedCurrency;
    bool m_editing = false;
    std::unique_ptr<Company> m_copy;
    struct NoRead {};
    explicit Company(NoRead) {}
};
