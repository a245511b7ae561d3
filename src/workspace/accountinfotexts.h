#pragma once

#include <QString>

class GLAccount;

// The texts the account information panel shows for an account.
namespace AccountInfoTexts {

QString normalBalance(const GLAccount& account); // "Debit" for asset and expense types, else "Credit"
QString yesNo(const QString& flag);              // "Yes" when the flag reads "YES" in any case
QString erpNumber(const GLAccount& account);     // " code  description", or "None"
QString description(const GLAccount& account);  // the description, or a sentence saying there is none
QString policy(const GLAccount& account);
QString helpfulTips(const GLAccount& account);   // the classification's help for the account's types

} // namespace AccountInfoTexts
