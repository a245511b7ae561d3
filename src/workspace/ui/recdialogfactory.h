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
    // "H" calculated balance, "L" list, "C" bank and "A" prepaid. Any other code (the
    // balance-only "B" among them) raises unexpectedCode; errors of the dialog's initialize pass
    // through.
    std::unique_ptr<RecDialogFrame> create(GLAccount& account, QString& recDate, QWidget* parent = nullptr) const;
    static AppError unexpectedCode(const QString& recTypeCode);
};
