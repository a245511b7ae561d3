// The names of server databases: what one may hold, how it is shown, and how a connection is set
// up from it. A file path is named as it stands.
#include "db_p.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

bool isKnownOption(const QString& key)
{
    static const QStringList known = {
        QStringLiteral("sslmode"),     QStringLiteral("sslrootcert"),      QStringLiteral("sslcert"),
        QStringLiteral("sslkey"),      QStringLiteral("sslcrl"),           QStringLiteral("gssencmode"),
        QStringLiteral("service"),     QStringLiteral("application_name"), QStringLiteral("target_session_attrs")};
    return known.contains(key);
}

// The driver passes settings on as "key=value" separated by blanks (and turns ";" into one): a
// value that could end itself or start another setting is refused, not quoted.
bool isPlainValue(const QString& value)
{
    for (const QChar c : value)
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char(';') || c == QLatin1Char('=') ||
            c == QLatin1Char('\\') || c == QLatin1Char('\'') || c == QLatin1Char('"'))
            return false;
    return !value.isEmpty();
}

bool isPasswordKey(const QString& key)
{
    return key.contains(QStringLiteral("password")) || key == QStringLiteral("passfile");
}

// Where, in the text after "://", the password of "user:password@host" begins: at the first ":"
// when an "@" follows it somewhere and nothing before it ends a user's name. A password may hold
// any character ("/", "?", "#", "@", "%" among them), so the "@" that ends it cannot be told from
// one further on: a host's ":port" with an "@" later in the name is taken for a password too.
// An address in brackets starts with the host: no user and no password there.
qsizetype userPasswordAt(const QString& rest)
{
    if (rest.startsWith(QLatin1Char('[')))
        return -1;
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    if (colon < 0 || rest.indexOf(QLatin1Char('@'), colon) < 0)
        return -1;
    for (qsizetype i = 0; i < colon; ++i)
        if (rest.at(i) == QLatin1Char('@') || rest.at(i) == QLatin1Char('/') || rest.at(i) == QLatin1Char('?'))
            return -1;
    return colon;
}

// The text after "://" without the password of its user part: "user@host...", or "user:*" when no
// "@" before a password setting ends it (the rest may then be all password).
QString withoutUserPassword(const QString& rest)
{
    qsizetype colon = userPasswordAt(rest);
    qsizetype at = -1;
    if (colon >= 0) {
        static const QRegularExpression setting(QStringLiteral("[?&][^?&=]*pass(word|file)"));
        const qsizetype settingAt = rest.indexOf(setting, colon);
        at = rest.lastIndexOf(QLatin1Char('@'), settingAt < 0 ? -1 : settingAt);
        if (at < colon)
            return rest.left(colon) + QStringLiteral(":*");
    } else {
        // "user:password@host" where the user's name holds an "@" of its own.
        qsizetype end = rest.size();
        for (const QChar c : {QLatin1Char('/'), QLatin1Char('?')})
            if (const qsizetype i = rest.indexOf(c); i >= 0)
                end = std::min(end, i);
        at = end > 0 ? rest.lastIndexOf(QLatin1Char('@'), end - 1) : -1;
        colon = at < 0 ? -1 : rest.left(at).indexOf(QLatin1Char(':'));
        if (colon < 0)
            return rest;
    }
    return rest.left(colon) + rest.mid(at);
}

const QString kNoPasswordText = QStringLiteral("a password may not be part of it. Keep it in ~/.pgpass instead.");

AppError badServerName(const QString& name, const QString& why)
{
    return AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                    QStringLiteral("'%1' is not a database name this program can use: %2").arg(Db::displayName(name), why));
}

int serverPort(const QString& name, const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int port = digits.match(text).hasMatch() ? text.toInt() : 0;
    if (port < 1 || port > 65535)
        throw badServerName(name, QStringLiteral("the port must be a number from 1 to 65535."));
    return port;
}

} // namespace

namespace Db {

bool isServerName(const QString& name)
{
    return name.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           name.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

// Host, port, user and database may also come as query items; besides them only the known settings
// are understood. A password may not come in any form, nor a file that holds one.
ServerName parseServerName(const QString& name)
{
    const qsizetype schemeEnd = name.indexOf(QStringLiteral("://"));
    QString rest = name.mid(schemeEnd + 3);
    // Before anything else is read from it: a password may hold what would end any other part.
    if (userPasswordAt(rest) >= 0)
        throw badServerName(name, kNoPasswordText);
    QString query;
    if (const qsizetype q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    const QStringList items = query.split(QLatin1Char('&'), Qt::SkipEmptyParts);
    for (const QString& item : items)
        if (isPasswordKey(QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8())))
            throw badServerName(name, kNoPasswordText);
    ServerName server;
    QString authority = rest;
    if (const qsizetype slash = rest.indexOf(QLatin1Char('/')); slash >= 0) {
        authority = rest.left(slash);
        server.database = QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8());
    }
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        if (userInfo.contains(QLatin1Char(':')))
            throw badServerName(name, kNoPasswordText);
        server.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
        authority = authority.mid(at + 1);
    }
    // The port follows the last plain ":" (a socket folder writes its own "/" and ":" encoded),
    // never one inside an address in brackets.
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && colon > authority.lastIndexOf(QLatin1Char(']'))) {
        server.port = serverPort(name, authority.mid(colon + 1));
        authority.truncate(colon);
    }
    server.host = QUrl::fromPercentEncoding(authority.toUtf8());
    // The brackets only keep an address's own ":" apart from the port's; the address is without them.
    if (server.host.size() > 2 && server.host.startsWith(QLatin1Char('[')) && server.host.endsWith(QLatin1Char(']')))
        server.host = server.host.mid(1, server.host.size() - 2);
    for (const QString& item : items) {
        const QString key = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
        const QString value = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 1).toUtf8());
        if (key == QStringLiteral("port")) {
            server.port = serverPort(name, value);
            continue;
        }
        const bool part = key == QStringLiteral("host") || key == QStringLiteral("user") || key == QStringLiteral("dbname");
        if (!part && !isKnownOption(key))
            throw badServerName(name, QStringLiteral("the setting '%1' is not understood.").arg(key));
        if (!isPlainValue(value))
            throw badServerName(name, QStringLiteral("the value of the setting '%1' may not be empty or hold a blank, "
                                                     "a control character, \";\", \"=\", \"\\\" or a quote.")
                                          .arg(key));
        if (key == QStringLiteral("host"))
            server.host = value;
        else if (key == QStringLiteral("user"))
            server.user = value;
        else if (key == QStringLiteral("dbname"))
            server.database = value;
        else
            server.options << key + QLatin1Char('=') + value;
    }
    // A service of the desk's service file may name the database (and the host, port and role).
    const bool hasService = std::any_of(server.options.cbegin(), server.options.cend(), [](const QString& option) {
        return option.startsWith(QStringLiteral("service="));
    });
    if (server.database.isEmpty() && !hasService)
        throw badServerName(name, QStringLiteral("it names no database."));
    return server;
}

void setUpServerConnection(QSqlDatabase& db, const QString& name)
{
    const ServerName server = parseServerName(name);
    if (!server.host.isEmpty())
        db.setHostName(server.host);
    if (server.port > 0)
        db.setPort(server.port);
    db.setUserName(server.user);
    db.setDatabaseName(server.database);
    QStringList options = server.options;
    options << QStringLiteral("connect_timeout=%1").arg(Db::ConnectTimeoutSeconds);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    // A NUMERIC (the sum of BIGINT money) comes back as its exact text, never as a double.
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
}

void checkServerName(const QString& name)
{
    if (isServerName(name))
        parseServerName(name);
}

QString displayName(const QString& name)
{
    if (!isServerName(name))
        return QDir::toNativeSeparators(name);
    // The user part may hold a password, and so may a setting that is not understood or whose
    // value would carry another one: never show them. After a password setting nothing is shown,
    // as its value may hold an "&" of its own.
    const qsizetype schemeEnd = name.indexOf(QStringLiteral("://")) + 3;
    const QString shown = name.left(schemeEnd) + withoutUserPassword(name.mid(schemeEnd));
    const qsizetype q = shown.indexOf(QLatin1Char('?'));
    if (q < 0)
        return shown;
    QStringList items;
    for (const QString& item : shown.mid(q + 1).split(QLatin1Char('&'))) {
        const QString rawKey = item.section(QLatin1Char('='), 0, 0);
        const QString key = QUrl::fromPercentEncoding(rawKey.toUtf8());
        const QString value = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 1).toUtf8());
        if (isPasswordKey(key)) {
            items << rawKey + QStringLiteral("=*");
            break;
        }
        const bool part = QStringList{QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("user"),
                                      QStringLiteral("dbname")}
                              .contains(key);
        items << ((part || isKnownOption(key)) && isPlainValue(value) ? item : rawKey + QStringLiteral("=*"));
    }
    return shown.left(q + 1) + items.join(QLatin1Char('&'));
}

} // namespace Db
