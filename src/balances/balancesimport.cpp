#include "balancesimport.h"

#include "apperror.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "global.h"
#include "samename.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <cstdio>
#include <limits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

AppError importError(const QString& source, const QString& description)
{
    return AppError(AppError::ObjectError1001, source, description);
}

// The description of a caught failure as the error chain carries it: "text (number)".
QString chained(const AppError& e)
{
    return QStringLiteral("%1 (%2)").arg(e.description()).arg(e.number());
}

// "1310,1,234.56" in a CSV line: an amount of bare digits (a sign or a currency sign at most)
// followed by more fields is a number cut at its thousands separator, not the amount "1".
bool isSplitAmount(const BalanceRow& row)
{
    if (row.further.isEmpty())
        return false;
    const QString amount = row.amount.trimmed();
    qsizetype i = 0;
    const auto skip = [&](auto isSkipped) {
        while (i < amount.size() && isSkipped(amount.at(i)))
            ++i;
    };
    const auto isSign = [](QChar c) { return c == u'-' || c == u'+'; };
    skip(isSign);
    skip([](QChar c) { return c.category() == QChar::Symbol_Currency; });
    skip(isSign);
    const qsizetype digits = i;
    skip([](QChar c) { return c >= u'0' && c <= u'9'; });
    return i == amount.size() && i > digits;
}

// The accounts an import line may name: each balance of the editor's list by its number under the
// same-name rule. Two accounts may be one name under it (numbers stored before the rule folded
// "ß" as "ss"): a line then names the one whose number it holds exactly, or names both.
class AccountsByNumber
{
public:
    explicit AccountsByNumber(GLAccountBalanceList& list)
    {
        for (qint64 i = 1; i <= list.count(); ++i) {
            GLAccountBalance& balance = list.getGLAccountBalanceAt(i);
            if (balance.getGLAccount())
                m_byKey[SameName::accountKey(balance.getGLAccount()->getNumber())].append(&balance);
        }
    }

    struct Found
    {
        GLAccountBalance* balance = nullptr; // the one account named, if one is
        qsizetype named = 0;                 // how many accounts the number names
    };
    Found find(const QString& number) const
    {
        const auto it = m_byKey.constFind(SameName::accountKey(number));
        if (it == m_byKey.cend())
            return {};
        const QList<GLAccountBalance*>& named = *it;
        if (named.size() == 1)
            return {named.first(), 1};
        for (GLAccountBalance* balance : named)
            if (balance->getGLAccount()->getNumber() == number)
                return {balance, 1};
        return {nullptr, named.size()};
    }

    // Whether the balance's account was deleted since the editor loaded its list: such an account
    // takes no balance. The accounts stored now are read once, at the first line that names one.
    bool isDeleted(const GLAccountBalance* balance)
    {
        if (!m_deletedKnown) {
            QSet<qint64> stored;
            QSqlQuery q = Db::exec(Global::getConnection(), QStringLiteral("SELECT glAcctID FROM GLAccount"));
            while (q.next())
                stored.insert(q.value(0).toLongLong());
            for (const QList<GLAccountBalance*>& balances : std::as_const(m_byKey))
                for (const GLAccountBalance* b : balances)
                    if (!stored.contains(b->getGLAccount()->getID().toLongLong()))
                        m_deleted.insert(b);
            m_deletedKnown = true;
        }
        return m_deleted.contains(balance);
    }

private:
    QHash<QString, QList<GLAccountBalance*>> m_byKey;
    QSet<const GLAccountBalance*> m_deleted;
    bool m_deletedKnown = false;
};

// Every amount of the file may be allowed while their net is not: the user is told from which row
// on, so that the file can be split there.
AppError netTooLarge(const BalanceRows& rows, const BalanceRow& row, bool positive)
{
    const qint64 at = row.line > 0 ? row.line : &row - rows.constData() + 1;
    const QString place = rows.place == BalanceRows::Place::Row ? QStringLiteral("row") : QStringLiteral("line");
    const QString limit = ARCurrency::fromUnits(positive ? std::numeric_limits<qint64>::max()
                                                         : -std::numeric_limits<qint64>::max())
                              .toLocaleString(false);
    return AppError(AppError::Overflow, QStringLiteral("PeriodEndBalancesDialog.importBalances"),
                    QStringLiteral("The net amount of the file is too large: from %1 %2 on (account '%3') its "
                                   "amounts add up to %4 than %5, beyond what Corvantis can hold, so no balance "
                                   "was imported.")
                        .arg(place)
                        .arg(at)
                        .arg(row.accountNumber, positive ? QStringLiteral("more") : QStringLiteral("less"), limit));
}

} // namespace

QString BalancesImportOutcome::summary() const
{
    QString text = QString::number(imported) + QStringLiteral(" account balances were imported into Corvantis.") +
                   kCrLf + kCrLf + QStringLiteral("Net amount imported DR (CR):") + QLatin1Char('\t') +
                   net.toLocaleString(true);
    if (dataBelowRow > 0)
        text +=
            kCrLf + kCrLf +
            QStringLiteral("The import stopped at row %1, the first row without an account number; row %2 "
                           "below it holds data that was not imported.")
                .arg(stoppedAtRow)
                .arg(dataBelowRow);
    if (!refusals.isEmpty())
        text += kCrLf + kCrLf + QStringLiteral("Corvantis could not import the following balances: ") + kCrLf +
                refusals;
    return text;
}

namespace BalancesImport {

QString importFolder()
{
    const QString folder = Global::getAppDataFolder() + QStringLiteral("/import");
    if (!QDir().mkpath(folder))
        throw importError(QStringLiteral("PeriodEndBalancesDialog.copySelectedImportFileToImportDirectory"),
                          QStringLiteral("Could not create the import folder '%1'.").arg(native(folder)));
    return folder;
}

QString copySelectedImportFileToImportDirectory(const QString& path)
{
    QString target;
    try {
        const QString folder = importFolder();
        target = folder + QStringLiteral("/__balances.") + QFileInfo(path).suffix();
        // A database this program is connected to is never opened outside the database layer
        // (closing that descriptor would drop the program's locks on it).
        if (Db::isConnectedFile(path))
            throw importError(QStringLiteral("QFile"), QStringLiteral("it is a database in use by Corvantis"));
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly))
            throw importError(QStringLiteral("QFile"), source.errorString());
        if (QFileInfo(path).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
            return target; // the import folder's own copy was chosen: it is already in place
        // Written beside the target and renamed over it once complete, so a failed copy leaves
        // the previous copy whole. A working copy: it need not wait for the disk.
        QTemporaryFile copy(folder + QStringLiteral("/__balances.XXXXXX"));
        if (!copy.open())
            throw importError(QStringLiteral("QTemporaryFile"), copy.errorString());
        char buffer[1 << 16];
        for (;;) {
            const qint64 n = source.read(buffer, sizeof buffer);
            if (n < 0)
                throw importError(QStringLiteral("QFile"), source.errorString());
            if (n == 0)
                break;
            if (copy.write(buffer, n) != n)
                throw importError(QStringLiteral("QTemporaryFile"), copy.errorString());
        }
        if (!copy.flush() || std::rename(QFile::encodeName(copy.fileName()).constData(),
                                         QFile::encodeName(target).constData()) != 0)
            throw importError(QStringLiteral("QTemporaryFile"), copy.errorString());
        copy.setAutoRemove(false);
        return target;
    } catch (const AppError& e) {
        throw importError(QStringLiteral("PeriodEndBalancesDialog.copySelectedImportFileToImportDirectory"),
                          QStringLiteral("Unable to copy selected import file ('") + native(path) + QStringLiteral("') ") +
                              QStringLiteral("to the temporary file in the import directory ('") + native(target) +
                              QStringLiteral("'): ") + chained(e));
    }
}

void createSchemaIniFileIfNecessary(const QString& folder)
{
    const QString path = folder + QStringLiteral("/schema.ini");
    if (QFileInfo::exists(path))
        return;
    const QString reason =
        writeWholeFile(path, BalanceFileReader::schemaIniSection(QStringLiteral("__balances.csv")));
    if (!reason.isEmpty())
        throw importError(QStringLiteral("PeriodEndBalancesDialog.createSchemaIniFileIfNecessary"),
                          QStringLiteral("Unable to create the 'schema.ini' file in the import directory ") +
                              QStringLiteral("('") + native(folder) + QStringLiteral("'): ") +
                              QStringLiteral("%1 (%2)").arg(reason).arg(AppError::ObjectError1001));
}

BalanceRows getBalances(const QString& path, const QString& copy)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    // The readers name the file they read, the copy; the user knows the file by the name chosen.
    const auto chosenName = [&](const AppError& e) {
        return AppError(e.number(), e.source(), QString(e.description()).replace(native(copy), native(path)));
    };
    try {
        if (extension == QLatin1String("csv")) {
            try {
                return BalanceFileReader::readCsv(copy);
            } catch (const AppError& e) {
                throw importError(QStringLiteral("PeriodEndBalancesDialog.getBalancesFromCSVFile"),
                                  QStringLiteral("Unable to read the period end balance data from the ") +
                                      QStringLiteral("import file (CSV): ") + chained(e));
            }
        }
        if (extension == QLatin1String("xls"))
            return BalanceFileReader::readXls(copy);
        if (extension == QLatin1String("xlsx"))
            return BalanceFileReader::readXlsx(copy);
    } catch (const AppError& e) {
        throw chosenName(e);
    }
    throw importError(QStringLiteral("PeriodEndBalancesDialog.getBalances"),
                      QStringLiteral("Encountered invalid file type. Don't know how to ") + QStringLiteral("import .") +
                          extension + QStringLiteral(" files"));
}

BalancesImportOutcome apply(const BalanceRows& rows, GLAccountBalanceList& list)
{
    BalancesImportOutcome outcome;
    struct Accepted
    {
        GLAccountBalance* balance;
        ARCurrency amount;
    };
    QList<Accepted> accepted;
    accepted.reserve(rows.size());
    ARCurrencySum net; // only the net amount must fit the money type, not every sum on the way
    const BalanceRow* leftRangeAt = nullptr; // the row from which on the net lies outside the range
    AccountsByNumber accounts(list);
    for (const BalanceRow& row : rows) {
        const AccountsByNumber::Found found = accounts.find(row.accountNumber);
        GLAccountBalance* balance = found.balance;
        const bool deleted = balance && accounts.isDeleted(balance);
        const bool known = balance != nullptr && !deleted;
        const bool split = isSplitAmount(row);
        const auto amount = split ? std::nullopt : ARCurrency::fromText(row.amount);
        if (amount && known) {
            accepted.append({balance, *amount});
            const bool fitted = net.fits();
            net.add(*amount);
            if (fitted && !net.fits())
                leftRangeAt = &row;
            continue;
        }
        QString reason;
        if (!amount && known)
            reason = QStringLiteral("amount invalid");
        else if (!amount)
            reason = QStringLiteral("both items invalid");
        else if (deleted)
            reason = QStringLiteral("account deleted meanwhile");
        else if (found.named > 1)
            reason = found.named == 2 ? QStringLiteral("names two accounts")
                                      : QStringLiteral("names %1 accounts").arg(found.named);
        else
            reason = QStringLiteral("invalid account");
        const QString shown = split ? row.amount + u',' + row.further : row.amount;
        outcome.refusals += QStringLiteral(" - '") + shown + QStringLiteral("'\tinto Account\t'") +
                            row.accountNumber + QStringLiteral("'\t") + reason + kCrLf;
    }
    if (!net.fits()) // said before any balance changed
        throw netTooLarge(rows, *leftRangeAt, net > ARCurrencySum());
    outcome.net = net.value();
    // In file order, so that an account listed twice keeps its last amount.
    for (const Accepted& a : std::as_const(accepted))
        a.balance->getAmount() = a.amount;
    outcome.imported = accepted.size();
    if (rows.dataBelowRow > 0) {
        outcome.stoppedAtRow = rows.stoppedAtRow;
        outcome.dataBelowRow = rows.dataBelowRow;
    }
    return outcome;
}

BalancesImportOutcome run(const QString& path, GLAccountBalanceList& list)
{
    const QString copy = copySelectedImportFileToImportDirectory(path);
    createSchemaIniFileIfNecessary(importFolder());
    return apply(getBalances(path, copy), list);
}

} // namespace BalancesImport
