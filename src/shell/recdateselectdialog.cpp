#include "recdateselectdialog.h"

#include "datebox.h"
#include "global.h"
#include "prompter.h"
#include "titlepanels.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

RecDateSelectDialog::RecDateSelectDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RecDateSelectDialog"));
    setWindowTitle(QStringLiteral("Corvantis"));
    auto* title = new SimpleDialogTitlePanel(this);
    title->setObjectName(QStringLiteral("m_title"));
    title->initialize(QStringLiteral("Pick a Reconciliation Date to Use"));
    auto* divider = new DividerLine(this);
    divider->setObjectName(QStringLiteral("DividerLine2"));

    auto* label = new QLabel(QStringLiteral("Reconciliation Date:"), this);
    label->setObjectName(QStringLiteral("Label2"));
    m_date = new DateBox(this);
    m_date->setObjectName(QStringLiteral("dtpRecDate"));
    label->setBuddy(m_date);

    m_ok = button(this, QStringLiteral("OKButton"), QStringLiteral("&All Accounts"));
    m_active = button(this, QStringLiteral("btnActiveAccts"), QStringLiteral("Ac&tive Accts"));
    m_key = button(this, QStringLiteral("btnKeyCtrlAccts"), QStringLiteral("&Key Accounts"));
    auto* cancel = button(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    // Cancelling is no moving on: it takes no focus, so an invalid date closes quietly.
    cancel->setFocusPolicy(Qt::NoFocus);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(label);
    dateRow->addWidget(m_date);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {m_ok, m_active, m_key, cancel})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(title);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 0);
    layout->addLayout(body);
    body->addLayout(dateRow);
    body->addWidget(divider);
    body->addLayout(buttons);

    m_date->setText(Global::getCurrentRecDate());
    m_selectedDate = m_date->text();
    connect(m_date, &QLineEdit::textChanged, this, [this](const QString& t) { m_selectedDate = t; });
    connect(m_date, &DateBox::invalidDate, this, [] {
        Prompter::show(Prompter::applicationTitle(),
                       QStringLiteral("Date entered is invalid, Please enter a valid date in MMDDYYYY format."));
    });
    connect(m_date, &QLineEdit::editingFinished, this, [this] { leaveDate(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { approve(QStringLiteral("All Accounts")); });
    connect(m_active, &QPushButton::clicked, this, [this] { approve(QStringLiteral("Active Accounts")); });
    connect(m_key, &QPushButton::clicked, this, [this] { approve(QStringLiteral("Key Control Accounts")); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_date->setFocus();
    m_date->selectAll();
}

void RecDateSelectDialog::setFilterButtonsVisible(bool visible)
{
    m_active->setVisible(visible);
    m_key->setVisible(visible);
}

void RecDateSelectDialog::setOkCaption(const QString& caption)
{
    m_ok->setText(caption);
}

void RecDateSelectDialog::leaveDate()
{
    m_selectedDate = m_date->date();
}

void RecDateSelectDialog::approve(const QString& filter)
{
    // A button pressed by its mnemonic does not move the focus: take the typed date first.
    m_date->commit();
    m_selectedDate = m_date->date();
    if (m_selectedDate.isEmpty())
        return;
    Global::accountFilter = filter;
    m_approved = true;
    accept();
}
