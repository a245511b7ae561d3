#include "msgboxutil.h"

#include "daterules.h"
#include "datavalidationerror.h"

namespace MsgBoxUtil {

QString wrap(const QString& message)
{
    QString out;
    out.reserve(message.size() + 8);
    int column = 1;
    for (qsizetype i = 0; i < message.size(); ++i) {
        const QChar c = message[i];
        if (c == QLatin1Char(' ') && column >= 81) {
            out += QStringLiteral("\r\n");
            column = 0;
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < message.size() && message[i + 1] == QLatin1Char('\n')) {
            out += QStringLiteral("\r\n");
            ++i;
            column = 0;
            continue;
        }
        if (c == QLatin1Char('\n')) {
            out += c;
            column = 0;
            continue;
        }
        out += c;
        ++column;
    }
    return out;
}

QString glAccountDeleteWarningText()
{
    return QStringLiteral("WARNING: You are about to permanently delete this Account and ") +
           QStringLiteral("all associated reconciliation information. There is no way to ") +
           QStringLiteral("undo this action. Do you want to continue?");
}

Prompter::Answer displayMessage(const QString& title, const QString& message)
{
    Prompter::Message m;
    m.title = title;
    m.text = message;
    return Prompter::instance().ask(m);
}

Prompter::Answer displayFixedMessage(const QString& title, const QString& message)
{
    return displayMessage(title, wrap(message));
}

Prompter::Answer displayDataValidationError(const DataValidationError& error)
{
    return displayMessage(QStringLiteral("Data Validation Error"), error.getMessage());
}

Prompter::Answer displayGLAccountDeleteWarning()
{
    Prompter::Message m;
    m.title = QStringLiteral("Delete Account");
    m.text = wrap(glAccountDeleteWarningText());
    m.buttons = Prompter::Buttons::YesNo;
    return Prompter::instance().ask(m);
}

QString listedLaterText(const QString& what, const QString& date, const QString& recDate)
{
    const auto day = DateRules::parse(date);
    const auto recDay = DateRules::parse(recDate);
    if (!day || !recDay || *day <= *recDay)
        return {};
    return QStringLiteral("The %1 is stored. It is dated %2, after the reconciliation date %3, so it is not "
                          "listed with this reconciliation: it is listed in the reconciliations from %2 on.")
        .arg(what, DateRules::toText(*day), DateRules::toText(*recDay));
}

bool displayListedLaterNotice(const QStringList& texts)
{
    QStringList shown;
    for (const QString& text : texts)
        if (!text.isEmpty())
            shown << text;
    if (shown.isEmpty())
        return false;
    Prompter::show(Prompter::applicationTitle(), shown.join(QStringLiteral("\n\n")), Prompter::Buttons::Ok,
                   Prompter::Icon::Information);
    return true;
}

} // namespace MsgBoxUtil
