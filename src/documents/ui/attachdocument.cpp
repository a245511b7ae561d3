#include "attachdocument.h"

#include "datebox.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "documentfiles.h"
#include "filechooser.h"
#include "gridview.h"
#include "modutility.h"
#include "prompter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using DialogBehaviour::named;

AttachDocumentBase::AttachDocumentBase(QWidget* parent, const QString& descLabelName) : QDialog(parent)
{
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    m_lblSelectFile =
        named<QLabel>(this, QStringLiteral("lblSelectFile"), QStringLiteral("Select a file to attach:"));
    m_txtFilePathAndName = named<QLineEdit>(this, QStringLiteral("txtFilePathAndName"));
    m_cmdBrowse = named<QPushButton>(this, QStringLiteral("cmdBrowse"), QStringLiteral("&Browse ..."));
    auto* lblDesc = named<QLabel>(this, descLabelName, QStringLiteral("Description:"));
    m_txtAttchDocDesc = named<QLineEdit>(this, QStringLiteral("txtAttchDocDesc"));
    auto* ok = named<QPushButton>(this, QStringLiteral("btnOK"), QStringLiteral("&OK"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    DialogBehaviour::setCausesValidation(cancel, false);
    m_lblSelectFile->setBuddy(m_txtFilePathAndName);
    lblDesc->setBuddy(m_txtAttchDocDesc);
    DialogBehaviour::enterMovesOn(m_txtFilePathAndName);

    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(8);
    m_grid->addWidget(m_lblSelectFile, 0, 0, 1, 2);
    m_grid->addWidget(m_txtFilePathAndName, 1, 0, 1, 2);
    m_grid->addWidget(m_cmdBrowse, 1, 2);
    m_grid->addWidget(lblDesc, 2, 0, 1, 2);
    m_grid->addWidget(m_txtAttchDocDesc, 3, 0, 1, 2);
    m_grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 16, 8, 16);
    layout->addLayout(m_grid);
    layout->addSpacing(24);
    layout->addLayout(buttons);
    layout->addStretch();
    DialogBehaviour::noAutoDefault(this);

    connect(m_cmdBrowse, &QPushButton::clicked, this,
            [this] { DialogBehaviour::guarded([this] { browse(); }); });
    connect(ok, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { confirm(); }); });
    // Enter in the description does what OK does.
    connect(m_txtAttchDocDesc, &QLineEdit::returnPressed, this,
            [this] { DialogBehaviour::guarded([this] { confirm(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void AttachDocumentBase::reject()
{
    m_cancelled = true;
    QDialog::reject();
}

void AttachDocumentBase::hideFileRow()
{
    m_editForm = true;
    m_lblSelectFile->hide();
    m_txtFilePathAndName->hide();
    m_cmdBrowse->hide();
}

void AttachDocumentBase::browse()
{
    const QString chosen = FileChooser::instance().openFile(
        QStringLiteral("Open File to attach"), m_txtFilePathAndName->text(),
        QStringLiteral("All Files (*)|*|Text Files (*.txt *.Txt)|*.txt|pdf Files (*.pdf)|*.pdf"));
    if (chosen.size() >= 2)
        m_txtFilePathAndName->setText(chosen);
}

bool AttachDocumentBase::fileAccepted(const QString& path)
{
    if (path.size() < 3) {
        Prompter::show({}, QStringLiteral("Please select a file."));
        return false;
    }
    // The file is checked now, while the user can still choose another; the store checks again.
    for (const QString& problem : {DocumentFiles::sourceProblem(path), modUtility::storedNameProblem(path)})
        if (!problem.isEmpty()) {
            Prompter::show({}, problem);
            return false;
        }
    return true;
}

void AttachDocumentBase::confirm()
{
    if (!datesValid())
        return;
    const QString path = DocumentFiles::expandHome(m_txtFilePathAndName->text());
    if (!m_editForm && !fileAccepted(path))
        return;
    const QString desc = m_txtAttchDocDesc->text();
    if (desc.size() > modUtility::DocDescLength) {
        Prompter::show(
            {},
            QStringLiteral("The description can have at most %1 characters; it has %2. Please shorten it.")
                .arg(modUtility::DocDescLength)
                .arg(desc.size()));
        m_txtAttchDocDesc->setFocus();
        return;
    }
    m_cancelled = false;
    m_fileSource = path;
    m_attachDocFile = m_editForm ? QString() : modUtility::GetUniqueFileName(path);
    m_attachDocDesc = desc;
    accept();
}

// ---------------------------------------------------------------------------------------------

AttachDocument::AttachDocument(QWidget* parent) : AttachDocumentBase(parent, QStringLiteral("lblDesc"))
{
    setObjectName(QStringLiteral("AttachDocument"));
    setWindowTitle(QStringLiteral("Select the document to attach"));
    // The window as the form was drawn.
    resize(GridView::pixelsOfTwips(this, 8500), GridView::pixelsOfTwips(this, 4500));
}

void AttachDocument::InitializEdit(const QString& description)
{
    setWindowTitle(QStringLiteral("Edit the description for the supporting document"));
    m_txtAttchDocDesc->setText(description);
    hideFileRow();
}

// ---------------------------------------------------------------------------------------------

AttachDocument1::AttachDocument1(QWidget* parent) : AttachDocumentBase(parent, QStringLiteral("Label1"))
{
    setObjectName(QStringLiteral("AttachDocument1"));
    setWindowTitle(QStringLiteral("Select a document to attach"));
    auto* lblOpenDate = named<QLabel>(this, QStringLiteral("lblOpenDate"), QStringLiteral("Open Date:"));
    m_dtpRecDocOpenDate = named<DateBox>(this, QStringLiteral("dtpRecDocOpenDate"));
    m_chkCloseDate = named<QCheckBox>(this, QStringLiteral("ChkCloseDate"), QStringLiteral("Clos&e Date:"));
    m_dtpRecDocCloseDate = named<DateBox>(this, QStringLiteral("dtpRecDocCloseDate"));
    lblOpenDate->setBuddy(m_dtpRecDocOpenDate);
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40;
    for (DateBox* box : {m_dtpRecDocOpenDate, m_dtpRecDocCloseDate})
        box->setFixedWidth(dateWidth);
    grid()->addItem(new QSpacerItem(0, 12), FirstFreeRow, 0);
    grid()->addWidget(lblOpenDate, FirstFreeRow + 1, 0);
    grid()->addWidget(m_dtpRecDocOpenDate, FirstFreeRow + 1, 1, Qt::AlignLeft);
    grid()->addWidget(m_chkCloseDate, FirstFreeRow + 2, 0);
    grid()->addWidget(m_dtpRecDocCloseDate, FirstFreeRow + 2, 1, Qt::AlignLeft);
    // Tab goes from the description through the dates to the buttons.
    setTabOrder(m_txtAttchDocDesc, m_dtpRecDocOpenDate);
    setTabOrder(m_dtpRecDocOpenDate, m_chkCloseDate);
    setTabOrder(m_chkCloseDate, m_dtpRecDocCloseDate);
    DialogBehaviour::noAutoDefault(this);
    closeDateToggled(false);
    connect(m_chkCloseDate, &QCheckBox::toggled, this, &AttachDocument1::closeDateToggled);
    resize(GridView::pixelsOfTwips(this, 8500), GridView::pixelsOfTwips(this, 6500));
}

void AttachDocument1::closeDateToggled(bool ticked)
{
    m_dtpRecDocCloseDate->setEnabled(ticked);
    m_dtpRecDocCloseDate->setFocusPolicy(ticked ? Qt::StrongFocus : Qt::NoFocus);
    m_dtpRecDocCloseDate->setText(ticked ? m_docCheckDate : QString());
    if (ticked)
        m_dtpRecDocCloseDate->setFocus();
}

void AttachDocument1::InitializEdit(const QString& openDate, const QString& closeDate,
                                    const QString& description)
{
    m_dtpRecDocOpenDate->setText(openDate);
    m_dtpRecDocCloseDate->setText(closeDate);
    if (!closeDate.isEmpty())
        m_dtpRecDocCloseDate->setEnabled(true);
    m_txtAttchDocDesc->setText(description);
    hideFileRow();
}

QString AttachDocument1::openDateValue() const
{
    return m_dtpRecDocOpenDate->date();
}

QString AttachDocument1::closeDateValue() const
{
    if (!m_dtpRecDocCloseDate->isEnabled())
        return {};
    return m_dtpRecDocCloseDate->date();
}

void AttachDocument1::setOpenDateValue(const QString& date)
{
    m_dtpRecDocOpenDate->setText(date);
}

void AttachDocument1::setCloseDateValue(const QString& date)
{
    m_dtpRecDocCloseDate->setText(date);
}

void AttachDocument1::setCloseDateTicked(bool ticked)
{
    m_chkCloseDate->setChecked(ticked);
}

bool AttachDocument1::datesValid()
{
    m_dtpRecDocOpenDate->commit();
    const auto open = DateRules::fromText(openDateValue());
    if (!open) {
        Prompter::show({}, QStringLiteral("The entry for Open Date is invalid."));
        m_dtpRecDocOpenDate->setFocus();
        return false;
    }
    if (!m_dtpRecDocCloseDate->isEnabled())
        return true;
    m_dtpRecDocCloseDate->commit();
    const auto close = DateRules::fromText(closeDateValue());
    if (!close) {
        Prompter::show({}, QStringLiteral("The entry for Close Date is invalid."));
        m_dtpRecDocCloseDate->setFocus();
        return false;
    }
    if (*close <= *open) {
        Prompter::show(
            {}, QStringLiteral(
                    "The Close Date must be after the Open Date. Please change the date so that the Close "
                    "Date will be after the Open Date."));
        m_dtpRecDocCloseDate->setFocus();
        return false;
    }
    return true;
}
