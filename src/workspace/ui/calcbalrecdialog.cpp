#include "calcbalrecdialog.h"

#include "dialogbehaviour.h"

#include <QLabel>
#include <QPlainTextEdit>

using DialogBehaviour::named;

CalcBalRecDialog::CalcBalRecDialog(QWidget* parent)
    : TwoLevelRecDialog({QStringLiteral("CalcBalRecDialog"), QStringLiteral("Calculated Balance Reconciliation"),
                         QStringLiteral("H"), QStringLiteral("Label2"), QStringLiteral("Reconciling Items:"),
                         QStringLiteral("Label5"), QStringLiteral("btnPrint")},
                        TwoLevelRecReport::Kind::CalcBalance, parent)
{
    addTargetAmountBox(QStringLiteral("Calculated &Balance:"));
    m_txtbasisofCal = named<QPlainTextEdit>(this, QStringLiteral("txtbasisofCal"));
    m_txtbasisofCal->setTabChangesFocus(true);
    m_txtbasisofCal->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtbasisofCal->setFixedHeight(m_txtbasisofCal->fontMetrics().lineSpacing() * 4 + 12);
    DialogBehaviour::limitLength(m_txtbasisofCal, BasisLimit);
    addField(named<QLabel>(this, QStringLiteral("Label3"), QStringLiteral("Basis of Calculation:")), m_txtbasisofCal);
    // Every change goes into the balance at once; it takes no part in the difference.
    connect(m_txtbasisofCal, &QPlainTextEdit::textChanged, this,
            [this] { balance().setCalcBalance(m_txtbasisofCal->toPlainText()); });
}

void CalcBalRecDialog::fillKindFields()
{
    // The stored basis is shown whole, even one longer than what may be typed.
    const QSignalBlocker block(m_txtbasisofCal);
    m_txtbasisofCal->setPlainText(balance().getCalcBalance());
}
