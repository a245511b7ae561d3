#pragma once

class GLAccount;
class QString;

// What every reconciliation dialog offers, so that the reconciliation loop can open any kind of
// account the same way: load the account's data for a reconciliation date, then show it modally.
// The interface the five reconciliation dialogs (bank, prepaid, subledger, calculated balance,
// list) implement in workspace/ui; it names no widget, so the loop that drives them is logic.
class IRecDialog
{
public:
    virtual ~IRecDialog() = default;

    // Loads the dialog's data for the account at the reconciliation date ("mm/dd/yyyy").
    virtual void initialize(GLAccount& account, QString& recDate) = 0;
    // Shows the dialog modally and returns when it is hidden.
    virtual void showDialog() = 0;
};
