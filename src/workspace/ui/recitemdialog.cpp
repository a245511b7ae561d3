#include "recitemdialog.h"

#include "amountbox.h"
#include "ctlattachedfiles.h"
#include "datebox.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "msgboxutil.h"
#include "prompter.h"
#include "reconcilingitem.h"
#include "recresources.h"
#include "recrules.h"
#include "titlepanels.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

constexpr int kCommentLimit = 1000;
const QString kTimingCodes[4] = {QStringLiteral("R"), QStringLiteral("T"), QStringLiteral("L"),
                                 QStringLiteral("U")};

void say(const QString& text)
{
    Prompter::show(Prompter::applicationTitle(), text);
}

// Runs a handler when the widget gains or loses the focus.
class FocusHook final : public QObject
{
public:
    using Handler = std::function<void(const QFocusEvent&)>;
    FocusHook(QWidget* widget, QEvent::Type type, Handler handler)
        : QObject(widget), m_type(type), m_handler(std::move(handler))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            m_handler(*static_cast<QFocusEvent*>(event));
        return false;
    }

private:
    QEvent::Type m_type;
    Handler m_handler;
};

} // namespace

RecItemDialog::RecItemDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RecItemDialog"));
    setWindowTitle(QStringLiteral("List or Reconciling Item"));
    DialogBehaviour::useTahoma(this);
    auto* outer = new QVBoxLayout(this);
    m_titlePanel = named<SimpleDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    outer->addWidget(m_titlePanel);

    auto* grid = new QGridLayout;
    m_lblOpenDate = named<QLabel>(this, QStringLiteral("lblOpenDate"), QStringLiteral("Open Date:"));
    m_dtpOpenDate = named<DateBox>(this, QStringLiteral("dtpOpenDate"));
    m_dtpOpenDate->setMaxLength(10);
    m_lblOpenDate->setBuddy(m_dtpOpenDate);
    m_ChkCloseDate = named<QCheckBox>(this, QStringLiteral("ChkCloseDate"), QStringLiteral("Clos&e Date:"));
    m_lblClosedDate = named<QLabel>(this, QStringLiteral("lblClosedDate"), QStringLiteral("Close Date:"));
    m_lblClosedDate->hide(); // the check box's caption stands in its place
    m_dtpCloseDate = named<DateBox>(this, QStringLiteral("dtpCloseDate"));
    m_dtpCloseDate->setMaxLength(10);
    m_lblAmount = named<QLabel>(this, QStringLiteral("lblAmount"), QStringLiteral(" Amount:"));
    m_txtAmount = named<AmountBox>(this, QStringLiteral("txtAmount"));
    m_lblAmount->setBuddy(m_txtAmount);
    m_lblDesc = named<QLabel>(this, QStringLiteral("lblDesc"), QStringLiteral("Description:"));
    m_txtComment = named<QPlainTextEdit>(this, QStringLiteral("txtComment"));
    m_txtComment->setTabChangesFocus(true);
    m_txtComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DialogBehaviour::limitLength(m_txtComment, kCommentLimit);
    m_lblDesc->setBuddy(m_txtComment);
    grid->addWidget(m_lblOpenDate, 0, 0);
    grid->addWidget(m_dtpOpenDate, 0, 1);
    grid->addWidget(m_ChkCloseDate, 1, 0);
    grid->addWidget(m_dtpCloseDate, 1, 1);
    grid->addWidget(m_lblAmount, 2, 0);
    grid->addWidget(m_txtAmount, 2, 1);
    grid->addWidget(m_lblDesc, 3, 0, Qt::AlignTop);
    grid->addWidget(m_txtComment, 3, 1, 1, 2);

    auto* frame = named<QGroupBox>(this, QStringLiteral("Frame1"));
    auto* frameLayout = new QVBoxLayout(frame);
    const QString names[4] = {QStringLiteral("optReqadjustment"), QStringLiteral("optTiming"),
                              QStringLiteral("OptListComp"), QStringLiteral("optUnresolved")};
    const QString captions[4] = {QStringLiteral("&Required Adjustment"), QStringLiteral("&Timing Item"),
                                 QStringLiteral("&List Component"), QStringLiteral("&Unresolved")};
    for (int i = 0; i < 4; ++i) {
        m_timing[i] = named<QCheckBox>(frame, names[i], captions[i]);
        frameLayout->addWidget(m_timing[i]);
        const QString code = kTimingCodes[i];
        connect(m_timing[i], &QCheckBox::clicked, this,
                [this, code](bool ticked) { timingClicked(code, ticked); });
        // A timing box the focus reaches while it is unticked becomes the chosen timing, so that
        // tabbing through the boxes picks each in turn.
        QCheckBox* box = m_timing[i];
        new FocusHook(box, QEvent::FocusIn,
                      DialogBehaviour::whileWhole(this, [this, box, code](const QFocusEvent& e) {
                          if (DialogBehaviour::isMovingOn(e.reason()) && !box->isChecked())
                              setTiming(code);
                      }));
    }
    grid->addWidget(frame, 0, 2, 3, 1);
    outer->addLayout(grid);

    auto* divider = new DividerLine(this);
    outer->addWidget(divider);
    m_ctlAttachedFiles1 = named<ctlAttachedFiles>(this, QStringLiteral("ctlAttachedFiles1"));
    outer->addWidget(m_ctlAttachedFiles1);
    auto* divider2 = new DividerLine(this);
    divider2->setObjectName(QStringLiteral("DividerLine2"));
    outer->addWidget(divider2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_OKButton = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("&Save && Exit"));
    m_CancelButton = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    DialogBehaviour::setCausesValidation(m_CancelButton, false);
    buttons->addWidget(m_OKButton);
    buttons->addWidget(m_CancelButton);
    outer->addLayout(buttons);
    DialogBehaviour::noAutoDefault(this);

    setTabOrder(m_txtComment, m_txtAmount);
    setTabOrder(m_txtAmount, m_ChkCloseDate);
    setTabOrder(m_ChkCloseDate, m_dtpCloseDate);
    setTabOrder(m_dtpCloseDate, m_OKButton);
    setTabOrder(m_OKButton, m_CancelButton);
    setTabOrder(m_CancelButton, m_timing[0]);
    setTabOrder(m_timing[0], m_timing[1]);
    setTabOrder(m_timing[1], m_timing[2]);
    setTabOrder(m_timing[2], m_dtpOpenDate);
    setTabOrder(m_dtpOpenDate, m_timing[3]);
    setTabOrder(m_timing[3], m_ctlAttachedFiles1);

    // Each field writes into the item as it changes or is accepted.
    connect(m_dtpOpenDate, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_item)
            m_item->setOpenDate(text);
    });
    connect(m_txtAmount, &AmountBox::amountAccepted, this, [this] {
        if (m_item)
            m_item->getAmount() = m_txtAmount->amount();
    });
    connect(m_txtComment, &QPlainTextEdit::textChanged, this, [this] {
        if (m_item)
            m_item->setComment(m_txtComment->toPlainText());
    });
    connect(m_ChkCloseDate, &QCheckBox::clicked, this, [this](bool ticked) { closeDateClicked(ticked); });
    new FocusHook(m_ChkCloseDate, QEvent::FocusOut,
                  DialogBehaviour::whileWhole(this, [this](const QFocusEvent&) {
                      if (m_dtpCloseDate->isEnabled())
                          m_dtpCloseDate->selectAll();
                  }));
    LeaveCheck::install(
        m_dtpOpenDate, [this] { return openDateLeft(); },
        [this] {
            say(m_dtpOpenDate->text().trimmed().isEmpty() ? RecItemRules::openDateEmptyMessage()
                                                          : RecItemRules::openDateInvalidMessage());
        });
    LeaveCheck::install(
        m_dtpCloseDate, [this] { return closeDateLeft(); },
        [] { say(RecItemRules::closeDateInvalidMessage()); });
    connect(m_OKButton, &QPushButton::clicked, this, [this] { save(); });
    connect(m_CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    move(5600 / 15, 1100 / 15);
}

void RecItemDialog::initialize(ReconcilingItem& item, const GLAccount& account, const QString& recDate)
{
    m_item = nullptr; // nothing is written back while the dialog is filled
    m_recDate = recDate;
    RecItemResource resource;
    resource.initialize(item.getType().getCode());
    setWindowTitle(resource.getDialogCaption());
    m_titlePanel->initialize(resource.getMainHeadingText(account));
    m_lblOpenDate->setText(resource.getOpenDateLabel() + QLatin1Char(':'));
    m_lblDesc->setText(resource.getDescriptionLabel() + QLatin1Char(':'));
    m_lblAmount->setText(resource.getAmountLabel() + QLatin1Char(':'));
    m_lblClosedDate->setText(resource.getClosedDateLabel() + QLatin1Char(':'));

    m_item = &item;
    if (!item.getOpenDate().isEmpty())
        m_dtpOpenDate->setText(item.getOpenDate());
    else
        item.setOpenDate(m_dtpOpenDate->text());
    m_dtpOpenDate->selectAll();

    if (!item.getCloseDate().isEmpty()) {
        m_dtpCloseDate->setText(item.getCloseDate());
        m_editMode = QStringLiteral("EDIT_MODE");
        m_ChkCloseDate->setChecked(true);
        closeDateClicked(true);
    } else {
        m_dtpCloseDate->setEnabled(false);
    }
    m_txtAmount->setAmount(item.getAmount());
    {
        // A stored description is shown whole, even one longer than what may be typed.
        const QSignalBlocker block(m_txtComment);
        m_txtComment->setPlainText(item.getComment());
    }
    setTiming(RecItemRules::timingCode(item.getReqTiming()));

    m_ctlAttachedFiles1->setAccountId(account.getID().toInt(), account.getNumber());
    m_ctlAttachedFiles1->setRecItemId(item.getID().isEmpty() ? 0 : item.getID().toInt());
    m_ctlAttachedFiles1->setItemType(1);
    m_ctlAttachedFiles1->intitalize();
    if (m_ctlAttachedFiles1->getRecItemId() >= 1)
        m_ctlAttachedFiles1->loadListView();
    item.beginEdit();
    m_txtComment->setFocus();
}

void RecItemDialog::setTiming(const QString& code)
{
    for (int i = 0; i < 4; ++i)
        m_timing[i]->setChecked(kTimingCodes[i] == code);
    if (m_item)
        m_item->setReqTiming(code);
}

void RecItemDialog::timingClicked(const QString& code, bool ticked)
{
    // The boxes act as one choice: clearing the chosen box keeps it chosen.
    if (ticked || (m_item && m_item->getReqTiming() == code))
        setTiming(code);
    else if (m_item)
        m_item->setReqTiming(QString());
}

void RecItemDialog::closeDateClicked(bool ticked)
{
    if (!m_item)
        return;
    if (!ticked) {
        m_dtpCloseDate->clear();
        m_dtpCloseDate->setEnabled(false);
        m_item->setCloseDate(QString());
        return;
    }
    if (!m_item->getCloseDate().isEmpty()) {
        m_item->setCloseDate(m_dtpCloseDate->text());
    } else {
        // The day after the open date; with no open date yet nothing is proposed and the date is
        // asked for at Save.
        const QString proposal = RecItemRules::dayAfter(m_item->getOpenDate());
        m_dtpCloseDate->setText(proposal);
        m_item->setCloseDate(proposal);
    }
    if (m_editMode.isEmpty()) {
        m_dtpCloseDate->setEnabled(true);
        m_dtpCloseDate->setFocus(Qt::OtherFocusReason);
    }
}

bool RecItemDialog::openDateLeft()
{
    const QString normalized = Global::formatDateString(m_dtpOpenDate->text());
    if (normalized.isEmpty())
        return false;
    m_dtpOpenDate->setText(normalized);
    return true;
}

bool RecItemDialog::closeDateLeft()
{
    const QString text = m_dtpCloseDate->text();
    const QString normalized = Global::formatDateString(text);
    if (!text.trimmed().isEmpty() && normalized.isEmpty())
        return false;
    m_dtpCloseDate->setText(normalized);
    if (m_ChkCloseDate->isChecked() && m_item) {
        if (!m_item->getCloseDate().isEmpty()) {
            m_item->setCloseDate(normalized);
        } else {
            m_dtpCloseDate->setText(m_recDate);
            m_item->setCloseDate(m_recDate);
        }
    }
    return true;
}

void RecItemDialog::save()
{
    DialogBehaviour::guardedCommitted(this, [this] {
        if (!m_item)
            return;
        const QString problem = RecItemRules::datesProblem(m_item->getOpenDate(), m_ChkCloseDate->isChecked(),
                                                           m_item->getCloseDate());
        if (!problem.isEmpty()) {
            say(problem);
            return;
        }
        m_item->applyEdit();
        // A new item has just received its id: its documents are stored under it.
        m_ctlAttachedFiles1->setRecItemId(m_item->getID().toInt());
        m_ctlAttachedFiles1->UpdateOpenCloseDates(m_item->getOpenDate(), m_item->getCloseDate());
        m_ctlAttachedFiles1->SaveFiles();
        accept();
        MsgBoxUtil::displayListedLaterNotice(
            {MsgBoxUtil::listedLaterText(QStringLiteral("item"), m_item->getOpenDate(), m_recDate)});
    });
}
