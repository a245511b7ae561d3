#include "recdateselectdialog.h"

#include "datebox.h"
#include "dialogbehaviour.h"
#include "global.h"
#include "titlepanels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
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
    m_date->setMinimumWidth(m_date->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    label->setBuddy(m_date);

    m_ok = button(this, QStringLiteral("OKButton"), QStringLiteral("&All Accounts"));
    m_active = button(this, QStringLiteral("btnActiveAccts"), QStringLiteral("Ac&tive Accts"));
    m_key = button(this, QStringLiteral("btnKeyCtrlAccts"), QStringLiteral("&Key Accounts"));
    auto* cancel = button(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    // Cancelling is no moving on: an invalid date in the box closes quietly.
    DialogBehaviour::setCausesValidation(cancel, false);
    DialogBehaviour::noAutoDefault(this);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(label);
    dateRow->addWidget(m_date);
    dateRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {m_ok, m_active, m_key, cancel})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(title);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->setSpacing(10);
    layout->addLayout(body);
    body->addLayout(dateRow);
    body->addWidget(divider);
    body->addLayout(buttons);

    connect(m_date, &QLineEdit::textChanged, this, [this](const QString& t) { m_selectedDate = t; });
    // Leaving the box: the normalised date, or none while the text is no date (kept as typed).
    connect(m_date, &QLineEdit::editingFinished, this,
            DialogBehaviour::whileWhole(this, [this] { m_selectedDate = m_date->date(); }));
    connect(m_ok, &QPushButton::clicked, this, [this] { approve(QStringLiteral("All Accounts")); });
    connect(m_active, &QPushButton::clicked, this, [this] { approve(QStringLiteral("Active Accounts")); });
    connect(m_key, &QPushButton::clicked, this, [this] { approve(QStringLiteral("Key Control Accounts")); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    load();
}

void RecDateSelectDialog::load()
{
    if (LeaveCheck* check = LeaveCheck::of(m_date))
        check->cancelPending();
    m_approved = false;
    m_date->setText(Global::getCurrentRecDate());
    m_selectedDate = m_date->date();
    m_date->setFocus();
    m_date->selectAll();
}

void RecDateSelectDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) // not when the window system merely shows it again
        load();
    QDialog::showEvent(event);
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

void RecDateSelectDialog::approve(const QString& filter)
{
    // A button pressed by its mnemonic leaves the focus in the box: take the typed date first.
    // A text that is no date blocks the buttons silently; leaving the box is what reports it.
    m_date->commit();
    m_selectedDate = m_date->date();
    if (m_selectedDate.isEmpty())
        return;
    Global::accountFilter = filter;
    m_approved = true;
    accept();
}
