#pragma once

#include <QDialog>

class CompoundDialogTitlePanel;
class QLineEdit;

// Asks for the file whose balances the balances editor imports.
class PeriodEndBalancesImportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PeriodEndBalancesImportDialog(QWidget* parent = nullptr);

    // The company's name over "For the Period Ending " and the date.
    void initialize(const QString& date);
    // True when the dialog was closed by "&Import" with a file named.
    bool isApproved() const { return m_approved; }
    QString getFileLocation() const;

    static QString infoText();
    static QString warningText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void browse();
    void approve();

    CompoundDialogTitlePanel* m_titlePanel;
    QLineEdit* m_fileLocation;
    QString m_chosen; // the browse dialog's last file name
    bool m_approved = false;
};
