#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The navigator's commands: how a link's address names one (the text after "event:"), the gates
// that admit none before a login and only the administration command while the documents
// database is unusable, and one handler per command word. A command that raises an error shows it and ends; the program goes on.
class NavigatorCommands
{
public:
    // Every command word, as the page writes them after the marker.
    static const QStringList& words();

    // The command word of an address: the text after "event:" (the marker as written, in lower
    // case), upper-cased, cut before the first "?"; nothing when the address has no marker.
    static std::optional<QString> commandOf(const QString& address);

    static QString gateMessage();
    static QString unknownCommandMessage(const QString& word);

    void setHandler(const QString& word, std::function<void()> handler);

    // Runs the command an address names. False when the address has no marker: it is an ordinary
    // link, to be followed. True otherwise, whatever came of it: the page stays as it is.
    bool dispatch(const QString& address);

private:
    QHash<QString, std::function<void()>> m_handlers;
};
