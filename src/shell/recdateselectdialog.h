#pragma once

#include <QDialog>

class DateBox;
class QPushButton;

// Picks the period-end date for the summary report and the balances editor, and with its three
// approving buttons the account filter ("All Accounts", "Active Accounts", "Key Control Accounts").
// The owner keeps one instance and loads it before each use.
class RecDateSelectDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RecDateSelectDialog(QWidget* parent = nullptr);

    // Starts a use afresh: not approved, the current reconciliation date in the box, selected.
    // Showing the dialog loads it too, so nothing of an earlier use can carry over.
    void load();

    // Shows or hides the two filter buttons and sets the OK button's caption.
    void setFilterButtonsVisible(bool visible);
    void setOkCaption(const QString& caption);

    bool isApproved() const { return m_approved; }
    // "mm/dd/yyyy" once the box was left with a date; "" while the box holds no date.
    QString getSelectedDate() const { return m_selectedDate; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void approve(const QString& filter);

    DateBox* m_date;
    QPushButton* m_ok;
    QPushButton* m_active;
    QPushButton* m_key;
    QString m_selectedDate;
    bool m_approved = false;
};
