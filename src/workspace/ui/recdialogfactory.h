#pragma once

#include <QString>
#include <memory>

class AppError;
class GLAccount;
class QWidget;
class RecDialogFrame;

// Makes the reconciliation dialog of an account's kind, so that the reconciliation loop opens
// every kind alike. Each call gives a new dialog, already initialised for the account and date.
class RecDialogFactory
{
public:
    // The dialog for the account's reconciliation-type code (compared exactly): "S" subledger,
    // "H" calculated balance, "L" list, and "C" bank and "A" prepaid once they are registered.
    // Null for a kind this version has no dialog for yet. Any other code raises
    // unexpectedCode; errors of the dialog's initialize pass through.
    std::unique_ptr<RecDialogFrame> create(GLAccount& account, QString& recDate, QWidget* parent = nullptr) const;

    // True when the code names a kind whose dialog is registered.
    static bool hasDialog(const QString& recTypeCode);
    static AppError unexpectedCode(const QString& recTypeCode);
};
