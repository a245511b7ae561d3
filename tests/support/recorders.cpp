#include "recorders.h"

#include "db.h"
#include "global.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

Prompter::Answer PromptRecorder::ask(const Message& message)
{
    messages.append(message);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return message.buttons == Buttons::YesNo ? No : Ok;
}

QStringList PromptRecorder::texts() const
{
    QStringList out;
    for (const Message& m : messages)
        out << m.text;
    return out;
}

QString FileChooserScript::openFile(const QString& title, const QString& startPath, const QString& filter)
{
    titles << title;
    startPaths << startPath;
    filters << filter;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QString FileChooserScript::saveFile(const QString& title, const QString& startPath, const QString& filter)
{
    return openFile(title, startPath, filter);
}

TestSeams::TestSeams() : clock(QDateTime(QDate(2024, 3, 15), QTime(10, 30)))
{
    // The shared data folder (import copies, attached-document copies) and the home folder belong to
    // this test alone: test programs run side by side and must not share files.
    qputenv("HOME", QFile::encodeName(m_dir.path()));
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
    Prompter::install(&prompter);
    AppExit::install(&exits);
    FileChooser::install(&chooser);
    ShellOpener::install(&opener);
    Clock::install(&clock);
    Global::resetState();
}

TestSeams::~TestSeams()
{
    qputenv("HOME", m_oldHome);
    Db::closeAll();
    Global::resetState();
    Prompter::install(nullptr);
    AppExit::install(nullptr);
    FileChooser::install(nullptr);
    ShellOpener::install(nullptr);
    Clock::install(nullptr);
}
