#pragma once

#include <QString>

// Passwords are stored salted and hashed: "pbkdf2-sha256$ROUNDS$SALT$HASH" (salt and hash in
// base64). A value in any other form is a password still stored in plain text by an older database.
namespace PasswordHash {

constexpr int Rounds = 100000;

// A password that is empty or only blanks is none: a user must be given another.
bool isBlank(const QString& password);

QString hash(const QString& password);
bool isHashed(const QString& stored);
// True when the typed password matches the stored value, hashed or (older databases) plain.
bool verify(const QString& password, const QString& stored);
// Takes as long as verifying against a stored hash, for a name that has no stored password.
void spendVerifyTime(const QString& password);

} // namespace PasswordHash
