#include "dialogbehaviour.h"

#include "apperror.h"
#include "datavalidationerror.h"
#include "msgboxutil.h"
#include "prompter.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

namespace {

const char* const kCausesValidation = "causesValidation";

bool isEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Turns Enter into moving on: the key never reaches the field or the dialog's buttons.
class EnterMovesOn final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isEnter(event))
            return false;
        // A Tab keystroke in its place, so the focus moves exactly as Tab would move it.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(watched, &tab);
        return true;
    }
};

// Enter on a focused button presses it, as Space does: buttons are not auto-default, so without
// this the key would do nothing at all.
class EnterPressesButton final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isEnter(event) || static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier)
            return false;
        auto* button = static_cast<QPushButton*>(watched);
        if (!button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

void showError(const QString& description, const QString& details = {})
{
    Prompter::show(Prompter::applicationTitle(), description, Prompter::Buttons::Ok, Prompter::Icon::Critical,
                   details);
}

} // namespace

namespace DialogBehaviour {

void setCausesValidation(QWidget* widget, bool causes)
{
    widget->setProperty(kCausesValidation, causes);
}

bool causesValidation(const QWidget* widget)
{
    const QVariant v = widget->property(kCausesValidation);
    return !v.isValid() || v.toBool();
}

bool isMovingOn(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

void noAutoDefault(QWidget* dialog)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
        if (!b->findChild<EnterPressesButton*>(QString(), Qt::FindDirectChildrenOnly))
            b->installEventFilter(new EnterPressesButton(b));
    }
}

void enterMovesOn(QWidget* field)
{
    field->installEventFilter(new EnterMovesOn(field));
}

bool guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const AppError& e) {
        if (e.isReported())
            return false;
        // A validation failure that no dialog answered still reads as its sentence.
        if (e.number() == AppError::ObjectErrorBase && e.source().contains(QLatin1Char(':')))
            MsgBoxUtil::displayDataValidationError(DataValidationError(e));
        else
            showError(e.description(), e.details());
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool commitFocusedField(QWidget* dialog)
{
    QWidget* focused = QApplication::focusWidget();
    if (!focused || (focused != dialog && !dialog->isAncestorOf(focused)))
        focused = dialog->focusWidget(); // the dialog is not active (tests, a message on top)
    for (QWidget* w = focused; w && w != dialog; w = w->parentWidget()) {
        if (LeaveCheck* check = LeaveCheck::of(w))
            return check->commit();
    }
    return true;
}

void limitLength(QPlainTextEdit* edit, int maxLength)
{
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxLength] {
        const QString text = edit->toPlainText();
        if (text.size() <= maxLength)
            return;
        // Cut what was just typed or pasted, where the cursor stands, and keep the rest.
        QTextCursor cursor = edit->textCursor();
        const int excess = static_cast<int>(text.size()) - maxLength;
        const int end = cursor.position();
        const int start = std::max(0, end - excess);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        if (edit->toPlainText().size() > maxLength) { // a text set longer than the limit to begin with
            cursor.movePosition(QTextCursor::End);
            cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                                static_cast<int>(edit->toPlainText().size()) - maxLength);
            cursor.removeSelectedText();
        }
        edit->setTextCursor(cursor);
    });
}

} // namespace DialogBehaviour

LeaveCheck::LeaveCheck(QWidget* field, Check check, Refuse refuse)
    : QObject(field), m_field(field), m_check(std::move(check)), m_refuse(std::move(refuse))
{
    setObjectName(QStringLiteral("leaveCheck"));
    field->installEventFilter(this);
}

LeaveCheck* LeaveCheck::install(QWidget* field, Check check, Refuse refuse)
{
    delete of(field);
    return new LeaveCheck(field, std::move(check), std::move(refuse));
}

LeaveCheck* LeaveCheck::of(const QWidget* field)
{
    return field->findChild<LeaveCheck*>(QStringLiteral("leaveCheck"), Qt::FindDirectChildrenOnly);
}

bool LeaveCheck::commit()
{
    if (m_check()) {
        m_pending = false;
        return true;
    }
    m_pending = false;
    refuseNow();
    return false;
}

bool LeaveCheck::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::FocusOut || m_refusing)
        return false;
    if (!DialogBehaviour::isMovingOn(static_cast<QFocusEvent*>(event)->reason()))
        return false;
    // The focus has already moved when the field hears of it: a control that does not cause
    // validation (Cancel), or another window, is no moving on inside the dialog.
    if (QWidget* next = QApplication::focusWidget()) {
        if (next->window() != m_field->window() || !DialogBehaviour::causesValidation(next))
            return false;
    }
    if (m_check())
        m_pending = false;
    else
        refuseLater();
    return false;
}

void LeaveCheck::refuseLater()
{
    if (m_pending)
        return;
    m_pending = true;
    // Not inside the focus change itself: the message box would take the focus it is handing on.
    QTimer::singleShot(0, this, [this] {
        if (!m_pending)
            return;
        m_pending = false;
        if (!m_field->isVisible()) // the dialog closed meanwhile: nothing to tell
            return;
        refuseNow();
    });
}

void LeaveCheck::refuseNow()
{
    m_refusing = true;
    m_refuse();
    m_refusing = false;
    m_field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(m_field))
        edit->selectAll();
}
