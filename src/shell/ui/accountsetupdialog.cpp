#include "accountsetupdialog.h"

#include "apperror.h"
#include "datavalidationerror.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "global.h"
#include "msgboxutil.h"
#include "prompter.h"
#include "recresources.h"
#include "titlepanels.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

// A Yes/No pair in a frame of its own, so that each pair is one choice.
QFrame* yesNo(QWidget* parent, const QString& frame, QRadioButton*& yes, const QString& yesName, QRadioButton*& no,
              const QString& noName)
{
    auto* box = named<QFrame>(parent, frame);
    yes = named<QRadioButton>(box, yesName, QStringLiteral("Yes"));
    no = named<QRadioButton>(box, noName, QStringLiteral("No"));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(yes);
    row->addWidget(no);
    row->addStretch();
    return box;
}

// Sets the pair from a stored "Yes"/"No" (any letter case); any other value sets neither.
void showYesNo(const QString& value, QRadioButton* yes, QRadioButton* no)
{
    const QString upper = value.toUpper();
    yes->setChecked(upper == QStringLiteral("YES"));
    no->setChecked(upper == QStringLiteral("NO"));
}

// The position of the first member whose code matches, or -1.
template <class List, class Code>
int positionOf(const List& list, const QString& code, Code codeOf)
{
    int i = 0;
    for (const auto& member : list) {
        if (codeOf(member) == code)
            return i;
        ++i;
    }
    return -1;
}

} // namespace

AccountSetupDialog::AccountSetupDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AccountSetupDialog"));
    setWindowTitle(QStringLiteral("Account "));
    m_titlePanel = named<SimpleDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    auto* tutorial = named<TutorialButton>(this, QStringLiteral("TutorialButton1"));

    m_txtNumber = named<QLineEdit>(this, QStringLiteral("txtNumber"));
    m_txtName = named<QLineEdit>(this, QStringLiteral("txtName"));
    m_txtComment = named<QPlainTextEdit>(this, QStringLiteral("txtComment"));
    m_txtPolicy = named<QPlainTextEdit>(this, QStringLiteral("txtPolicy"));
    for (QPlainTextEdit* box : {m_txtComment, m_txtPolicy}) {
        box->setTabChangesFocus(true);
        box->setFixedHeight(box->fontMetrics().lineSpacing() * 3 + 12);
    }
    m_cboAccountType = named<QComboBox>(this, QStringLiteral("cboAccountType"));
    m_cboRecType = named<QComboBox>(this, QStringLiteral("cboRecType"));
    auto* keyFrame = yesNo(this, QStringLiteral("Frame1"), m_keyYes, QStringLiteral("Optkeycontrolyes"), m_keyNo,
                           QStringLiteral("OptKeyControlNo"));
    auto* activeFrame = yesNo(this, QStringLiteral("Frame2"), m_activeYes, QStringLiteral("Active_OptYes"), m_activeNo,
                              QStringLiteral("Active_OptNo"));
    m_txtErpNumber = named<QComboBox>(this, QStringLiteral("txtErpNumber"));
    m_txtErpNumber->setEditable(true);
    m_txtErpNumber->setInsertPolicy(QComboBox::NoInsert);
    m_lblErpNumberDesc = named<QLabel>(this, QStringLiteral("lblErpNumberDesc"));
    m_lblErpNumberDesc->setTextFormat(Qt::PlainText);

    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("&Save && Exit"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    DialogBehaviour::setCausesValidation(cancel, false);

    // The reference lists come from the connection's cache: read once, not per dialog or keystroke.
    for (const GLAccountType& t : m_accountTypes)
        m_cboAccountType->addItem(t.getName());
    for (const RecType& t : m_recTypes)
        m_cboRecType->addItem(t.getName());
    for (const ERPNumber& n : m_erpNumbers)
        m_txtErpNumber->addItem(n.getERPNumber());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Account Number:"), m_txtNumber);
    form->addRow(QStringLiteral("Account Name:"), m_txtName);
    form->addRow(QStringLiteral("Description:"), m_txtComment);
    form->addRow(QStringLiteral("Company Policy and/or Procedure:"), m_txtPolicy);
    form->addRow(QStringLiteral("Account Type:"), m_cboAccountType);
    form->addRow(QStringLiteral("Reconciliation Type:"), m_cboRecType);
    form->addRow(QStringLiteral("Key Control Account:"), keyFrame);
    form->addRow(QStringLiteral("Active Account:"), activeFrame);
    auto* erpRow = new QHBoxLayout;
    erpRow->addWidget(m_txtErpNumber);
    erpRow->addWidget(m_lblErpNumberDesc, 1);
    form->addRow(QStringLiteral("Consolidation Acct:"), erpRow);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(tutorial);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->addLayout(form);
    body->addWidget(new DividerLine(this));
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(m_titlePanel);
    layout->addLayout(body);
    resize(620, sizeHint().height());
    DialogBehaviour::noAutoDefault(this);

    // Every field but number and name goes into the account as it changes.
    connect(m_txtComment, &QPlainTextEdit::textChanged, this,
            [this] { m_account->setComment(m_txtComment->toPlainText()); });
    connect(m_txtPolicy, &QPlainTextEdit::textChanged, this,
            [this] { m_account->setPolicy(m_txtPolicy->toPlainText()); });
    connect(m_cboAccountType, &QComboBox::activated, this, [this](int index) {
        m_account->setAccountTypeCode(m_accountTypes.getGLAccountTypeAt(index + 1).getCode());
    });
    connect(m_cboRecType, &QComboBox::activated, this, &AccountSetupDialog::chooseRecType);
    connect(m_keyYes, &QRadioButton::clicked, this, [this] { m_account->setKeyControl(QStringLiteral("Yes")); });
    connect(m_keyNo, &QRadioButton::clicked, this, [this] { m_account->setKeyControl(QStringLiteral("No")); });
    connect(m_activeYes, &QRadioButton::clicked, this, [this] { m_account->setActive(QStringLiteral("Yes")); });
    connect(m_activeNo, &QRadioButton::clicked, this, [this] { m_account->setActive(QStringLiteral("No")); });
    connect(m_txtErpNumber, &QComboBox::editTextChanged, this,
            [this](const QString& text) { m_account->SetERPNumber(text); });
    connect(m_txtErpNumber, &QComboBox::activated, this, &AccountSetupDialog::chooseErpNumber);
    connect(ok, &QPushButton::clicked, this, &AccountSetupDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void AccountSetupDialog::initialize(GLAccount& account)
{
    m_account = &account;
    setWindowTitle(RecDialogResource().getDialogTitle(account));
    m_titlePanel->initialize(account.getNumber().isEmpty()
                                 ? QStringLiteral("New Account")
                                 : account.getNumber() + QStringLiteral(" - ") + account.getName());
    // Showing the account's own values changes nothing in it.
    const QSignalBlocker b1(m_txtComment), b2(m_txtPolicy), b3(m_txtErpNumber);
    m_txtNumber->setText(account.getNumber());
    m_txtName->setText(account.getName());
    m_txtComment->setPlainText(account.getComment());
    m_txtPolicy->setPlainText(account.getPolicy());
    showYesNo(account.getKeyControl(), m_keyYes, m_keyNo);
    showYesNo(account.getActive(), m_activeYes, m_activeNo);
    m_cboAccountType->setCurrentIndex(
        positionOf(m_accountTypes, account.getAccountType().getCode(), [](const GLAccountType& t) { return t.getCode(); }));
    m_cboRecType->setCurrentIndex(
        positionOf(m_recTypes, account.getRecType().getCode(), [](const RecType& t) { return t.getCode(); }));
    m_noType = account.getRecType().getCode() == QStringLiteral("N");
    const int erp = positionOf(m_erpNumbers, account.getERPNumber().getERPNumber(),
                               [](const ERPNumber& n) { return n.getERPNumber(); });
    m_txtErpNumber->setCurrentIndex(erp);
    if (erp >= 0)
        m_lblErpNumberDesc->setText(m_erpNumbers.getERPNumberAt(erp + 1).getERPNumberDesc());
    else // a code the list does not hold is shown as stored
        m_txtErpNumber->setEditText(account.getERPNumber().isNull() ? QString() : account.getERPNumber().getERPNumber());
    account.beginEdit();
}

QString AccountSetupDialog::recTypeWarningText()
{
    return QStringLiteral("WARNING: Changing Reconciliation Types may cause some information to\r\n"
                          "become unusable. To utilize a different Reconciliation Type, read the\r\n"
                          "'Reconciliation Types' section of the Tutorial that describes the proper steps to\r\n"
                          "take to use a different Reconciliation Type.\r\n"
                          "\r\n"
                          "NOTE: If you have never used this account to prepare reconciliations you may\r\n"
                          "change the Reconcilation Type without any effect on other data.\r\n"
                          "\r\n"
                          "Are you sure you want to change the Reconciliation Type now?");
}

void AccountSetupDialog::chooseRecType(int index)
{
    const RecType chosen = m_recTypes.getRecTypeAt(index + 1);
    const QString current = m_account->getRecType().getCode();
    if (m_noType || chosen.getCode() == current) {
        m_account->setRecTypeCode(chosen.getCode());
        return;
    }
    if (Prompter::show(Prompter::applicationTitle(), recTypeWarningText(), Prompter::Buttons::YesNo,
                       Prompter::Icon::Warning) == Prompter::Yes) {
        m_account->setRecTypeCode(chosen.getCode());
        return;
    }
    const int back = positionOf(m_recTypes, current, [](const RecType& t) { return t.getCode(); });
    if (back >= 0)
        m_cboRecType->setCurrentIndex(back);
}

void AccountSetupDialog::chooseErpNumber(int index)
{
    if (index < 0)
        return;
    const ERPNumber& chosen = m_erpNumbers.getERPNumberAt(index + 1);
    m_account->SetERPNumber(chosen.getERPNumber());
    m_lblErpNumberDesc->setText(chosen.getERPNumberDesc());
}

void AccountSetupDialog::save()
{
    DialogBehaviour::guarded([this] {
        try {
            m_account->setNumber(m_txtNumber->text());
            m_account->setName(m_txtName->text());
            if (!m_account->validate())
                return;
            m_account->applyEdit();
            accept();
        } catch (const AppError& e) {
            if (e.number() != AppError::ObjectErrorBase)
                throw; // a failed store: shown as it is, the dialog stays open
            const DataValidationError error(e);
            MsgBoxUtil::displayDataValidationError(error);
            focusFor(error.getType());
        }
    });
}

void AccountSetupDialog::focusFor(const QString& type)
{
    if (type == QStringLiteral("AccountNumberMissing") || type == QStringLiteral("AccountNumberNotUnique")) {
        m_txtNumber->setFocus();
        m_txtNumber->selectAll();
    } else if (type == QStringLiteral("AccountNameMissing")) {
        m_txtName->setFocus();
    } else if (type == QStringLiteral("AccountTypeMissing")) {
        m_cboAccountType->setFocus();
    } else if (type == QStringLiteral("RecTypeMissing")) {
        m_cboRecType->setFocus();
    }
}
