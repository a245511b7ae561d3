#pragma once

#include "recitemlistpanel.h"

#include <QDialog>

class AmortizableItem;
class AmountBox;
class ctlAttachedFiles;
class DateBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class SimpleDialogTitlePanel;

// Edits one prepaid item: description, amount, comment, open, begin and end dates, its monthly
// amounts and its attached documents. Every change goes into the item at once; Save & Exit checks
// the fields and stores the item with its whole schedule in one transaction, then its documents;
// Cancel, Esc and the close box put the item back as it was and store nothing.
class AmortizableItemDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AmortizableItemDialog(QWidget* parent = nullptr);

    // The item (new or loaded, with its account) is kept by reference; the caller owns it. An item
    // stored with an open date after the reconciliation date is not listed with it: the user is
    // told so after the store.
    void initialize(AmortizableItem& item, const QString& recDate = {});

    // How the monthly amounts dialog is run (tests answer it instead of a person).
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    ctlAttachedFiles* attachments() const { return m_ctlAttachedFiles1; }

public Q_SLOTS:
    void reject() override;

private:
    void showItem();
    void monthlyAmounts();
    void save();
    // The date boxes in order with their messages; false (message shown, focus in the box) for the
    // first that holds no date.
    bool datesValid();

    AmortizableItem* m_item = nullptr;
    QString m_recDate;
    SimpleDialogTitlePanel* m_titlePanel;
    QLineEdit* m_txtDesc;
    AmountBox* m_txtAmount;
    QPlainTextEdit* m_txtComment;
    DateBox* m_dtpOpenDate;
    DateBox* m_dtpStartDate;
    DateBox* m_dtpEndDate;
    QComboBox* m_cboMethod;
    QPushButton* m_cmdMonthlyAmounts;
    ctlAttachedFiles* m_ctlAttachedFiles1;
    DialogRunner m_runDialog;
};
