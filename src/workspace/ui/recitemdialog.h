#pragma once

#include <QDialog>

class AmountBox;
class ctlAttachedFiles;
class DateBox;
class GLAccount;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class ReconcilingItem;
class SimpleDialogTitlePanel;

// Edits one reconciling item: open date, optional close date, amount, description, timing code
// and the item's attached documents. Every change goes into the item at once; Save & Exit stores
// it (with its audit row) and then its documents; Cancel stores nothing (the caller reloads).
class RecItemDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RecItemDialog(QWidget* parent = nullptr);

    // The item (new or loaded; kept by reference, the caller owns it), its account and the
    // reconciliation date "mm/dd/yyyy".
    void initialize(ReconcilingItem& item, const GLAccount& account, const QString& recDate);

    ctlAttachedFiles* attachments() const { return m_ctlAttachedFiles1; }

private:
    void setTiming(const QString& code);
    void timingClicked(const QString& code, bool ticked);
    void closeDateClicked(bool ticked);
    bool openDateLeft();
    bool closeDateLeft();
    void save();

    ReconcilingItem* m_item = nullptr;
    QString m_recDate;
    QString m_editMode; // "EDIT_MODE" when the item had a close date when the dialog opened
    SimpleDialogTitlePanel* m_titlePanel;
    QLabel* m_lblOpenDate;
    QLabel* m_lblClosedDate;
    QLabel* m_lblAmount;
    QLabel* m_lblDesc;
    DateBox* m_dtpOpenDate;
    QCheckBox* m_ChkCloseDate;
    DateBox* m_dtpCloseDate;
    AmountBox* m_txtAmount;
    QPlainTextEdit* m_txtComment;
    QCheckBox* m_timing[4]; // "R", "T", "L", "U"
    ctlAttachedFiles* m_ctlAttachedFiles1;
    QPushButton* m_OKButton;
    QPushButton* m_CancelButton;
};
