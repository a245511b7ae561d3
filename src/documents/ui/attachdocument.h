#pragma once

#include <QDialog>
#include <QString>

class DateBox;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// What the attach and edit dialogs share: a file to attach with its Browse button, a description,
// OK and Cancel. OK checks the input and keeps the results; Cancel, Esc and the close box leave
// Cancelled set, so a dialog closed any other way than by OK adds or changes nothing.
class AttachDocumentBase : public QDialog
{
    Q_OBJECT
public:
    const QString& AttachDocDesc() const { return m_attachDocDesc; }
    const QString& FileSource() const { return m_fileSource; }
    // The unique name the document will be stored under.
    const QString& AttachDocFile() const { return m_attachDocFile; }
    bool Cancelled() const { return m_cancelled; }

    void reject() override;

protected:
    explicit AttachDocumentBase(QWidget* parent, const QString& descLabelName);
    // The edit form: the file row is hidden, only the description (and dates) change.
    void hideFileRow();
    // Checks run by OK before the file; false when one refused (its message shown).
    virtual bool datesValid() { return true; }
    // The rows below the description are the subclass's, from this row of the grid on.
    QGridLayout* grid() const { return m_grid; }
    static constexpr int FirstFreeRow = 4;
    QLineEdit* m_txtAttchDocDesc;

private:
    void browse();
    void confirm();
    bool fileAccepted(const QString& path);

    QLabel* m_lblSelectFile;
    QLineEdit* m_txtFilePathAndName;
    QPushButton* m_cmdBrowse;
    QGridLayout* m_grid;
    QString m_attachDocDesc;
    QString m_fileSource;
    QString m_attachDocFile;
    bool m_cancelled = true;
    bool m_editForm = false;
};

// Attaches a file to an item, or edits an attachment's description.
class AttachDocument : public AttachDocumentBase
{
    Q_OBJECT
public:
    explicit AttachDocument(QWidget* parent = nullptr);
    // Turns the dialog into the form that edits this description.
    void InitializEdit(const QString& description);
};

// Attaches a file to an account for a span of dates, or edits an attachment's description and
// dates. The close date is optional: ticking its box offers the reconciliation date.
class AttachDocument1 : public AttachDocumentBase
{
    Q_OBJECT
public:
    explicit AttachDocument1(QWidget* parent = nullptr);

    // The reconciliation date: the close date offered when the box is ticked.
    const QString& DocCheckDate() const { return m_docCheckDate; }
    void setDocCheckDate(const QString& date) { m_docCheckDate = date; }
    const QString& DocOpenDate() const { return m_docOpenDate; }
    void setDocOpenDate(const QString& date) { m_docOpenDate = date; }
    const QString& DocCloseDate() const { return m_docCloseDate; }
    void setDocCloseDate(const QString& date) { m_docCloseDate = date; }

    void InitializEdit(const QString& openDate, const QString& closeDate, const QString& description);

    // The values of the date boxes as "mm/dd/yyyy"; "" for an empty (or disabled) close box.
    QString openDateValue() const;
    QString closeDateValue() const;
    void setOpenDateValue(const QString& date);
    void setCloseDateValue(const QString& date);
    void setCloseDateTicked(bool ticked);

protected:
    bool datesValid() override;

private:
    void closeDateToggled(bool ticked);

    DateBox* m_dtpRecDocOpenDate;
    QCheckBox* m_chkCloseDate;
    DateBox* m_dtpRecDocCloseDate;
    QString m_docCheckDate;
    QString m_docOpenDate;
    QString m_docCloseDate;
};
