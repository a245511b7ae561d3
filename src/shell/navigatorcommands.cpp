#include "navigatorcommands.h"

#include "apperror.h"
#include "dialogbehaviour.h"
#include "documentslocation.h"
#include "global.h"
#include "prompter.h"

namespace {

// The gate looks at the documents database again before it refuses a command: what kept it from
// being used (a right not granted, a server that was down, another desk's administrator naming
// another one) may have passed since it was last looked at, without a new login. A database that
// is still not usable is refused with the gate's words, or with what keeps it from being looked at.
bool documentsDatabaseNowValid()
{
    if (Global::isLoggedIn) {
        try {
            if (DocumentsLocation::checkInUse() == DocumentsLocation::Verdict::Valid)
                return true;
        } catch (const AppError& e) {
            Prompter::show(Prompter::applicationTitle(), e.description(), Prompter::Buttons::Ok,
                           Prompter::Icon::Warning, e.details());
            return false;
        }
    }
    Prompter::show(Prompter::applicationTitle(), NavigatorCommands::gateMessage());
    return false;
}

} // namespace

const QStringList& NavigatorCommands::words()
{
    static const QStringList all{
        QStringLiteral("PREPARE_REC"),   QStringLiteral("REC_REVIEW"),  QStringLiteral("SUMMARY_REPORT"),
        QStringLiteral("APP_SETUP"),     QStringLiteral("ACC_SETUP"),   QStringLiteral("BALANCES"),
        QStringLiteral("DB_LOCATION"),   QStringLiteral("MAIN_HELP"),   QStringLiteral("MAIN_TUTORIAL"),
        QStringLiteral("EXIT_PROGRAM")};
    return all;
}

std::optional<QString> NavigatorCommands::commandOf(const QString& address)
{
    static const QString marker = QStringLiteral("event:");
    const qsizetype at = address.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    QString command = address.mid(at + marker.size()).toUpper();
    const qsizetype question = command.indexOf(QLatin1Char('?'));
    if (question >= 0)
        command.truncate(question);
    return command;
}

QString NavigatorCommands::gateMessage()
{
    return QStringLiteral("The documents database is not valid for this version of Corvantis. Please go to the "
                          "Administration dialog to select a valid documents database first.");
}

QString NavigatorCommands::unknownCommandMessage(const QString& word)
{
    return QStringLiteral("The page asked for the command \"%1\", which this version of Corvantis does not know.")
        .arg(word);
}

void NavigatorCommands::setHandler(const QString& word, std::function<void()> handler)
{
    Q_ASSERT(words().contains(word));
    m_handlers.insert(word, std::move(handler));
}

bool NavigatorCommands::dispatch(const QString& address)
{
    const auto command = commandOf(address);
    if (!command)
        return false;
    // Nothing runs before a login: every command works on the session's main database.
    if (!Global::loginSucceeded()) {
        Prompter::show(Prompter::applicationTitle(), Global::notLoggedInMessage());
        return true;
    }
    // The gate holds words of no command too, as it holds every command but the administration one.
    if (*command != QStringLiteral("APP_SETUP") && !Global::isDocDBValid && !documentsDatabaseNowValid())
        return true;
    const auto handler = m_handlers.constFind(*command);
    if (handler == m_handlers.constEnd()) {
        // A link of the page that names no command (a mistyped page), or a command given no
        // handler: say so, do nothing.
        Prompter::show(Prompter::applicationTitle(), unknownCommandMessage(*command), Prompter::Buttons::Ok,
                       Prompter::Icon::Information);
        return true;
    }
    // No command may end the program by an error: it is shown and the navigator stays usable.
    DialogBehaviour::guarded(*handler);
    return true;
}
