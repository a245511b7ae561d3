#include "dialogbehaviour.h"

#include "apperror.h"
#include "arcurrency.h"
#include "datavalidationerror.h"
#include "msgboxutil.h"
#include "prompter.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <memory>
#include <utility>

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
        report(e);
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void showFigure(QLabel* label, const std::function<QString()>& figure)
{
    guarded([&] { label->setText(figureText(figure)); });
}

QString figureText(const std::function<QString()>& figure)
{
    try {
        return figure();
    } catch (const AppError& e) {
        if (e.number() != AppError::Overflow)
            throw;
        return ARCurrencySum::tooLargeText();
    }
}

bool guardedCommitted(QWidget* dialog, const std::function<void()>& handler)
{
    bool committed = false;
    const bool ran = guarded([&] {
        committed = commitEditedFields(dialog);
        if (committed)
            handler();
    });
    return ran && committed;
}

void report(const AppError& e)
{
    if (e.isReported())
        return;
    // A validation failure reads as its sentence, titled "Data Validation Error".
    if (e.number() == AppError::ObjectErrorBase && e.source().contains(QLatin1Char(':')))
        MsgBoxUtil::displayDataValidationError(DataValidationError(e));
    else
        showError(e.description(), e.details());
}

bool commitEditedFields(QWidget* dialog)
{
    QWidget* focused = QApplication::focusWidget();
    if (!focused || (focused != dialog && !dialog->isAncestorOf(focused)))
        focused = dialog->focusWidget(); // the dialog is not active (tests, a message on top)
    LeaveCheck* current = nullptr;
    for (QWidget* w = focused; w && w != dialog && !current; w = w->parentWidget())
        current = LeaveCheck::of(w);
    // The field being edited first: its refusal is the one the user is looking at.
    if (current && !current->commit())
        return false;
    const QWidget* window = dialog->window();
    for (LeaveCheck* check : dialog->findChildren<LeaveCheck*>(QStringLiteral("leaveCheck"))) {
        // A dialog opened from this one keeps its own fields; a disabled field takes no typing.
        if (check == current || check->field()->window() != window || !check->field()->isEnabled())
            continue;
        if (check->edited() && !check->commit())
            return false;
    }
    return true;
}

void useTahoma(QWidget* widget)
{
    QFont f = widget->font();
    f.setFamily(QStringLiteral("Tahoma"));
    widget->setFont(f);
}

void limitLength(QPlainTextEdit* edit, int maxLength)
{
    // What the last change of the text inserted and removed, read when the box reports the change.
    // A text set by code with the box's signals blocked (a stored text being shown) is never cut,
    // and an edit of a stored text longer than the limit may shorten it but not lengthen it.
    struct Change
    {
        int position = 0, removed = 0, added = 0;
    };
    auto last = std::make_shared<Change>();
    QObject::connect(edit->document(), &QTextDocument::contentsChange, edit,
                     [last](int position, int removed, int added) { *last = {position, removed, added}; });
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxLength, last] {
        const Change change = std::exchange(*last, Change{});
        const int size = static_cast<int>(edit->toPlainText().size());
        const int grown = change.added - change.removed;
        if (size <= maxLength || grown <= 0)
            return;
        // Cut the end of what was just typed or pasted, where it was put, and keep the rest.
        const int excess = std::min(size - maxLength, grown);
        const int end = std::min(change.position + change.added, size);
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(std::max(0, end - excess));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
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
        accepted();
        return true;
    }
    m_pending = false;
    refuseNow();
    return false;
}

bool LeaveCheck::edited() const
{
    // The boxes' own marks of the user's typing and pasting: text set by code clears them.
    if (const auto* line = qobject_cast<const QLineEdit*>(m_field))
        return line->isModified();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(m_field))
        return plain->document()->isModified();
    return true; // a field that cannot tell is checked every time
}

void LeaveCheck::accepted()
{
    m_pending = false;
    if (auto* line = qobject_cast<QLineEdit*>(m_field))
        line->setModified(false);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(m_field))
        plain->document()->setModified(false);
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
        accepted();
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
    // The message box has closed; without a window manager nothing hands the dialog its
    // activation back, so it asks for it itself.
    if (m_field->isVisible() && !m_field->isActiveWindow())
        m_field->activateWindow();
    m_field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(m_field))
        edit->selectAll();
}
