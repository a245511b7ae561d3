#include "passwordhash.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kKeyLength = 32;

QByteArray derive(const QString& password, const QByteArray& salt, int rounds)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, rounds,
                                              kKeyLength);
}

bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

namespace PasswordHash {

bool isBlank(const QString& password)
{
    return password.trimmed().isEmpty();
}

QString hash(const QString& password)
{
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), salt.size() / 4);
    return QStringLiteral("%1$%2$%3$%4")
        .arg(kScheme)
        .arg(Rounds)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(derive(password, salt, Rounds).toBase64()));
}

bool isHashed(const QString& stored)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    return parts.size() == 4 && parts[0] == kScheme && parts[1].toInt() > 0;
}

bool verify(const QString& password, const QString& stored)
{
    if (!isHashed(stored)) {
        spendVerifyTime(password); // a name with a plain password answers no sooner than others
        return password == stored;
    }
    const QStringList parts = stored.split(QLatin1Char('$'));
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    return sameBytes(derive(password, salt, parts[1].toInt()), expected);
}

void spendVerifyTime(const QString& password)
{
    static const QByteArray salt(16, '\0');
    volatile const bool same = sameBytes(derive(password, salt, Rounds), salt);
    Q_UNUSED(same);
}

} // namespace PasswordHash
