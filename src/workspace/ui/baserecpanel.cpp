#include "baserecpanel.h"

#include "amountbox.h"
#include "apperror.h"
#include "clock.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "glaccountbalance.h"
#include "global.h"
#include "prompter.h"
#include "recrules.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>

using DialogBehaviour::named;

namespace {

constexpr int kCommentLimit = 1000;

} // namespace

BaseRecPanel::BaseRecPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("m_baseRecPanel"));
    DialogBehaviour::useTahoma(this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);

    m_txtAmount = named<AmountBox>(this, QStringLiteral("txtAmount"));
    auto* amountLabel = named<QLabel>(this, QStringLiteral("lblAmount"), QStringLiteral("&G/L Balance:"));
    amountLabel->setBuddy(m_txtAmount);
    grid->addWidget(amountLabel, 0, 0);
    grid->addWidget(m_txtAmount, 0, 1);

    m_txtComment = named<QPlainTextEdit>(this, QStringLiteral("txtComment"));
    m_txtComment->setTabChangesFocus(true);
    m_txtComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtComment->setFixedHeight(m_txtComment->fontMetrics().lineSpacing() * 5 + 10);
    DialogBehaviour::limitLength(m_txtComment, kCommentLimit);
    auto* commentLabel = named<QLabel>(this, QStringLiteral("lblComment"), QStringLiteral("Co&mment:"));
    commentLabel->setBuddy(m_txtComment);
    grid->addWidget(commentLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(m_txtComment, 1, 1, 1, 3);

    const QString boxNames[3] = {QStringLiteral("ChkPreparedBy"), QStringLiteral("ChkApprovedBy"),
                                 QStringLiteral("ChkReviewedBy")};
    const QString rowTexts[3] = {QStringLiteral("Prepared by:"), QStringLiteral("Approved by:"),
                                 QStringLiteral("Reviewed by:")};
    const QString nameNames[3] = {QStringLiteral("txtPreparedBy"), QStringLiteral("txtapprovedby"),
                                  QStringLiteral("txtreviewedby")};
    const QString dateNames[3] = {QStringLiteral("txtPreparedDate"), QStringLiteral("txtApprovedDate"),
                                  QStringLiteral("txtReviewedDate")};
    for (int i = 0; i < 3; ++i) {
        const auto box = static_cast<SignOffRules::Box>(i);
        m_boxes[i] = named<QCheckBox>(this, boxNames[i]);
        m_names[i] = named<QLabel>(this, nameNames[i]);
        m_dates[i] = named<QLabel>(this, dateNames[i]);
        m_names[i]->setMinimumWidth(220);
        grid->addWidget(named<QLabel>(this, QStringLiteral("lblRow%1").arg(i), rowTexts[i]), 2 + i, 0);
        auto* row = new QHBoxLayout;
        row->addWidget(m_boxes[i]);
        row->addWidget(m_names[i]);
        row->addWidget(m_dates[i]);
        row->addStretch(1);
        grid->addLayout(row, 2 + i, 1, 1, 3);
        connect(m_boxes[i], &QCheckBox::clicked, this, [this, box](bool ticked) { clicked(box, ticked); });
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    connect(m_txtAmount, &AmountBox::amountAccepted, this, [this] {
        if (!m_balance)
            return;
        m_balance->getAmount() = m_txtAmount->amount();
        Q_EMIT AmountChanged();
    });
    connect(m_txtComment, &QPlainTextEdit::textChanged, this, [this] {
        if (m_balance)
            m_balance->setComment(m_txtComment->toPlainText());
    });
}

void BaseRecPanel::initialize(IGLAccountBalance& balance)
{
    m_balance = nullptr; // nothing is written back while the panel is filled
    m_txtAmount->setAmount(balance.getAmount());
    m_rules.load(balance, Global::permission, Global::reportName, DateRules::toText(Clock::instance().today()));
    // A stored comment is shown whole, even one longer than what may be typed.
    {
        const QSignalBlocker block(m_txtComment);
        m_txtComment->setPlainText(balance.getComment());
    }
    m_balance = &balance;
    showSignOffs();
}

bool BaseRecPanel::explainsDifference(const std::optional<ARCurrency>& difference)
{
    if (!m_balance || !RecRules::commentRequired(difference, m_balance->getComment()))
        return true;
    Prompter::show(Prompter::applicationTitle(), RecRules::commentRequiredMessage(), Prompter::Buttons::Ok,
                   Prompter::Icon::Information);
    return false;
}

void BaseRecPanel::handleDataValidationError(const AppError& error)
{
    DialogBehaviour::report(error);
}

void BaseRecPanel::clicked(SignOffRules::Box box, bool ticked)
{
    m_rules.click(box, ticked);
    showSignOffs();
}

void BaseRecPanel::showSignOffs()
{
    if (!m_balance)
        return;
    const QString names[3] = {m_balance->getPreparedBy(), m_balance->getApprovedBy(), m_balance->getReviewedBy()};
    const QString dates[3] = {m_balance->getPreparedByDate(), m_balance->getApprovedByDate(),
                              m_balance->getReviewedByDate()};
    for (int i = 0; i < 3; ++i) {
        const auto& state = m_rules.state(static_cast<SignOffRules::Box>(i));
        const QSignalBlocker block(m_boxes[i]);
        m_boxes[i]->setChecked(state.ticked);
        m_boxes[i]->setEnabled(state.enabled);
        m_names[i]->setText(names[i]);
        m_dates[i]->setText(dates[i]);
    }
}
