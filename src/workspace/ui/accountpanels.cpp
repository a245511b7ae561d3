#include "accountpanels.h"

#include "accountinfotexts.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "report.h"

#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using DialogBehaviour::named;

RecDialogTitlePanel::RecDialogTitlePanel(QWidget* parent) : CompoundDialogTitlePanel(parent)
{
    setObjectName(QStringLiteral("m_titlePanel"));
    findChild<QLabel*>(QStringLiteral("lblTitle"))->setObjectName(QStringLiteral("lblMainHeading"));
    findChild<QLabel*>(QStringLiteral("lblSubTitle"))->setObjectName(QStringLiteral("lblSubHeading"));
    CompoundDialogTitlePanel::initialize(QStringLiteral("Account"), QStringLiteral("As of"));
}

void RecDialogTitlePanel::initialize(IGLAccountBalance& balance)
{
    const auto& account = balance.getGLAccount();
    const QString heading = account ? QStringLiteral("Account  ") + account->getNumber() + QStringLiteral(" - ") +
                                          account->getName()
                                    : QStringLiteral("Account");
    const auto day = DateRules::fromText(balance.getDate());
    CompoundDialogTitlePanel::initialize(heading, day ? ReportValues::asOf(*day) : QStringLiteral("As of"));
}

namespace {

QPlainTextEdit* readOnlyText(QWidget* parent, const QString& name, const QString& design)
{
    auto* t = named<QPlainTextEdit>(parent, name, design);
    t->setReadOnly(true);
    t->setTabChangesFocus(true);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setBackgroundRole(QPalette::Button);
    QPalette p = t->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    t->setPalette(p);
    return t;
}

QLabel* heading(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

AccountInfoPanel::AccountInfoPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("m_accountInfoPanel"));
    DialogBehaviour::useTahoma(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(this, QStringLiteral("Account Information")));
    layout->addWidget(new DividerLine(this));

    auto* form = new QFormLayout;
    const auto value = [this, form](const QString& caption, const QString& name, const QString& design) {
        auto* l = named<QLabel>(this, name, design);
        l->setTextFormat(Qt::PlainText);
        form->addRow(caption, l);
        return l;
    };
    m_lblAccountType = value(QStringLiteral("Account Type:"), QStringLiteral("lblAccountType"),
                             QStringLiteral("<<AccountType>>"));
    m_lblNormalBalance = value(QStringLiteral("Normal Balance:"), QStringLiteral("lblNormalBalance"),
                               QStringLiteral("<<NormalBalance>>"));
    m_lblRecType = value(QStringLiteral("Reconciliation Type:"), QStringLiteral("lblRecType"),
                         QStringLiteral("<<RecType>>"));
    m_lblKeyControlVal = value(QStringLiteral("Key Control:"), QStringLiteral("lblKeyControlVal"),
                               QStringLiteral("<<KeyControl>>"));
    m_lblAcctactive = value(QStringLiteral("Active Account:"), QStringLiteral("lblAcctactive"),
                            QStringLiteral("<<KeyAcctActive>>"));
    m_lblERPNum_Desc = value(QStringLiteral("Hyperion Account:"), QStringLiteral("lblERPNum_Desc"), QString());
    layout->addLayout(form);

    auto* divider = new DividerLine(this);
    divider->setObjectName(QStringLiteral("DividerLine3"));
    layout->addWidget(divider);
    m_txtDesc = readOnlyText(this, QStringLiteral("txtDesc"), QStringLiteral("Account Description"));
    m_txtPolicy = readOnlyText(this, QStringLiteral("txtPolicy"), QStringLiteral("Company Policy"));
    m_txtHelp = readOnlyText(this, QStringLiteral("txtHelp"), QStringLiteral("Helpful Tips"));
    layout->addWidget(heading(this, QStringLiteral("Description:")));
    layout->addWidget(m_txtDesc, 1);
    layout->addWidget(heading(this, QStringLiteral("Company Policy and/or Procedure:")));
    layout->addWidget(m_txtPolicy, 1);
    layout->addWidget(heading(this, QStringLiteral("Helpful Tips")));
    layout->addWidget(m_txtHelp, 2);
}

void AccountInfoPanel::initialize(const GLAccount& account)
{
    m_lblAccountType->setText(account.getAccountType().getName());
    m_lblRecType->setText(account.getRecType().getName());
    m_lblNormalBalance->setText(AccountInfoTexts::normalBalance(account));
    m_txtDesc->setPlainText(AccountInfoTexts::description(account));
    m_txtPolicy->setPlainText(AccountInfoTexts::policy(account));
    m_txtHelp->setPlainText(AccountInfoTexts::helpfulTips(account));
    m_lblAcctactive->setText(AccountInfoTexts::yesNo(account.getActive()));
    m_lblKeyControlVal->setText(AccountInfoTexts::yesNo(account.getKeyControl()));
    m_lblERPNum_Desc->setText(AccountInfoTexts::erpNumber(account));
}
