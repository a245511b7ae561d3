#pragma once

#include "db.h"
#include "global.h"
#include "recorders.h"
#include "testdb.h"

#include <QWidget>

// The tutorial database with a user logged in through the real login check: "admin" (an
// administrator, id 1) or "preparer" (role USER, id 2).
struct AdminSession
{
    TestSeams seams;
    QString mainPath;

    explicit AdminSession(const QString& user = QStringLiteral("admin"))
    {
        mainPath = TestDb::tutorial(seams.folder());
        Global::validateLogin(mainPath, user, user.toLower());
        Global::isDBVersionOK = true;
        Global::isDocDBValid = true;
    }
    QSqlDatabase db() const { return Global::getConnection(); }
    QVariant value(const QString& sql, const QVariantList& values = {}) const { return Db::scalar(db(), sql, values); }
    qint64 count(const QString& table) const { return value(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong(); }
};

template <class W>
W* child(const QWidget& parent, const char* name)
{
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
