#include "periodendexport.h"

#include "accountfigures.h"
#include "arcurrency.h"
#include "company.h"
#include "daterules.h"
#include "db.h"
#include "exportwriter.h"
#include "global.h"
#include "reconciliation.h"

#include <QHash>
#include <QSqlQuery>

namespace PeriodEndExport {

namespace {

enum StatusField {
    ExtractDate, AsofDate, GDIS, AcctNum, AcctName, ActiveStat, KeyConStat, AcctType, Curr, Hyper,
    PerEndBal, PerEndStat, RegAdj, UnResolved, PerEndUnidDiff, PrepBy, PrepDate, ApprBy, ApprDate, RevBy, RevDate
};

// Per account with at least one balance row: the row its line is made from (the newest on or
// before the as-of date, else the oldest) and what the walk back through its older rows finds:
// the newest older row that was prepared by someone, and the oldest older row whose preparer is
// the empty text (an older database's way of leaving it blank).
const QString kStatusSql = QStringLiteral(
    "WITH span AS (SELECT glAcctID, COUNT(*) AS n, MAX(CASE WHEN Date <= ? THEN Date END) AS onOrBefore, "
    "MIN(Date) AS oldest FROM GLAccountBalance GROUP BY glAcctID) "
    "SELECT a.glAcctID, a.glacctnbr, a.name, a.active, a.keycontrol, a.accountTypeCode, a.ERPNumber, "
    "a.recTypeCode, s.n, s.onOrBefore, s.oldest, b.Date, b.amount, b.preparedBy, b.PreparedByDate, "
    "b.approvedBy, "
    "b.ApprovedByDate, b.reviewedBy, b.ReviewedByDate, "
    "(SELECT MAX(p.Date) FROM GLAccountBalance p WHERE p.glAcctID = b.glAcctID AND p.Date < b.Date "
    "AND p.preparedBy <> ''), "
    "(SELECT MIN(e.Date) FROM GLAccountBalance e WHERE e.glAcctID = b.glAcctID AND e.Date < b.Date "
    "AND e.preparedBy = '') "
    "FROM span s JOIN GLAccount a ON a.glAcctID = s.glAcctID "
    "JOIN GLAccountBalance b ON b.glAcctID = s.glAcctID AND b.Date = COALESCE(s.onOrBefore, s.oldest) "
    "ORDER BY %1, a.glAcctID");

enum StatusColumn {
    ColId, ColNumber, ColName, ColActive, ColKeyControl, ColType, ColErp, ColRecType, ColCount, ColOnOrBefore,
    ColOldest, ColDate, ColAmount, ColPreparedBy, ColPreparedByDate, ColApprovedBy, ColApprovedByDate, ColReviewedBy,
    ColReviewedByDate, ColPreparedBefore, ColBlankBefore
};

const QString kOpenItemsSql = QStringLiteral(
    "SELECT a.glacctnbr, a.name, i.openDate, i.closeDate, i.comment, i.amount, i.ReqTiming, i.typeCode, "
    "a.ERPNumber, a.accountTypeCode "
    "FROM GLAccount a JOIN ReconcilingItem i ON i.glAcctID = a.glAcctID "
    "WHERE i.openDate <= ? AND (i.closeDate > ? OR i.closeDate IS NULL) "
    "ORDER BY %1, a.glAcctID, i.openDate, i.RecItemId");

// The query with its account order, the same on both engines.
QString ordered(const QString& sql, const QSqlDatabase& db)
{
    return sql.arg(Db::caseBlindOrder(db, QStringLiteral("a.glacctnbr")));
}

QString amountText(const QVariant& stored)
{
    return stored.isNull() ? QString() : ARCurrency::plainText(stored.toLongLong());
}

// Where the walk from a row nobody prepared back through the older rows ends: the newest older row
// that someone prepared; failing that, the last row it passed whose preparer is the empty text
// (the line's own row included).
QString walkedStatus(const QSqlQuery& q)
{
    if (!q.value(ColPreparedBefore).isNull())
        return DateRules::fromDb(q.value(ColPreparedBefore));
    if (!q.value(ColBlankBefore).isNull())
        return DateRules::fromDb(q.value(ColBlankBefore));
    return q.value(ColPreparedBy).isNull() ? QString() : DateRules::fromDb(q.value(ColDate));
}

// The balance and status fields of a line made from a row on or before the as-of date.
void fillFromRow(QStringList& line, const QSqlQuery& q, const QVariant& asOf)
{
    const qint64 rows = q.value(ColCount).toLongLong();
    const QString date = DateRules::fromDb(q.value(ColDate));
    const QString amount = amountText(q.value(ColAmount));
    const bool preparedIsNull = q.value(ColPreparedBy).isNull();
    const QString preparedBy = Db::textOf(q.value(ColPreparedBy));

    if (q.value(ColDate).toString() != asOf.toString()) {
        if (rows == 1) { // the only row, before the date: its date tells when it was last balanced
            line[PerEndBal] = QStringLiteral("0");
            line[PerEndStat] = date;
        } else if (!preparedBy.isEmpty()) { // prepared: the row itself
            line[PerEndBal] = amount;
            line[PerEndStat] = date;
        } else { // not prepared: the last prepared period before it, without this row's balance
            const bool hasOlderRows = q.value(ColOldest).toString() < q.value(ColDate).toString();
            line[PerEndStat] = walkedStatus(q);
            line[PerEndBal] = hasOlderRows ? QString() : amount;
        }
        return;
    }
    line[PerEndBal] = amount;
    if (!preparedIsNull) { // signed off at the date: the sign-offs themselves
        const QString status = SignOffStatus::of(preparedBy, Db::textOf(q.value(ColReviewedBy)),
                                                 Db::textOf(q.value(ColApprovedBy)));
        line[PerEndStat] = status.isEmpty() ? date : status;
        line[PrepBy] = preparedBy;
        line[PrepDate] = DateRules::fromDb(q.value(ColPreparedByDate));
        line[ApprBy] = Db::textOf(q.value(ColApprovedBy));
        line[ApprDate] = DateRules::fromDb(q.value(ColApprovedByDate));
        line[RevBy] = Db::textOf(q.value(ColReviewedBy));
        line[RevDate] = DateRules::fromDb(q.value(ColReviewedByDate));
    } else if (rows > 1) {
        line[PerEndStat] = walkedStatus(q);
    }
}

} // namespace

QStringList statusHeadings()
{
    return {QStringLiteral("ExtractDate"), QStringLiteral("AsOfDate"), QStringLiteral("GDIS"),
            QStringLiteral("AcctNum"), QStringLiteral("AcctName"), QStringLiteral("ActiveStat"),
            QStringLiteral("KeyConStat"), QStringLiteral("AcctType"), QStringLiteral("Curr"),
            QStringLiteral("Hyper"), QStringLiteral("PerEndBal"), QStringLiteral("PerEndStat"),
            QStringLiteral("Required Adjustment"), QStringLiteral("Unresolved"), QStringLiteral("PerUnidDiff"),
            QStringLiteral("PrepBy"), QStringLiteral("PrepDate"), QStringLiteral("ApprBy"),
            QStringLiteral("ApprDate"), QStringLiteral("RevBy"), QStringLiteral("RevDate")};
}

QStringList openItemHeadings()
{
    return {QStringLiteral("ExtractDate"), QStringLiteral("GlAcctNbr"), QStringLiteral("GlAcctName"),
            QStringLiteral("OpenDate"), QStringLiteral("CloseDate"), QStringLiteral("Comment"),
            QStringLiteral("RecItemAmount"), QStringLiteral("ReqTimCode"), QStringLiteral("RecTypeCode"),
            QStringLiteral("Currency"), QStringLiteral("ERPNumber"), QStringLiteral("AccountTypeCode")};
}

qsizetype addStatusLines(ExportWriter& writer, const Run& run)
{
    const QVariant asOf = DateRules::toDb(run.asOfDate);
    const QString currency = Company().getCurr();
    QHash<qint64, AccountFigures> figures;
    for (AccountFigures& f : AccountFiguresQuery::load(run.asOfDate, QStringLiteral("All Accounts")))
        figures.insert(f.accountId, std::move(f));

    const QSqlDatabase db = Global::getConnection();
    QSqlQuery q = Db::exec(db, statusQuery(db), {asOf});
    qsizetype lines = 0;
    QStringList line;
    while (q.next()) {
        if (lines++ == 0 && run.headings)
            writer.addRow(statusHeadings());
        line = QStringList(StatusFieldCount);
        line[ExtractDate] = run.extractedAt;
        line[AsofDate] = run.asOfDate;
        line[AcctNum] = Db::textOf(q.value(ColNumber));
        line[AcctName] = Db::textOf(q.value(ColName));
        line[ActiveStat] = Db::textOf(q.value(ColActive));
        line[KeyConStat] = Db::textOf(q.value(ColKeyControl));
        line[AcctType] = Db::textOf(q.value(ColType));
        line[Curr] = currency;
        line[Hyper] = Db::textOf(q.value(ColErp));
        if (q.value(ColOnOrBefore).isNull()) {
            line[PerEndBal] = QStringLiteral("0"); // every balance lies after the date
        } else {
            fillFromRow(line, q, asOf);
            // An account whose reconciliation type has no reconciliation has no figures.
            const auto f = figures.constFind(q.value(ColId).toLongLong());
            if (f != figures.constEnd() && ReconciliationFactory::hasKind(Db::textOf(q.value(ColRecType)))) {
                line[RegAdj] = ARCurrency::plainText(f->requiredAdjustments.value().units());
                line[UnResolved] = ARCurrency::plainText(f->unresolved.value().units());
                line[PerEndUnidDiff] = ARCurrency::plainText(f->unidentifiedDifference().value().units());
            }
        }
        writer.addRow(line);
    }
    return lines;
}

qsizetype addOpenItemLines(ExportWriter& writer, const Run& run)
{
    const QVariant asOf = DateRules::toDb(run.asOfDate);
    const QString currency = Company().getCurr();
    const QSqlDatabase db = Global::getConnection();
    QSqlQuery q = Db::exec(db, openItemsQuery(db), {asOf, asOf});
    const qsizetype first = StatusFieldCount;
    QStringList line(StatusFieldCount + 12);
    qsizetype lines = 0;
    while (q.next()) {
        if (lines++ == 0 && run.headings) {
            const QStringList words = openItemHeadings();
            for (qsizetype i = 0; i < words.size(); ++i)
                line[first + i] = words.at(i);
            writer.addRow(line);
        }
        line[first + 0] = run.extractedAt;
        line[first + 1] = Db::textOf(q.value(0));
        line[first + 2] = Db::textOf(q.value(1));
        line[first + 3] = DateRules::fromDb(q.value(2));
        line[first + 4] = DateRules::fromDb(q.value(3));
        line[first + 5] = Db::textOf(q.value(4));
        line[first + 6] = amountText(q.value(5));
        line[first + 7] = Db::textOf(q.value(6));
        line[first + 8] = Db::textOf(q.value(7));
        line[first + 9] = currency;
        line[first + 10] = Db::textOf(q.value(8));
        line[first + 11] = Db::textOf(q.value(9));
        writer.addRow(line);
    }
    return lines;
}

QString statusQuery(const QSqlDatabase& db)
{
    return ordered(kStatusSql, db);
}

QString openItemsQuery(const QSqlDatabase& db)
{
    return ordered(kOpenItemsSql, db);
}

void build(ExportWriter& writer, const Run& run)
{
    addStatusLines(writer, run);
    addOpenItemLines(writer, run);
}

} // namespace PeriodEndExport
