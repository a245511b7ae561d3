#include "sessionrights.h"

#include "apperror.h"
#include "db.h"
#include "global.h"
#include "userstore.h"

#include <QSqlQuery>

namespace {

const QString kSource = QStringLiteral("Users");

QString signOffWords(const QString& permission)
{
    if (permission == Global::PermissionPrepare)
        return QStringLiteral("sign off as preparer");
    if (permission == Global::PermissionReview)
        return QStringLiteral("sign off as reviewer");
    return QStringLiteral("sign off as approver");
}

AppError noLongerAllowed(const QString& what)
{
    return AppError(
        AppError::ChangedMeanwhile, kSource,
        QStringLiteral("You no longer have the right to %1: an administrator changed your rights after "
                       "you logged in, so nothing was stored.")
            .arg(what));
}

} // namespace

namespace SessionRights {

void require(const QSqlDatabase& db, Right right)
{
    if (!Global::isLoggedIn)
        return;
    if (right == Right::SignOff && Global::permission.isEmpty())
        throw AppError(AppError::ChangedMeanwhile, kSource,
                       QStringLiteral("You have no right to sign off, so nothing was stored."));
    // Held, not only read: an administrator's change of this user waits for the store, or the
    // store waits for it and then reads the user as it changed. The user's other stores hold the
    // row too, at the same time.
    QSqlQuery q =
        Db::exec(db,
                 QStringLiteral("SELECT Role, ChkPreparedBy, ChkReviewedBy, ChkApprovedBy FROM Users "
                                "WHERE UserId = ?") +
                     Db::sharingRows(db),
                 {Global::userID.toLongLong()});
    if (!q.next())
        throw AppError(
            AppError::DeletedMeanwhile, kSource,
            QStringLiteral("User %1 was deleted by an administrator after you logged in, so nothing was "
                           "stored.")
                .arg(Global::userName));
    switch (right) {
    case Right::StillAUser:
        break;
    case Right::ManageUsers:
        if (Db::textOf(q.value(0)) != UserStore::administratorRole())
            throw noLongerAllowed(QStringLiteral("manage the users"));
        break;
    case Right::SignOff:
        if (Global::permissionOf(q.value(1), q.value(2), q.value(3)) != Global::permission)
            throw noLongerAllowed(signOffWords(Global::permission));
        break;
    }
    // The row is held for the rest of the transaction: its writes need not read it again.
    Db::guardPassed(db);
}

void guardStores(const QSqlDatabase& db)
{
    Db::guardWrites(db, [](const QSqlDatabase& on) { require(on, Right::StillAUser); });
}

} // namespace SessionRights
