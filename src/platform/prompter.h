#pragma once

#include <QString>

// Every message box and question of the system goes through the installed Prompter, so that
// tests can answer them from a script instead of a person.
class Prompter
{
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Icon { None, Information, Warning, Critical, Question };
    // The values match the answers the original message boxes returned.
    enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    struct Message
    {
        QString title;
        QString text;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        // A long list that belongs with the text but must not push the buttons off screen.
        QString details;
    };

    virtual ~Prompter() = default;
    virtual Answer ask(const Message& message) = 0;

    // The installed prompter; the application title is used when a message has none.
    static Prompter& instance();
    static void install(Prompter* prompter);

    static Answer show(const QString& title, const QString& text, Buttons buttons = Buttons::Ok,
                       Icon icon = Icon::None, const QString& details = {});

    static QString applicationTitle() { return QStringLiteral("Corvantis"); }
};
