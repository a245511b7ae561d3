#pragma once

#include <QDialog>

class DateBox;
class QPushButton;

// Picks the period-end date for the summary report and the balances editor, and with its three
// approving buttons the account filter ("All Accounts", "Active Accounts", "Key Control Accounts").
class RecDateSelectDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RecDateSelectDialog(QWidget* parent = nullptr);

    // Shows or hides the two filter buttons and sets the OK button's caption.
    void setFilterButtonsVisible(bool visible);
    void setOkCaption(const QString& caption);

    bool isApproved() const { return m_approved; }
    QString getSelectedDate() const { return m_selectedDate; }

private:
    void approve(const QString& filter);
    void leaveDate();

    DateBox* m_date;
    QPushButton* m_ok;
    QPushButton* m_active;
    QPushButton* m_key;
    QString m_selectedDate;
    bool m_approved = false;
};
