#include "amortizableitemdialog.h"

#include "amortizableitem.h"
#include "amortizationdialog.h"
#include "amountbox.h"
#include "ctlattachedfiles.h"
#include "datebox.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "msgboxutil.h"
#include "prepaidrules.h"
#include "prompter.h"
#include "titlepanels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

constexpr int kCommentLimit = 1000;

void inform(const QString& text)
{
    Prompter::show(Prompter::applicationTitle(), text, Prompter::Buttons::Ok, Prompter::Icon::Information);
}

DateBox* dateBox(QWidget* parent, const QString& name, const QString& message, bool icon)
{
    auto* box = named<DateBox>(parent, name);
    box->setMaxLength(10);
    box->removeCalendar(); // the item's dates are typed
    box->setInvalidMessage(QString());
    QObject::connect(box, &DateBox::invalidDate, box, [message, icon] {
        if (icon)
            inform(message);
        else
            Prompter::show(Prompter::applicationTitle(), message);
    });
    return box;
}

} // namespace

AmortizableItemDialog::AmortizableItemDialog(QWidget* parent)
    : QDialog(parent), m_runDialog([](QDialog& d) { return d.exec(); })
{
    setObjectName(QStringLiteral("AmortizableItemDialog"));
    setWindowTitle(QStringLiteral("Amortizable Prepaid Item"));
    DialogBehaviour::useTahoma(this);
    auto* outer = new QVBoxLayout(this);
    m_titlePanel = named<SimpleDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    outer->addWidget(m_titlePanel);

    m_txtDesc = named<QLineEdit>(this, QStringLiteral("txtDesc"));
    m_txtAmount = named<AmountBox>(this, QStringLiteral("txtAmount"));
    m_txtComment = named<QPlainTextEdit>(this, QStringLiteral("txtComment"));
    m_txtComment->setTabChangesFocus(true);
    m_txtComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtComment->setFixedHeight(m_txtComment->fontMetrics().lineSpacing() * 4 + 12);
    DialogBehaviour::limitLength(m_txtComment, kCommentLimit);
    m_dtpOpenDate =
        dateBox(this, QStringLiteral("dtpOpenDate"), PrepaidRules::openDateInvalidMessage(), true);
    m_dtpStartDate =
        dateBox(this, QStringLiteral("dtpStartDate"), PrepaidRules::startDateInvalidMessage(), false);
    m_dtpEndDate = dateBox(this, QStringLiteral("dtpEndDate"), PrepaidRules::endDateInvalidMessage(), true);
    m_cboMethod = named<QComboBox>(this, QStringLiteral("cboMethod"));
    m_cboMethod->addItems({QStringLiteral("Equal Monthly Amounts"), QStringLiteral("Equal Daily Amounts"),
                           QStringLiteral("User Defined Monthly Amounts")});
    m_cboMethod->setFocusPolicy(Qt::NoFocus);
    m_cmdMonthlyAmounts =
        named<QPushButton>(this, QStringLiteral("cmdMonthlyAmounts"), QStringLiteral("Monthly Amou&nts..."));

    auto* grid = new QGridLayout;
    const auto row = [&](const char* labelName, const QString& caption, QWidget* field, int r) {
        auto* label = named<QLabel>(this, QLatin1String(labelName), caption);
        label->setBuddy(field);
        grid->addWidget(label, r, 0, field == m_txtComment ? Qt::AlignTop : Qt::AlignVCenter);
        grid->addWidget(field, r, 1);
    };
    row("Label1", QStringLiteral("Description:"), m_txtDesc, 0);
    row("Label2", QStringLiteral("Amount:"), m_txtAmount, 1);
    row("Label3", QStringLiteral("Comments:"), m_txtComment, 2);
    row("Label4", QStringLiteral("Open Date:"), m_dtpOpenDate, 3);
    row("Label5", QStringLiteral("Amortization Begin Date:"), m_dtpStartDate, 4);
    row("Label6", QStringLiteral("Amortization End Date:"), m_dtpEndDate, 5);
    row("Label7", QStringLiteral("Method of Amortization:"), m_cboMethod, 6);
    for (QWidget* w : {static_cast<QWidget*>(m_txtAmount), static_cast<QWidget*>(m_dtpOpenDate),
                       static_cast<QWidget*>(m_dtpStartDate), static_cast<QWidget*>(m_dtpEndDate)})
        w->setMaximumWidth(140);
    m_cboMethod->setMaximumWidth(240);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);
    auto* monthly = new QHBoxLayout;
    auto* hint = named<QLabel>(
        this, QStringLiteral("Label8"),
        QStringLiteral("To view or edit the monthly amortization amounts, click Monthly Amounts."));
    hint->setWordWrap(true);
    monthly->addWidget(hint, 1);
    monthly->addWidget(m_cmdMonthlyAmounts);
    outer->addLayout(monthly);

    outer->addWidget(named<DividerLine>(this, QStringLiteral("DividerLine1")));
    m_ctlAttachedFiles1 = named<ctlAttachedFiles>(this, QStringLiteral("ctlAttachedFiles1"));
    outer->addWidget(m_ctlAttachedFiles1);
    outer->addWidget(named<DividerLine>(this, QStringLiteral("DividerLine2")));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("&Save && Exit"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    DialogBehaviour::setCausesValidation(cancel, false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    DialogBehaviour::noAutoDefault(this);
    DialogBehaviour::enterMovesOn(m_txtDesc);

    setTabOrder(m_txtDesc, m_txtAmount);
    setTabOrder(m_txtAmount, m_txtComment);
    setTabOrder(m_txtComment, m_dtpOpenDate);
    setTabOrder(m_dtpOpenDate, m_dtpStartDate);
    setTabOrder(m_dtpStartDate, m_dtpEndDate);
    setTabOrder(m_dtpEndDate, m_cmdMonthlyAmounts);
    setTabOrder(m_cmdMonthlyAmounts, ok);
    setTabOrder(ok, cancel);

    // Each box writes into the item as it changes; the amount once it is accepted.
    connect(m_txtDesc, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (m_item)
            m_item->setDescription(t);
    });
    connect(m_txtComment, &QPlainTextEdit::textChanged, this, [this] {
        if (m_item)
            m_item->setComment(m_txtComment->toPlainText());
    });
    connect(m_txtAmount, &AmountBox::amountAccepted, this, [this] {
        if (m_item)
            m_item->getAmount() = m_txtAmount->amount();
    });
    connect(m_dtpOpenDate, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (m_item)
            m_item->setOpenDate(t);
    });
    connect(m_dtpStartDate, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (m_item)
            m_item->setStartDate(t);
    });
    connect(m_dtpEndDate, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (m_item)
            m_item->setEndDate(t);
    });

    connect(m_cmdMonthlyAmounts, &QPushButton::clicked, this,
            [this] { DialogBehaviour::guardedCommitted(this, [this] { monthlyAmounts(); }); });
    connect(ok, &QPushButton::clicked, this, &AmortizableItemDialog::save);
    connect(cancel, &QPushButton::clicked, this, &AmortizableItemDialog::reject);
    resize(560, 600);
}

void AmortizableItemDialog::initialize(AmortizableItem& item, const QString& recDate)
{
    m_recDate = recDate;
    m_item = nullptr; // nothing is written back while the boxes are filled
    m_cboMethod->setCurrentIndex(0);
    m_titlePanel->initialize(PrepaidRules::itemDialogTitle(item.getGLAccount().get()));
    m_item = &item;
    showItem();
    item.beginEdit();
    m_txtDesc->setFocus();
}

void AmortizableItemDialog::showItem()
{
    m_dtpOpenDate->setText(m_item->getOpenDate());
    m_dtpStartDate->setText(m_item->getStartDate());
    m_dtpEndDate->setText(m_item->getEndDate());
    m_txtAmount->setAmount(m_item->getAmount());
    {
        // A stored comment is shown whole, even one longer than what may be typed.
        const QSignalBlocker block(m_txtComment);
        m_txtComment->setPlainText(m_item->getComment());
    }
    m_txtDesc->setText(m_item->getDescription());

    const auto& account = m_item->getGLAccount();
    m_ctlAttachedFiles1->setAccountId(account ? account->getID().toInt() : 0,
                                      account ? account->getNumber() : QString());
    m_ctlAttachedFiles1->setRecItemId(m_item->getID().isEmpty() ? 0 : m_item->getID().toInt());
    m_ctlAttachedFiles1->setItemType(0);
    m_ctlAttachedFiles1->intitalize();
    if (m_ctlAttachedFiles1->getRecItemId() >= 1)
        m_ctlAttachedFiles1->loadListView();
}

bool AmortizableItemDialog::datesValid()
{
    const struct
    {
        DateBox* box;
        QString message;
    } boxes[] = {{m_dtpOpenDate, PrepaidRules::openDateInvalidMessage()},
                 {m_dtpStartDate, PrepaidRules::startDateInvalidMessage()},
                 {m_dtpEndDate, PrepaidRules::endDateInvalidMessage()}};
    for (const auto& b : boxes) {
        // The box shows the normalised date, and so does the item.
        b.box->commit();
        if (b.box->date().isEmpty()) {
            inform(b.message);
            b.box->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

void AmortizableItemDialog::monthlyAmounts()
{
    if (!m_item)
        return;
    m_item->validate();
    AmortizationDialog dialog(this);
    dialog.initialize(*m_item);
    m_runDialog(dialog);
}

void AmortizableItemDialog::save()
{
    DialogBehaviour::guardedCommitted(this, [this] {
        if (!m_item || !datesValid())
            return;
        const QString missing =
            PrepaidRules::missingFieldsMessage(m_item->getAmount(), m_item->getDescription());
        if (!missing.isEmpty()) {
            inform(missing);
            return;
        }
        // Nothing is written for an item that ends before it begins.
        if (!ARDateField(m_item->getEndDate()).isAfter(ARDateField(m_item->getStartDate()))) {
            inform(PrepaidRules::endDateNotAfterStartMessage());
            m_dtpEndDate->setFocus(Qt::OtherFocusReason);
            return;
        }
        m_item->applyEdit();
        // A new item has just received its id: its documents are stored under it.
        m_ctlAttachedFiles1->setRecItemId(m_item->getID().toInt());
        m_ctlAttachedFiles1->SaveFiles();
        accept();
        MsgBoxUtil::displayListedLaterNotice(
            {MsgBoxUtil::listedLaterText(QStringLiteral("prepaid item"), m_item->getOpenDate(), m_recDate)});
    });
}

void AmortizableItemDialog::reject()
{
    if (m_item)
        m_item->cancelEdit();
    QDialog::reject();
}
