#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <utility>

class AppError;
class QLabel;
class QPlainTextEdit;
class QWidget;

// What every dialog of the system does alike: checking a field when the user moves on from it,
// committing the field being edited before OK or Save, buttons that Enter never presses, and
// handlers that never let an error escape. One place, so no dialog re-invents these.
namespace DialogBehaviour {

// Creates a control that carries its name, by which tests find it: named<QPushButton>(this,
// "OKButton", "OK") is a QPushButton("OK", this) named "OKButton".
template <typename W, typename... Args>
W* named(QWidget* parent, const QString& name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

// A button the user may press without the field being left checked first (Cancel, Help): moving
// to it is not moving on. Buttons that take no focus never trigger a check in the first place.
void setCausesValidation(QWidget* widget, bool causes);
bool causesValidation(const QWidget* widget);

// A focus change of this kind is the user moving on inside the dialog (Tab, Backtab, a click, a
// mnemonic); the window closing or losing activation is not.
bool isMovingOn(Qt::FocusReason reason);

// Turns autoDefault off on every button of the dialog, so Enter never saves or closes by accident.
void noAutoDefault(QWidget* dialog);

// Enter in the field moves to the next control, as Tab does (and so counts as leaving the field).
void enterMovesOn(QWidget* field);

// Runs a handler; an error it raises is shown (title "Corvantis") and goes no further.
// False when the handler failed.
bool guarded(const std::function<void()>& handler);
// Shows a figure the handler computes in the label, as a slot that follows an edit does: a figure
// too large for the money type reads so in the label (ARCurrencySum::tooLargeText); any other
// error is shown as guarded() shows it. Nothing goes further.
void showFigure(QLabel* label, const std::function<QString()>& figure);
// The figure's text, or the words for one too large for the money type; other errors go on.
QString figureText(const std::function<QString()>& figure);
// What OK, Save, Preview and Print do: commit the edited fields (commitEditedFields), then, when
// they were accepted, run the handler guarded. False when refused or failed.
bool guardedCommitted(QWidget* dialog, const std::function<void()>& handler);
// Shows an error as guarded() does: a validation failure as its validation message, any other
// as the system's message; nothing for one already shown.
void report(const AppError& error);

// OK, Save, Preview and Print call this first: the leave check of the field that has the focus
// runs now (a mnemonic presses a button without moving the focus), and so does that of every
// other field of the dialog the user edited since its check last accepted it: a focus-out the window
// system never delivered (a message box closed on a desktop that gives the dialog no focus back)
// must not leave a typed amount or date out of what is saved. False at the first refusal; its
// message was shown and the focus is back in that field.
bool commitEditedFields(QWidget* dialog);

// Wraps a handler the dialog connects to a signal or focus change of its own fields so that it
// runs only while the dialog is whole. Destroying a dialog takes the focus out of its field (a
// line edit then reports editingFinished) after the dialog's own part is gone: what is left is a
// plain QDialog or QWidget, and the handler must not touch it.
//     connect(m_date, &QLineEdit::editingFinished, this, DialogBehaviour::whileWhole(this, [this] {...}));
template <typename Dialog, typename Handler>
auto whileWhole(Dialog* dialog, Handler handler)
{
    static_assert(QtPrivate::HasQ_OBJECT_Macro<Dialog>::Value, "the dialog class must declare Q_OBJECT");
    // Converted now, while the dialog is whole; its class is asked through QObject, which it
    // stays until the very end.
    const QObject* self = dialog;
    return [self, handler = std::move(handler)](auto&&... args) {
        if (self->metaObject()->inherits(&Dialog::staticMetaObject))
            handler(std::forward<decltype(args)>(args)...);
    };
}

// The face the system's dialogs and panels are drawn in, at the widget's own size; its children
// take it over.
void useTahoma(QWidget* widget);

// Enforces a length limit on what the user types or pastes into a plain-text box.
void limitLength(QPlainTextEdit* edit, int maxLength);

} // namespace DialogBehaviour

// The check that runs when the user leaves a field for another control of the same dialog.
// check() accepts the field (it may normalise the text) or refuses it; on refusal refuse() tells the
// user, once, and the focus goes back to the field with a deferred call.
class LeaveCheck : public QObject
{
    Q_OBJECT
public:
    using Check = std::function<bool()>;
    using Refuse = std::function<void()>;

    static LeaveCheck* install(QWidget* field, Check check, Refuse refuse);
    // The check installed on the field, or null.
    static LeaveCheck* of(const QWidget* field);

    // Runs the check at once, as a button that commits the field does; false when refused.
    bool commit();
    // The user typed or pasted into the field since the check last accepted it (or since code
    // last set its text): there is something a button must commit first.
    bool edited() const;
    QWidget* field() const { return m_field; }
    // Drops a refusal still waiting to be shown (the dialog is being reset).
    void cancelPending() { m_pending = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LeaveCheck(QWidget* field, Check check, Refuse refuse);
    void refuseLater();
    void refuseNow();
    void accepted();

    QWidget* m_field;
    Check m_check;
    Refuse m_refuse;
    bool m_pending = false;
    bool m_refusing = false;
};
